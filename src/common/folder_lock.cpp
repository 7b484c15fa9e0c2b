#include "common/folder_lock.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "common/safe_file.h"

namespace quorvex {

FolderLock::FolderLock(const std::filesystem::path& folder, Kind kind) {
    const std::filesystem::path file = folder / kFileName;
    // Not inherited by the programs the window starts (a browser): the lock ends with it.
    // A link in its place is not followed.
    do fd_ = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    while (fd_ < 0 && errno == EINTR);
    int err = fd_ < 0 ? errno : 0;
    bool taken = false;  // the lock, not the file, was refused
    // Another user's lock file could be held by them for good.
    if (const std::string foreign = ForeignFileProblem(file); err == 0 && !foreign.empty()) {
        state_ = State::Unavailable;
        problem_ = "the lock file " + foreign;
        ::close(fd_);
        fd_ = -1;
        return;
    }
    if (err == 0) {
        // A lock of the open file itself (not of the process): two objects of one program
        // exclude each other as two programs do. Byte 0 is the folder, byte 1 the run.
        struct flock range {};
        range.l_type = kind == Kind::Reader ? F_RDLCK : F_WRLCK;
        range.l_whence = SEEK_SET;
        range.l_start = kind == Kind::Folder ? 0 : 1;
        range.l_len = 1;
        int rc = 0;
        do rc = ::fcntl(fd_, F_OFD_SETLK, &range);
        while (rc != 0 && errno == EINTR);
        if (rc == 0) {
            state_ = State::Held;
            return;
        }
        err = errno;
        taken = err == EAGAIN || err == EACCES;
    }
    state_ = taken ? State::InUse : State::Unavailable;
    if (state_ == State::Unavailable)
        problem_ = "the lock file " + file.string() + " cannot be used: " + std::strerror(err);
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

FolderLock::~FolderLock() {
    if (fd_ >= 0) ::close(fd_);
}

}  // namespace quorvex
