#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "errorlog/run_history.h"
#include "reader/run.h"
#include "report/core/report_writers.h"

namespace quorvex {

// Where the records that got errors began in the submission, kept while a run is made for
// `--findings gnu`. Memory grows with the errors, never with the file: a record is kept only
// when the errors counted after its checks have grown, and the last record always (the run
// may still log against it: the missing final record, Exit).
class RecordOrigins {
public:
    // A record has been stored and checked; `errorsSoFar` is the run's error count now.
    void Add(const RecordOrigin& origin, std::int64_t errorsSoFar);
    // The run has ended.
    void Finish();

    std::optional<FindingOrigin> Find(std::int64_t recNum) const;

    // Where the records `wanted` (in record order) began in the files a run tested, in that
    // order, read again from the disk: when every file is still there with the size and
    // the SHA-256 (where it has one) the history recorded, so that its records are the
    // ones the log holds. nullopt otherwise (a pipe, a file changed or gone since).
    static std::optional<RecordOrigins> FromFiles(const std::vector<HistoryFile>& files,
                                                  const std::vector<std::int64_t>& wanted);
    std::size_t Kept() const { return kept_.size(); }

private:
    struct Entry {
        std::int64_t recNum;
        std::size_t file;
        std::int64_t line;
        std::uint64_t column;
    };
    std::vector<std::string> files_;
    std::vector<Entry> kept_;  // in record order
    std::optional<Entry> last_;
    std::int64_t errors_ = 0;
};

}  // namespace quorvex
