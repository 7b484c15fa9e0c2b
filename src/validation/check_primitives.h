#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "validation/code_tables.h"
#include "validation/layouts.h"
#include "validation/record_text.h"

namespace quorvex {

class Findings;

// --- Messages that several record types share ----------------------------------------
inline constexpr std::string_view kMsgMandatoryNumeric =
    "This is a mandatory field and must contain only valid numeric data.";
inline constexpr std::string_view kMsgNumericOrBlank = "Must be numeric or blank.";
inline constexpr std::string_view kMsgMoneyNotNumeric =
    "Must be numeric. No negative amounts; right justify and zero fill.";
inline constexpr std::string_view kMsgName =
    "May only contain letters (A - Z), numbers (0 - 9), spaces, hyphens, periods and apostrophes.";
inline constexpr std::string_view kMsgNameMandatory =
    "May only contain letters (A - Z), numbers (0 - 9), spaces, hyphens, periods and apostrophes. "
    "This is a mandatory field.";
inline constexpr std::string_view kMsgNameBlank = "Must not be blank. This is a mandatory field.";
inline constexpr std::string_view kMsgAlphaNum = "May only contain letters (A - Z) and/or numbers (0 - 9).";
inline constexpr std::string_view kMsgUserId = "Must not be blank. Must be alphanumeric. This is a mandatory field.";
inline constexpr std::string_view kMsgState = "The Postal Abbreviation is invalid (see ZRW5).";
inline constexpr std::string_view kMsgCountry = "The Country Code is invalid (see ZRW5).";
inline constexpr std::string_view kMsgZipPair =
    "A value was entered in the ZIP Code Extension field and the ZIP Code field is blank. Either change the "
    "ZIP Code Extension field to blank or enter a valid ZIP Code.";
inline constexpr std::string_view kMsgForeignCountryDomesticZip =
    "Must not have both a foreign Country Code and a domestic ZIP Code.";
inline constexpr std::string_view kMsgDomesticStateForeignCountry =
    "Must not have both a domestic State Abbreviation and a foreign Country Code.";
inline constexpr std::string_view kMsgEmployerEinPrefix =
    "Must not start with 00, 07, 08, 09, 17, 18, 19, 28, 29, 49, 69, 70, 78, 79 or 89.";

// --- Character tests (exact, case-sensitive; none allocates) ------------------------
// Every character a digit; true for empty text.
bool NumCheck(std::string_view text);
// Upper-case letters, digits, space, period, hyphen, apostrophe; true for empty text.
bool NameCheck(std::string_view text);
// Upper-case letters and digits; true for empty text.
bool AlphaNumCheck(std::string_view text);
// The first 8 characters upper-case letters or digits; false for shorter text.
bool UserIdCheck(std::string_view text);
// Every character printable ASCII (codes 32-126).
bool CharCheck(std::string_view text);

// The text with leading and trailing spaces removed.
std::string_view Trim(std::string_view text);
// Blank: nothing but spaces (or empty).
bool IsBlank(std::string_view text);
// A money field of eleven zeros (surrounding spaces ignored); a field of spaces is not.
bool IsZeroFilled(std::string_view text);
// The value of a text of digits (call only after NumCheck passed).
double DigitsValue(std::string_view digits);
// True when `value` is one of `allowed`.
bool IsOneOf(std::string_view value, std::initializer_list<std::string_view> allowed);

// The message of a failed CharCheck of `text`, whose first character is at record
// position `firstPos`: "Invalid character found in position(s) 5, 7 and 9 of this record. ..."
std::string CharCheckMessage(std::string_view text, int firstPos);

// --- Field rules that report their own finding --------------------------------------
// Each tests field `f` of the record `rec`, reports a failure through `out` with the
// field's Reference, "[<field text>]" and the field index, and returns whether the field
// passed. Nothing is built for a field that passes.

// One finding on field `f` with its usual reference and user entry.
void Report(Findings& out, const RecordText& rec, const FieldLayout& f, std::string_view message);

// Printable characters only (text and blank fields).
bool ReportChars(Findings& out, const RecordText& rec, const FieldLayout& f);
inline bool CheckChars(Findings& out, const RecordText& rec, const FieldLayout& f) {
    return rec.Printable(f) || ReportChars(out, rec, f);
}
// Numeric-or-blank field: "Must be numeric or blank."
bool CheckNumericOrBlank(Findings& out, const RecordText& rec, const FieldLayout& f);
// State abbreviation and country code fields.
bool CheckState(Findings& out, const RecordText& rec, const FieldLayout& f);
bool CheckCountry(Findings& out, const RecordText& rec, const FieldLayout& f);
// A code field that must be one of `allowed` (a blank entry is written as spaces).
void CheckCode(Findings& out, const RecordText& rec, const FieldLayout& f,
               std::initializer_list<std::string_view> allowed, std::string_view message);
// The Zip Code Extension `ext`: numeric-or-blank, then an extension without the Zip
// Code `zip`. Both findings carry the extension's reference.
void CheckZipExtension(Findings& out, const RecordText& rec, const FieldLayout& zip, const FieldLayout& ext);

// The four address blocks with a State / Zip Code / Country Code cross-check.
enum class AddressBlock { RACompany, RASubmitter, RE, RW };

// The address cross-check of `block`, made by the caller only when the block's State
// Abbreviation, Zip Code and Country Code all passed their own rules. Reports on the
// block's Country Code. The RA submitter block has no Zip Code test.
void CountryZipCheck(Findings& out, const RecordText& rec, AddressBlock block);

}  // namespace quorvex
