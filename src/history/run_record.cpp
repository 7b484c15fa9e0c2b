#include "history/run_record.h"

#include <algorithm>
#include <array>
#include <condition_variable>
#include <cstdint>
#include <ctime>
#include <deque>
#include <exception>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <span>
#include <string_view>
#include <thread>
#include <tuple>
#include <utility>

#include "history/record_key.h"
#include "validation/layouts.h"

namespace quorvex {

namespace fs = std::filesystem;

namespace {

std::string Trimmed(std::string_view s) {
    const std::size_t b = s.find_first_not_of(' ');
    if (b == std::string_view::npos) return {};
    return std::string(s.substr(b, s.find_last_not_of(' ') - b + 1));
}

std::string Now() {
    const std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &tm);
    return text;
}

}  // namespace

// The key's two padded blocks are hashed once; each message then costs its own blocks and one
// more of the outer hash.
struct HmacSha256::Pads {
    Sha256 inner, outer;
};

HmacSha256::HmacSha256(std::string_view key) : pads_(std::make_unique<Pads>()) {
    std::array<unsigned char, 64> block{};
    if (key.size() > block.size()) {
        Sha256 h;
        h.Update(key.data(), key.size());
        const auto digest = h.Digest();
        std::copy(digest.begin(), digest.end(), block.begin());
    } else {
        std::copy(key.begin(), key.end(), block.begin());
    }
    for (unsigned char& b : block) b ^= 0x36;
    pads_->inner.Update(block.data(), block.size());
    for (unsigned char& b : block) b ^= 0x36 ^ 0x5c;
    pads_->outer.Update(block.data(), block.size());
}

HmacSha256::~HmacSha256() = default;

std::string HmacSha256::Hex(std::string_view message) const {
    Sha256 inner = pads_->inner, outer = pads_->outer;
    inner.Update(message.data(), message.size());
    const auto digest = inner.Digest();
    outer.Update(digest.data(), digest.size());
    return outer.Hex();
}

HistoryFile DescribeFile(const std::string& name, const fs::path& path) {
    HistoryFile file{name, -1, {}};
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) return file;
    if (const std::uintmax_t length = fs::file_size(path, ec); !ec && length > kHashedFileBytes) {
        file.size = static_cast<std::int64_t>(length);
        return file;
    }
    std::ifstream in(path, std::ios::binary);
    Sha256 h;
    std::array<char, 65536> buffer;
    std::int64_t size = 0;
    while (in) {
        in.read(buffer.data(), buffer.size());
        const auto n = in.gcount();
        h.Update(buffer.data(), static_cast<std::size_t>(n));
        size += n;
    }
    if (!in.eof()) return file;
    file.size = size;
    file.sha256 = h.Hex();
    return file;
}

namespace {

// Hands each of `findings` to `out`, keyed, in logged order, while `more` says yes.
void ForEachFinding(RunFindings& findings, const std::function<void(HistoryFinding&&)>& out,
                    const std::function<bool()>& more) {
    std::optional<RecordKeyer> keyer;  // over the blocks of the rows' source
    std::int64_t recNum = -1;
    std::string reference;
    std::pair<int, int> positions{0, 0};  // of `reference`
    const auto visit = [&](ReportRow& row, const BlockRecords& blocks) {
        if (!keyer) keyer.emplace(blocks);
        if (row.record.recNum != std::exchange(recNum, row.record.recNum) && more && !more()) return false;
        const RecordKey& key = keyer->Key(row.record);
        // Findings one after another mostly name the same field.
        if (row.error.reference != reference) reference = row.error.reference, positions = ReferencePositions(reference);
        out(HistoryFinding{row.record.recNum, key.type, key.key, key.occurrence, row.error.critical,
                           std::move(row.error.reference), positions.first, positions.second,
                           std::move(row.error.userEntry), std::move(row.error.error)});
        return true;
    };
    findings.ForEach(visit);
}

// The findings of a log as a thread of its own reads them, in parts of kPart: the history
// writes each part while the next is read. Every part is kept, so that the whole can be
// written again (Rewind) once the reading is over.
class FindingsInParts : public FindingSource {
public:
    static constexpr std::size_t kPart = 1024;

    void Publish(std::vector<HistoryFinding> part) {
        if (part.empty()) return;
        const std::lock_guard lock(mutex_);
        parts_.push_back(std::move(part));
        ready_.notify_one();
    }
    // The reading is over; `failure`, when set, is what stopped it.
    void Finish(std::exception_ptr failure) {
        const std::lock_guard lock(mutex_);
        done_ = true;
        failure_ = std::move(failure);
        ready_.notify_one();
    }
    std::span<const HistoryFinding> Next() override {
        std::unique_lock lock(mutex_);
        ready_.wait(lock, [&] { return next_ < parts_.size() || done_; });
        if (next_ < parts_.size()) return parts_[next_++];
        if (failure_) std::rethrow_exception(failure_);
        return {};
    }
    void Rewind() {
        const std::lock_guard lock(mutex_);
        next_ = 0;
    }

private:
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<std::vector<HistoryFinding>> parts_;  // never moved once handed over
    std::size_t next_ = 0;
    bool done_ = false;
    std::exception_ptr failure_;
};

}  // namespace

std::map<RecordKey, std::int64_t> LocateRecords(const LogReader& log, std::set<RecordKey> wanted) {
    std::map<RecordKey, std::int64_t> found;
    if (wanted.empty()) return found;
    std::set<std::pair<std::string, std::string>> keys;
    for (const RecordKey& k : wanted)
        if (k.occurrence == 0) keys.emplace(k.type, k.key);
    // Record number of each wanted key's record; -1 once a second record holds it.
    std::map<std::pair<std::string, std::string>, std::int64_t> holder;
    std::string ein;
    constexpr int kWindow = 2048;
    std::int64_t from = 0;
    for (;;) {
        const std::vector<RecordRow> rows = log.RecordsWindow(RecordSet::All, from, kWindow);
        for (const RecordRow& row : rows) {
            std::string type = Trimmed(row.record.substr(0, std::min<std::size_t>(2, row.record.size())));
            // The records of a block follow its RE record.
            if (type == "RE") ein = EinOf(row.record);
            std::string held = KeyOfRecord(type, row.record, ein);
            std::pair<std::string, std::string> key{std::move(type), std::move(held)};
            if (!keys.contains(key)) continue;
            const auto [at, first] = holder.emplace(std::move(key), row.recNum);
            if (!first) at->second = -1;
        }
        if (rows.size() < static_cast<std::size_t>(kWindow)) break;
        from = rows.back().recNum + 1;
    }
    for (const auto& [key, recNum] : holder)
        if (recNum >= 0) found.emplace(RecordKey{key.first, key.second, 0}, recNum);
    return found;
}

std::string RecordRun(const fs::path& folder, HistoryRun run, int keep, RunFindings& source,
                      const std::function<bool()>& keepWaiting, const std::function<bool()>& gate) {
    if (keep <= 0) return {};
    const fs::path file = RunHistory::PathIn(folder);
    try {
        run.when = Now();
        const std::vector<std::string> named = source.Files();  // the log's files as it names them
        run.files.resize(std::min(run.files.size(), named.size()));
        for (std::size_t i = run.files.size(); i < named.size(); ++i)
            run.files.push_back(HistoryFile{named[i], -1, {}, false});
        // The findings are read on a thread of their own while the history writes them:
        // reading the log and writing the history take about as long as each other.
        FindingsInParts findings;
        std::jthread reader([&](std::stop_token stop) {
            try {
                std::vector<HistoryFinding> part;
                part.reserve(FindingsInParts::kPart);
                const auto out = [&](HistoryFinding&& f) {
                    part.push_back(std::move(f));
                    if (part.size() == FindingsInParts::kPart) {
                        findings.Publish(std::exchange(part, {}));
                        part.reserve(FindingsInParts::kPart);
                    }
                };
                ForEachFinding(source, out, [&] { return !stop.stop_requested(); });
                findings.Publish(std::move(part));
                findings.Finish({});
            } catch (...) {
                findings.Finish(std::current_exception());
            }
        });
        try {
            RunHistory(file, true, keepWaiting).Add(run, findings, keep, gate);
        } catch (const HistoryError& e) {
            if (!e.damaged) throw;
            reader.join();
            findings.Rewind();
            // A damaged history is kept aside for whoever wants to look at it, with the few
            // set aside before it, and begun again.
            std::error_code ec;
            fs::remove(RunHistory::DamagedPathIn(folder, RunHistory::kDamagedCopies), ec);
            for (int n = RunHistory::kDamagedCopies - 1; n >= 1; --n)
                fs::rename(RunHistory::DamagedPathIn(folder, n), RunHistory::DamagedPathIn(folder, n + 1), ec);
            fs::rename(file, RunHistory::DamagedPathIn(folder, 1), ec);
            if (ec) throw;
            RunHistory(file, true, keepWaiting).Add(run, findings, keep, gate);
            std::string told = e.what();
            told += " It was set aside as ";
            told += RunHistory::DamagedPathIn({}, 1).filename().string();
            told += " and a new history begun.";
            return told;
        }
    } catch (const std::exception& e) {
        return std::string(e.what()) + " This run is not in the history; the error log is complete.";
    }
    return {};
}

}  // namespace quorvex
