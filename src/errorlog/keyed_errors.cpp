#include "errorlog/keyed_errors.h"

#include <algorithm>

namespace quorvex {

namespace {

// Where record `recNum` stands or would stand among `heads` (by record number).
template <class Heads>
auto HeadAt(Heads& heads, std::int64_t recNum) {
    return std::lower_bound(heads.begin(), heads.end(), recNum,
                            [](const KeyedErrors::Head& h, std::int64_t n) { return h.recNum < n; });
}

// Keeps record `recNum` among `heads`, or writes it again there; false when they are full.
bool KeepHead(std::vector<KeyedErrors::Head>& heads, std::int64_t recNum, std::string_view id,
              std::optional<std::int64_t> reIndx, std::string_view record) {
    // Records come in order: the newest is the last or goes after it.
    auto at = heads.empty() || heads.back().recNum < recNum ? heads.end() : HeadAt(heads, recNum);
    if (at == heads.end() || at->recNum != recNum) {
        if (heads.size() >= KeyedErrors::kMost) return false;
        at = heads.insert(at, KeyedErrors::Head{recNum, {}, {}, {}});
    }
    at->id.assign(id);
    at->reIndx = reIndx;
    at->text.assign(record.substr(0, LogReader::kKeyChars));
    return true;
}

// Takes record `recNum` out of `heads`, if there.
void ForgetHead(std::vector<KeyedErrors::Head>& heads, std::int64_t recNum) {
    const auto at = HeadAt(heads, recNum);
    if (at != heads.end() && at->recNum == recNum) heads.erase(at);
}

}  // namespace

void KeyedErrors::KeepRecord(std::int64_t recNum, std::string_view id, std::optional<std::int64_t> reIndx,
                             std::string_view record) {
    if (!KeepHead(heads_, recNum, id, reIndx, record)) whole_ = false;
}

void KeyedErrors::KeepBlockRecord(std::int64_t recNum, std::optional<std::int64_t> reIndx, std::string_view record) {
    if (!KeepHead(blocks_, recNum, "RE", reIndx, record)) whole_ = false;
}

std::optional<std::string> KeyedErrors::BlockRecord(std::int64_t reIndx, std::int64_t upTo) const {
    if (upTo > 0)
        for (auto at = HeadAt(blocks_, upTo + 1); at != blocks_.begin();)
            if ((--at)->reIndx == reIndx) return at->text;
    for (const Head& h : blocks_)
        if (h.reIndx == reIndx) return h.text;
    return std::nullopt;
}

void KeyedErrors::KeepError(bool critical, std::int64_t recNum, std::string_view reference, std::string_view userEntry,
                            std::string_view error) {
    if (!complete_) return;
    if (errors_.size() >= kMost) return Clear();
    errors_.push_back(
        ErrorRow{0, critical, recNum, std::string(reference), std::string(userEntry), std::string(error)});
}

void KeyedErrors::Forget(std::int64_t recNum) {
    ForgetHead(heads_, recNum);
    ForgetHead(blocks_, recNum);
}

void KeyedErrors::Clear() {
    heads_ = {};
    blocks_ = {};
    errors_ = {};
    files_ = {};
    complete_ = false;
}

const KeyedErrors::Head* KeyedErrors::Find(std::int64_t recNum) const {
    const auto at = HeadAt(heads_, recNum);
    return at != heads_.end() && at->recNum == recNum ? &*at : nullptr;
}

}  // namespace quorvex
