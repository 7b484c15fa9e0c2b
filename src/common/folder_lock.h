#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace quorvex {

// The locks of a program folder, on three bytes of the file quorvex.lock in it, each held
// while its object lives:
//  - Folder (byte 0): one program per folder. The window holds it for as long as it is open,
//    quorvex-check for its test run. A window on a folder it may only read holds it shared
//    (FolderShared): it keeps runs out while it shows what the folder holds.
//  - Run (bytes 1 and 2): a test run in progress, from its start until its log and history
//    are written; a reader of the log or the history is refused while it is held.
//  - Reader (byte 1, shared): a reading mode (a report of the last log, the history), held
//    while it reads, so that no run replaces the log under it.
// None of them waits: a lock another program holds is InUse at once. A run waits for the
// readers before it in steps (TryAgain), and readers must not keep it out for good, however
// many of them come one after another. So the run first takes byte 2 and keeps it: that says
// "a run is waiting for its turn". A reader takes byte 1 shared and then looks at byte 2; when
// a run has claimed it, the reader lets go at once and is refused as during a run. The readers
// that were reading when the run came finish; no new one gets in; the run has byte 1 at its
// next try.
// The system lets go of a lock when the process ends, however it ends, so a crash never
// leaves the folder locked; the file itself stays. The lock file is used only when it is the
// user's own. A reader never makes the file: where there is none (a folder no program has
// locked yet, a folder the user may only read), no run can be in progress, and the reader
// holds nothing.
class FolderLock {
public:
    enum class State {
        Held,         // this object holds the lock
        InUse,        // another program holds it (for Run: reads the folder, or runs there)
        Unavailable,  // the lock file cannot be made or locked (see Problem)
    };
    enum class Kind { Folder, FolderShared, Run, Reader };
    static constexpr std::string_view kFileName = "quorvex.lock";

    explicit FolderLock(const std::filesystem::path& folder, Kind kind = Kind::Folder);
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    State GetState() const { return state_; }
    // Why the lock is Unavailable: the lock file and the system's reason.
    const std::string& Problem() const { return problem_; }
    // Run, InUse: tries again to take the run, its turn kept meanwhile; the new state.
    State TryAgain();

private:
    // Takes byte `byte` of the open file (shared or alone); 0, or the system's error.
    int Take(int byte, bool shared);
    // Whether another program has claimed byte `byte`.
    bool Claimed(int byte) const;
    void Close();

    int fd_ = -1;
    Kind kind_;
    bool turn_ = false;  // Run: byte 2 is held
    State state_ = State::Unavailable;
    std::string problem_;
    std::filesystem::path file_;
};

}  // namespace quorvex
