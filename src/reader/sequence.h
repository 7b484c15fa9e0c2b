#pragma once

#include <string_view>

namespace quorvex {

class ErrorLog;

// The order of records within a submission: checks the current record's identifier
// against the previous one (both as read, case kept) and the current block's RO-seen and
// RS-seen flags. A violation is logged as a critical error; returns true then.
bool CheckSequence(std::string_view previousId, std::string_view currentId, bool roSeen, bool rsSeen,
                   ErrorLog& log);

// The message of the first rule that the pair violates, or empty when none.
std::string_view SequenceViolation(std::string_view previousId, std::string_view currentId, bool roSeen,
                                   bool rsSeen);

inline constexpr std::string_view kSequenceReference = "Sequence of Records [Position 1 - 2]";

}  // namespace quorvex
