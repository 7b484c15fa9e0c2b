#include "cli/record_origins.h"

#include <algorithm>

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

}  // namespace quorvex
