#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "errorlog/block_records.h"
#include "errorlog/keyed_errors.h"
#include "errorlog/log_reader.h"

namespace quorvex {

// The findings of a finished run as the run history reads them, each row with where the RE
// records of its block are looked up. They come from one of two places, chosen by
// ErrorLog::TakeFindings: what the run's ErrorLog kept, when it kept them whole (the file is
// not read: it may not yet hold them all); or the log's file, with what was kept sparing
// reads.
class RunFindings {
public:
    // Of the log file `log`; `kept`, when given, is what its writer kept of its errors.
    explicit RunFindings(LogReader log, std::optional<KeyedErrors> kept = std::nullopt)
        : log_(std::move(log)), kept_(std::move(kept)) {}
    // Of a Whole kept set alone.
    explicit RunFindings(KeyedErrors whole) : kept_(std::move(whole)) {}

    // The run's files, as the log names them.
    std::vector<std::string> Files() const;
    // Each finding's row in record order, a record's findings in logged order (of the record,
    // only its identifier, block and first LogReader::kKeyChars characters); `visit` returns
    // false to stop. Once: what was kept is used up.
    void ForEach(const std::function<bool(ReportRow&, const BlockRecords&)>& visit);

private:
    std::optional<LogReader> log_;
    std::optional<KeyedErrors> kept_;
};

}  // namespace quorvex
