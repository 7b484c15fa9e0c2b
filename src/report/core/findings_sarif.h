#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quorvex {

// The rules of the SARIF findings: which rule a finding belongs to and what the rule says.

// A message as its rule says it: what the finding put in it (sums and counts, the tax year and
// its maximum, positions of characters, an SSN) read as "#", the rule's own words and numbers
// kept ("invalid (see ZRW5)", "Must be either 98 or 99").
std::string RuleText(std::string_view message);

// The field a reference names, without its positions: "Zip Code [Position 134 - 138]" is
// "Zip Code".
std::string_view Caption(std::string_view reference);

// Whether a finding is the one that stops a run at its error limit ("500 or more Errors in
// submission"): one rule for every limit.
bool IsErrorLimit(std::string_view reference);

// A rule of the document: its id (stable from run to run), its friendly name (a different one
// for each id) and what it says.
struct SarifRule {
    std::string id;
    std::string name;
    std::string shortText, text, markdown;
    // Its findings' messages hold data of their own (sums, counts, an SSN): a result's message
    // is then the whole of it, else its field and entry alone (the rule says the rest).
    bool messagesHoldData = false;
};
// The rule of the kind of check of a finding of record type `type`, at `reference`, with
// `message`.
SarifRule MakeSarifRule(std::string_view type, std::string_view reference, std::string_view message);
// The rule as the tool's driver lists it (a reportingDescriptor).
std::string RuleJson(const SarifRule& rule);

// The most results a run may hold: code scanning takes no more in one run.
inline constexpr std::int64_t kMaxSarifResults = 25000;

// What makes findings of one rule: their record type, field and kind of message.
std::string RuleKind(std::string_view type, std::string_view reference, std::string_view message);

}  // namespace quorvex
