#include "common/folder_lock.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "common/safe_file.h"

namespace quorvex {

namespace {

// The bytes of the lock file.
constexpr int kFolderByte = 0;
constexpr int kRunByte = 1;
constexpr int kTurnByte = 2;  // a run that waits for its turn, or runs

bool Taken(int err) { return err == EAGAIN || err == EACCES; }

}  // namespace

FolderLock::FolderLock(const std::filesystem::path& folder, Kind kind) : kind_(kind), file_(folder / kFileName) {
    const bool reading = kind == Kind::Reader || kind == Kind::FolderShared;
    // Not inherited by the programs the window starts (a browser): the lock ends with it.
    // A link in its place is not followed.
    const int flags = (reading ? O_RDONLY : O_RDWR | O_CREAT) | O_CLOEXEC | O_NOFOLLOW;
    do fd_ = ::open(file_.c_str(), flags, 0644);
    while (fd_ < 0 && errno == EINTR);
    const int err = fd_ < 0 ? errno : 0;
    if (reading && err == ENOENT) {
        // No program ever locked the folder (or none could: it is read-only), so no run is in
        // progress there.
        state_ = State::Held;
        return;
    }
    // Another user's lock file could be held by them for good.
    if (const std::string foreign = ForeignFileProblem(file_); err == 0 && !foreign.empty()) {
        problem_ = "the lock file " + foreign;
        Close();
        return;
    }
    if (err != 0) {
        problem_ = "the lock file " + file_.string() + " cannot be used: " + std::strerror(err);
        return;
    }
    int rc = 0;
    switch (kind) {
        case Kind::Folder: rc = Take(kFolderByte, false); break;
        case Kind::FolderShared: rc = Take(kFolderByte, true); break;
        case Kind::Reader:
            rc = Take(kRunByte, true);
            // A run waits for its turn: new readers step aside.
            if (rc == 0 && Claimed(kTurnByte)) rc = EAGAIN;
            break;
        case Kind::Run: TryAgain(); return;
    }
    state_ = rc == 0 ? State::Held : Taken(rc) ? State::InUse : State::Unavailable;
    if (state_ == State::Unavailable)
        problem_ = "the lock file " + file_.string() + " cannot be used: " + std::strerror(rc);
    if (state_ != State::Held) Close();
}

FolderLock::~FolderLock() { Close(); }

FolderLock::State FolderLock::TryAgain() {
    if (kind_ != Kind::Run || fd_ < 0 || state_ == State::Held) return state_;
    // The turn first, kept while the readers before it finish; then the run itself.
    int rc = turn_ ? 0 : Take(kTurnByte, false);
    turn_ = rc == 0;
    if (rc == 0) rc = Take(kRunByte, false);
    if (rc == 0) return state_ = State::Held;
    if (Taken(rc)) return state_ = State::InUse;
    problem_ = "the lock file " + file_.string() + " cannot be used: " + std::strerror(rc);
    Close();
    return state_ = State::Unavailable;
}

int FolderLock::Take(int byte, bool shared) {
    // A lock of the open file itself (not of the process): two objects of one program
    // exclude each other as two programs do.
    struct flock range {};
    range.l_type = shared ? F_RDLCK : F_WRLCK;
    range.l_whence = SEEK_SET;
    range.l_start = byte;
    range.l_len = 1;
    int rc = 0;
    do rc = ::fcntl(fd_, F_OFD_SETLK, &range);
    while (rc != 0 && errno == EINTR);
    return rc == 0 ? 0 : errno;
}

bool FolderLock::Claimed(int byte) const {
    struct flock range {};
    range.l_type = F_RDLCK;
    range.l_whence = SEEK_SET;
    range.l_start = byte;
    range.l_len = 1;
    return ::fcntl(fd_, F_OFD_GETLK, &range) == 0 && range.l_type != F_UNLCK;
}

void FolderLock::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    turn_ = false;
}

}  // namespace quorvex
