#include "cli/record_origins.h"

#include <algorithm>
#include <fstream>

#include "history/run_record.h"
#include "reader/record_cutter.h"

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

// Cuts the file `name` into records as a run does, handing each to `onRecord(cutter,
// record)` until it returns false; false when the file cannot be opened.
template <class OnRecord>
bool CutFile(const std::string& name, OnRecord&& onRecord) {
    std::ifstream in(name, std::ios::binary);
    if (!in) return false;
    RecordCutter cutter;
    auto each = [&](const std::string& record) { return onRecord(cutter, record); };
    std::vector<char> buffer(1 << 16);
    bool going = true;
    while (going && in) {
        in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        going = cutter.Feed(std::string_view(buffer.data(), static_cast<std::size_t>(in.gcount())), each);
    }
    if (going) cutter.Finish(each);
    return true;
}

// Whether `record`, after a run's first, is an end-of-file mark (Ctrl-Z or NUL).
bool EndOfFileMark(std::int64_t recNum, const std::string& record) {
    return recNum > 0 && !record.empty() && (record[0] == '\x1a' || record[0] == '\0');
}

}  // namespace

std::optional<RecordOrigins> RecordOrigins::FromFiles(const std::vector<HistoryFile>& files,
                                                      const std::vector<std::int64_t>& wanted) {
    if (files.empty() || !AsRecorded(files)) return std::nullopt;
    RecordOrigins origins;
    auto next = wanted.begin();
    std::int64_t recNum = 0;
    // The records are numbered as the run numbered them: one after the other through the
    // files; an end-of-file mark takes a number too, and ends its file.
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
