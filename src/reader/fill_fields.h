#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "validation/check_context.h"

namespace quorvex {
class ErrorLog;
class LogReader;
}

namespace quorvex {

// Flags of the record filing during a run.
struct FilingState {
    bool invalidIdentifier = false;
    bool roSeen = false;
    bool rsSeen = false;
    bool sequenceError = false;
};

// FillFields for a test run: files the stored record `txtline` (upper-cased) whose
// identifier as read is `idAsRead`; `previousId` is the identifier of the record stored
// before it. Runs the record order rules, which log to `log`, and then the record type's
// field checks.
void FillFields(std::string_view txtline, std::string_view idAsRead, std::string_view previousId,
                std::int64_t recCtr, FilingState& state, CheckContext& ctx, ErrorLog& log);

// The record viewer's re-check of one stored record.
struct ViewerCheck {
    int boxCount = 1;
    bool singleCritical = false;   // the record has exactly one stored error, a critical one
    bool sequenceOnly = false;     // ... and it is a record order error
    std::set<int> marked;          // field boxes to highlight
    std::map<int, std::vector<std::string>> messages;  // what the re-check says of each box
};

// The record viewer's re-check of stored record `recNum` (text `txtline`) with the employer
// context `employer`, reading what it needs from `log`. Nothing is written to the log.
ViewerCheck RecheckRecord(std::string_view txtline, std::int64_t recNum, const EmployerContext& employer,
                          const LogReader& log);

}  // namespace quorvex
