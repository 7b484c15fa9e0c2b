#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "errorlog/log_fixes.h"
#include "errorlog/log_reader.h"

namespace quorvex {

// A fix of a finding of the log: its record, the record's type, the finding's reference.
struct FixChange {
    std::int64_t recNum = 0;
    std::string id;
    std::string reference;
    FieldFix fix;  // fix.text empty: the value is too wide for the field (fix.description says so)
};

// The fixes of every finding of the log, in record order.
std::vector<FixChange> LogChanges(const LogReader& log);

// How many of `changes` replace a field (not those too wide for theirs).
std::size_t Replacing(const std::vector<FixChange>& changes);

// A corrected copy written: the copy and the file it was made from.
struct FixedCopy {
    std::filesystem::path file;
    std::filesystem::path copy;
};

// Writes a corrected copy of each file the log's run read that `changes` concern, through
// the safe writer (a new private file): byte for byte the file, but the fields replaced.
// `target(file)` names the copy of `file` and throws FileWriteError when it may not be
// written, or is empty when no copy of `file` is wanted. Reads each file again; throws FileWriteError when one cannot be read or no longer
// holds what the run read at a field.
std::vector<FixedCopy> WriteFixedCopies(const LogReader& log, const std::vector<FixChange>& changes,
                                        const std::function<std::filesystem::path(const std::filesystem::path&)>& target);

}  // namespace quorvex
