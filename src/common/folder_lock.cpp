#include "common/folder_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace quorvex {

FolderLock::FolderLock(const std::filesystem::path& folder) {
    const std::filesystem::path file = folder / kFileName;
    // Not inherited by the programs the window starts (a browser): the lock ends with it.
    // A link in its place is not followed.
    do fd_ = ::open(file.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    while (fd_ < 0 && errno == EINTR);
    int rc = fd_ < 0 ? -1 : 0;
    if (rc == 0) {
        do rc = ::flock(fd_, LOCK_EX | LOCK_NB);
        while (rc != 0 && errno == EINTR);
    }
    if (rc == 0) {
        state_ = State::Held;
        return;
    }
    const int err = errno;
    state_ = err == EWOULDBLOCK ? State::InUse : State::Unavailable;
    if (state_ == State::Unavailable) problem_ = "the lock file " + file.string() + " cannot be used: " + std::strerror(err);
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

FolderLock::~FolderLock() {
    if (fd_ >= 0) ::close(fd_);
}

}  // namespace quorvex
