#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace quorvex {

// The locks of a program folder, on the file quorvex.lock in it, each held while its object
// lives:
//  - Folder: one program per folder. The window holds it for as long as it is open,
//    quorvex-check for its test run.
//  - Run: a test run in progress. The run takes it for as long as it writes the log, and a
//    reader of the log or the history is refused while it is held.
//  - Reader: a reading mode (a report of the last log, the history): shared among readers,
//    held while they read, so that no run replaces the log under them. It waits for no one.
// None of them waits: a lock another program holds is InUse at once. The system lets go of a
// lock when the process ends, however it ends, so a crash never leaves the folder locked; the
// file itself stays. The lock file is used only when it is the user's own.
class FolderLock {
public:
    enum class State {
        Held,         // this object holds the lock
        InUse,        // another program holds it (or, for Run, reads the folder)
        Unavailable,  // the lock file cannot be made or locked (see Problem)
    };
    enum class Kind { Folder, Run, Reader };
    static constexpr std::string_view kFileName = "quorvex.lock";

    explicit FolderLock(const std::filesystem::path& folder, Kind kind = Kind::Folder);
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    State GetState() const { return state_; }
    // Why the lock is Unavailable: the lock file and the system's reason.
    const std::string& Problem() const { return problem_; }

private:
    int fd_ = -1;
    State state_ = State::Unavailable;
    std::string problem_;
};

}  // namespace quorvex
