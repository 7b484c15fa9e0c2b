#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quorvex {

class ErrorLog;

// A rule of the run that a record breaks: the reference, user entry and text of its error.
struct RunViolation {
    std::string reference;
    std::string userEntry;
    std::string error;
};

// A record as the run has it before its own checks.
struct RunRecord {
    std::int64_t recCtr = 1;        // its number in the run, from 1
    std::string_view id;            // its identifier as read (" " when it has none)
    std::string_view previousId;    // the identifier of the record stored before it
    std::string_view text;          // the record, upper-cased (" " when empty)
    std::size_t length = 0;         // its length as read
};

// Whether the record is an end-of-file mark (its first character is Ctrl-Z or NUL) after
// the first record: it ends the file and is not kept.
bool EndOfFileMark(const RunRecord& r);

// The rules of the run a record is held to before its own checks: a corrections file, RA
// first, RE second, nothing after RF, 512 characters. An end-of-file mark is held only to
// the rule of RF (its length does not count). nullopt when the record keeps them all.
std::optional<RunViolation> LeadingViolation(const RunRecord& r);

// An identifier that is none of the nine record types.
RunViolation InvalidIdentifier(std::string_view id);

// The error limit reached: `errors` (the errors so far) at or over `limit`.
std::optional<RunViolation> ErrorLimitViolation(std::int64_t errors, int limit);

// The submission ended on record `lastId`, without its RF record (an ordinary error).
RunViolation MissingFinalRecord(std::string_view lastId);

// Logs `v` as a critical error of the current record; whether there was one.
bool LogViolation(const std::optional<RunViolation>& v, ErrorLog& log);

}  // namespace quorvex
