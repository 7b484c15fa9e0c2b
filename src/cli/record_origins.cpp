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

std::optional<RecordOrigins> RecordOrigins::FromFiles(const std::vector<HistoryFile>& files,
                                                      const std::vector<std::int64_t>& wanted) {
    if (files.empty()) return std::nullopt;
    for (const HistoryFile& f : files) {
        if (f.size < 0) return std::nullopt;
        const HistoryFile now = DescribeFile(f.name, f.name);
        if (now.size != f.size || now.sha256 != f.sha256) return std::nullopt;
    }
    RecordOrigins origins;
    auto next = wanted.begin();
    std::int64_t recNum = 0;
    std::vector<char> buffer(1 << 16);
    for (const HistoryFile& f : files) {
        if (next == wanted.end()) break;
        std::ifstream in(f.name, std::ios::binary);
        if (!in) return std::nullopt;
        origins.files_.push_back(f.name);
        RecordCutter cutter;
        // The records are numbered as the run numbered them: one after the other through the
        // files; an end-of-file mark (Ctrl-Z or NUL after the run's first record) takes a number
        // too, and ends its file.
        auto onRecord = [&](const std::string& record) {
            const bool mark = recNum > 0 && !record.empty() && (record[0] == '\x1a' || record[0] == '\0');
            ++recNum;
            if (mark) return false;
            while (next != wanted.end() && *next < recNum) ++next;
            if (next != wanted.end() && *next == recNum)
                origins.kept_.push_back(
                    Entry{recNum, origins.files_.size() - 1, cutter.StartLine(), cutter.StartColumn()});
            return next != wanted.end();
        };
        bool going = true;
        while (going && in) {
            in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
            going = cutter.Feed(std::string_view(buffer.data(), static_cast<std::size_t>(in.gcount())), onRecord);
        }
        if (going) cutter.Finish(onRecord);
    }
    return origins;
}

}  // namespace quorvex
