#include "cli/record_origins.h"

#include <algorithm>

#include "history/run_record.h"
#include "reader/file_records.h"

namespace quorvex {

void RecordOrigins::Add(const RecordOrigin& origin, std::int64_t errorsSoFar) {
    if (files_.empty() || files_.back() != origin.file) files_.emplace_back(origin.file);
    last_ = Entry{origin.recNum, files_.size() - 1, origin.line, origin.column};
    if (errorsSoFar > errors_) {
        errors_ = errorsSoFar;
        kept_.push_back(*last_);
    }
}

void RecordOrigins::Finish() {
    if (last_ && (kept_.empty() || kept_.back().recNum != last_->recNum)) kept_.push_back(*last_);
}

std::optional<FindingOrigin> RecordOrigins::Find(std::int64_t recNum) const {
    const auto at = std::lower_bound(kept_.begin(), kept_.end(), recNum,
                                     [](const Entry& e, std::int64_t n) { return e.recNum < n; });
    if (at == kept_.end() || at->recNum != recNum) return std::nullopt;
    return FindingOrigin{files_[at->file], at->line, at->column};
}

namespace {

// Whether every file of a run is still there with the size and the SHA-256 the history
// recorded for it (none is known of a file that changed while it was tested).
bool AsRecorded(const std::vector<HistoryFile>& files) {
    for (const HistoryFile& f : files) {
        if (f.size < 0 || f.changed) return false;
        const HistoryFile now = DescribeFile(f.name, f.name);
        if (now.size != f.size || now.sha256 != f.sha256) return false;
    }
    return true;
}

}  // namespace

std::optional<RecordOrigins> RecordOrigins::FromFiles(const std::vector<HistoryFile>& files,
                                                      const std::vector<std::int64_t>& wanted) {
    if (files.empty() || !AsRecorded(files)) return std::nullopt;
    RecordOrigins origins;
    auto next = wanted.begin();
    std::int64_t recNum = 0;
    auto onRecord = [&](const RecordCutter& cutter, const std::string& record) {
        const bool mark = EndOfFileMark(recNum, record);
        ++recNum;
        if (mark) return false;
        while (next != wanted.end() && *next < recNum) ++next;
        if (next != wanted.end() && *next == recNum)
            origins.kept_.push_back(Entry{recNum, origins.files_.size() - 1, cutter.StartLine(), cutter.StartColumn()});
        return next != wanted.end();
    };
    for (const HistoryFile& f : files) {
        if (next == wanted.end()) break;
        origins.files_.push_back(f.name);
        if (!CutFile(f.name, onRecord)) return std::nullopt;
    }
    return origins;
}

}  // namespace quorvex
