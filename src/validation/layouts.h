#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>

namespace quorvex {

// The record types whose fields the program cuts and checks. RS and RV records are
// filed by identifier only and have no layout here.
enum class RecordType { RA, RE, RW, RO, RT, RU, RF };

// What a field holds; the checks a field really receives are the record's own rules.
enum class FieldClass {
    Code,                 // one of a fixed list of values
    Numeric,              // digits only
    NumericOrBlank,       // digits only, or spaces
    Money,                // digits only: an amount in cents, right-justified, zero-filled
    Name,                 // letters, digits, space, hyphen, period, apostrophe
    Text,                 // printable ASCII (codes 32-126)
    AlphaNumeric,         // upper-case letters and digits
    AlphaNumericOrBlank,
    State,                // postal abbreviation or blank
    Country,              // country code or blank
    Blank,                // reserved filler; only tested for printable characters
};

// One field of a record layout. Positions are 1-based and inclusive.
struct FieldLayout {
    std::string_view caption;        // used in every error reference
    std::string_view viewerCaption;  // the record viewer's label; empty when it is `caption`
    int first = 0;
    int last = 0;
    FieldClass cls = FieldClass::Text;
    int index = 0;                   // box number in the viewer: 0 = identifier, then record order
    int column = -1;                 // employer-block totals column (TRT for RW/RT, TRU for RO/RU), -1 none

    constexpr int Length() const { return last - first + 1; }
    constexpr std::string_view ViewerCaption() const {
        return viewerCaption.empty() ? caption : viewerCaption;
    }
};

// All fields of a record type in record order; element i has index i.
std::span<const FieldLayout> Layout(RecordType type);

// Field `index` of `type`. `index` must be within Layout(type).
const FieldLayout& Field(RecordType type, int index);

// The record type of a two-letter identifier ("RA" ... "RF"); nullopt for RS, RV and
// anything unknown.
std::optional<RecordType> RecordTypeOf(std::string_view id);

// The field's text: the record's characters at its positions, unchanged. A record
// shorter than the field's end yields a shorter (possibly empty) text.
constexpr std::string_view Cut(std::string_view rec, int first, int last) {
    const auto start = static_cast<std::size_t>(first - 1);
    if (start >= rec.size()) return {};
    return rec.substr(start, static_cast<std::size_t>(last - first + 1));
}
constexpr std::string_view Cut(std::string_view rec, const FieldLayout& f) {
    return Cut(rec, f.first, f.last);
}

// "<caption> [Position <a> - <b>]", or "<caption> [Position <a>]" for one position.
std::string Reference(std::string_view caption, int first, int last);
std::string Reference(const FieldLayout& f);

// The first and last position a finding's reference points at: a field's own from the layout
// table when the reference is a field's (any record type); otherwise the "[Position a - b]"
// a rule's text names. {0, 0} when it names none (a whole record).
std::pair<int, int> ReferencePositions(std::string_view reference);

// The usual user entry of a finding: the untrimmed field text in square brackets.
std::string UserEntry(std::string_view fieldText);

}  // namespace quorvex
