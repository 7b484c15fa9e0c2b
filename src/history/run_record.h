#pragma once

#include <compare>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/sha256.h"
#include "errorlog/run_findings.h"
#include "errorlog/log_reader.h"
#include "history/record_key.h"
#include "errorlog/run_history.h"
#include "errorlog/log_failure.h"

namespace quorvex {

// The files whose content the history keeps a hash of: regular files up to this size (about
// 65,000 records). Hashing costs about half as much as testing with the processor's SHA
// instructions, several times as much without; a larger file is kept with its size alone, so
// that a large submission is tested as fast as without a history.
inline constexpr std::uint64_t kHashedFileBytes = 32u << 20;

// HMAC-SHA-256 under one key (RFC 2104): a hash of a message that only a holder of the key
// can make or test guesses against.
class HmacSha256 {
public:
    explicit HmacSha256(std::string_view key);
    ~HmacSha256();
    HmacSha256(const HmacSha256&) = delete;
    HmacSha256& operator=(const HmacSha256&) = delete;
    // The HMAC of `message`, 64 hex digits.
    std::string Hex(std::string_view message) const;

private:
    struct Pads;
    std::unique_ptr<Pads> pads_;
};

// `name` as it is on the disk now, to be compared with what the history keeps of it: its size
// and content hash (up to kHashedFileBytes), for a regular file only.
HistoryFile DescribeFile(const std::string& name, const std::filesystem::path& path);

// Where the records `wanted` stand in the log `log`, found in one pass over all its records:
// the key of each as the history makes it (RecordKeyer). Only a key that one record of the log holds is
// found: a key repeated in the log (or a wanted occurrence after the first) cannot be told
// apart, since the history counts occurrences among the records with findings only, and is
// left out rather than shown on the wrong record.
std::map<RecordKey, std::int64_t> LocateRecords(const LogReader& log, std::set<RecordKey> wanted);

// Appends `run` with `findings` (keyed by what their records hold: the SSN, the block's EIN)
// to the history in `folder`, keeping the last `keep` runs (none at all for 0); its time is
// now. `run` holds the run's own counts (counting a large log again would read it whole
// twice) and the files it tested as it read them, in the order of the log's files, named as
// the file system names them (never by the name as text, which may stand for another file);
// a file of the log's beyond them is kept by its name alone. Never throws: a history that is
// damaged (set aside as RunHistory.damaged.db, the earlier damaged copies kept under numbers,
// and begun again), another user's, locked or not writable gives the text that tells the user
// so; empty when all went well. A history held by another program is waited on while
// `keepWaiting` says yes. `gate`, when given, is asked last, before the run is committed to
// the history: false leaves the history as it was (the run's log did not end well).
std::string RecordRun(const std::filesystem::path& folder, HistoryRun run, int keep, RunFindings& findings,
                      const std::function<bool()>& keepWaiting = {}, const std::function<bool()>& gate = {});

}  // namespace quorvex
