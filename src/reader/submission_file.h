#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <sys/stat.h>

#include "common/sha256.h"
#include "errorlog/run_history.h"
#include "reader/record_cutter.h"

namespace quorvex {

// How a failure ends the run (the failure handler's cases): the file dialog cancelled, the
// file not found, its data unreadable, or anything else with its number and description.
struct SubmissionFailure {
    enum Kind { Cancelled, NotFound, Unreadable, Other } kind;
    int number = 0;
    std::string description;
};

// An open submission file; closed when the object goes. A regular file is read up to the
// length it had when it was opened; anything else (a pipe, a FIFO, a terminal) to its end,
// its length unknown. Such input is waited for a moment at a time, so the run can answer the
// window and signals while its writer is silent or has not come yet. Failures are thrown as
// SubmissionFailure.
class SubmissionFile {
public:
    // `idle` is called when a signal broke off opening, waiting or reading, and whenever a
    // pipe has had nothing to give for a moment; it throws when the run is to stop, else the
    // wait goes on.
    SubmissionFile(const std::string& name, const std::function<void()>& idle);
    ~SubmissionFile() { Close(); }
    SubmissionFile(const SubmissionFile&) = delete;
    SubmissionFile& operator=(const SubmissionFile&) = delete;

    void Close();
    // Whether the file is read up to a known length (a regular file), not to its end.
    bool Regular() const { return length_.has_value(); }
    // The length of a regular file; 0 when it is not known.
    std::uint64_t Length() const { return length_.value_or(0); }

    // Reads the next piece of at most `size` bytes; empty at the end of the file. A regular
    // file that got shorter while being read is unreadable.
    std::string_view Read(std::vector<char>& buffer, std::size_t size);

    // Fills in `out` (named as the run names the file) when the file is closed, however the
    // run ends: what the history keeps of it (HistoryFile). A regular file's length, and the
    // hash of one up to `hashUpTo` bytes, taken of the bytes as they are read (the rest read
    // first when the run ended before the file's end); or, when the file changed while it was
    // open (it is no longer as long, was written to, or its name now stands for another file
    // or none), the bytes read and that it changed. Nothing for a pipe. Before the first Read.
    void DescribeOnClose(HistoryFile& out, std::uint64_t hashUpTo);

private:
    // Whether input that is not a regular file can be read without waiting: data, its end
    // (no writer left, after one came) or a fault. Idles when it has none for a moment.
    bool Ready();

    // Reads and hashes what the run left of a hashed file; false when it ended early (the
    // hash is dropped when it cannot be read).
    bool HashRest();
    void Describe(HistoryFile& file);

    std::function<void()> idle_;
    std::string name_;
    int fd_ = -1;
    std::optional<std::uint64_t> length_;
    std::uint64_t done_ = 0;
    std::optional<Sha256> hash_;
    struct stat opened_ {};  // a regular file as it was opened
    bool shortened_ = false;  // it ended before its length
    HistoryFile* describeTo_ = nullptr;
};

// Reads `file` in pieces of `pieceSize` (into `buffer`) and cuts them into records with
// `cutter`, each handed to `onRecord(std::string&)`, the short last one included, until the
// end of the file or until `onRecord` returns false. Input that is not a regular file may
// complete no record for long: `pause(false)` is called after each of its pieces and
// `pause(true)` at its end, before its last record; `pause` throws when the run is to stop.
template <class OnRecord, class Pause>
void CutRecords(SubmissionFile& file, std::vector<char>& buffer, std::size_t pieceSize, RecordCutter& cutter,
                OnRecord&& onRecord, Pause&& pause) {
    bool more = true;
    while (more) {
        std::string_view piece = file.Read(buffer, pieceSize);
        if (piece.empty()) break;
        more = cutter.Feed(piece, onRecord);
        if (more && !file.Regular()) pause(false);
    }
    if (more && !file.Regular()) pause(true);
    if (more) cutter.Finish(onRecord);
}

}  // namespace quorvex
