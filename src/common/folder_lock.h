#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace quorvex {

// One program at a time in a program folder: an exclusive lock (flock) on the file
// quorvex.lock in the folder, held while the object lives. Both programs take it before
// they touch anything there: quorvex-check for its whole run, the window for as long as it
// is open (its single-instance check). The system lets go of the lock when the process ends,
// however it ends, so a crash never leaves the folder locked; the file itself stays.
class FolderLock {
public:
    enum class State {
        Held,         // this object holds the lock
        InUse,        // another program holds it
        Unavailable,  // the lock file cannot be made or locked (see Problem)
    };
    static constexpr std::string_view kFileName = "quorvex.lock";

    explicit FolderLock(const std::filesystem::path& folder);
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
