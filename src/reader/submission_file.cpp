#include "reader/submission_file.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

namespace quorvex {

namespace {
// How long a pipe is waited for before the run yields again.
constexpr int kPipeWaitMs = 20;
}  // namespace

SubmissionFile::SubmissionFile(const std::string& name, const std::function<void()>& idle)
    : idle_(idle), name_(name) {
    // Opened without waiting: a FIFO would wait here for the program that writes into it,
    // deaf to the window.
    while ((fd_ = ::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)) < 0) {
        const int err = errno;
        if (err == EINTR) {
            idle_();
            continue;
        }
        if (err == ENOENT || err == ENOTDIR)
            throw SubmissionFailure{SubmissionFailure::NotFound, err, std::strerror(err)};
        throw SubmissionFailure{SubmissionFailure::Other, err, std::strerror(err)};
    }
    struct stat& st = opened_;
    const int flags = ::fcntl(fd_, F_GETFL);
    if (::fstat(fd_, &st) != 0 || flags < 0 || ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        const int err = errno;
        Close();
        throw SubmissionFailure{SubmissionFailure::Other, err, std::strerror(err)};
    }
    if (S_ISDIR(st.st_mode)) {
        Close();
        throw SubmissionFailure{SubmissionFailure::Other, EISDIR, std::strerror(EISDIR)};
    }
    if (S_ISREG(st.st_mode)) length_ = static_cast<std::uint64_t>(st.st_size);
    // Anything else is open once it gives something (or ends): until then the earlier
    // log stays as it is.
    try {
        if (!length_)
            while (!Ready()) continue;
    } catch (...) {
        Close();
        throw;
    }
}

void SubmissionFile::DescribeOnClose(HistoryFile& out, std::uint64_t hashUpTo) {
    describeTo_ = &out;
    if (length_ && *length_ <= hashUpTo && done_ == 0) hash_.emplace();
}

void SubmissionFile::Close() {
    if (fd_ >= 0 && describeTo_) {
        try {
            Describe(*describeTo_);
        } catch (...) {  // memory ran out: the history knows nothing of the file
        }
    }
    describeTo_ = nullptr;
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

std::string_view SubmissionFile::Read(std::vector<char>& buffer, std::size_t size) {
    std::size_t want = size;
    if (length_) {
        const std::uint64_t left = *length_ - done_;
        if (left == 0) return {};
        want = static_cast<std::size_t>(std::min<std::uint64_t>(left, size));
    }
    buffer.resize(std::max(buffer.size(), want));
    std::size_t got = 0;
    while (got < want) {
        if (!length_ && !Ready()) continue;
        ssize_t r = ::read(fd_, buffer.data() + got, want - got);
        if (r < 0) {
            const int err = errno;
            if (err == EINTR) {
                idle_();
                continue;
            }
            throw SubmissionFailure{SubmissionFailure::Other, err, std::strerror(err)};
        }
        if (r == 0) {
            if (length_) {
                shortened_ = true;
                throw SubmissionFailure{SubmissionFailure::Unreadable, 62, "Input past end of file"};
            }
            break;
        }
        got += static_cast<std::size_t>(r);
        // A pipe gives what it holds: the piece goes on at once rather than wait for more.
        if (!length_) break;
    }
    done_ += got;
    if (hash_) hash_->Update(buffer.data(), got);
    return {buffer.data(), got};
}

bool SubmissionFile::HashRest() {
    std::array<char, 65536> piece;
    while (done_ < *length_) {
        const ssize_t r = ::read(fd_, piece.data(),
                                 static_cast<std::size_t>(std::min<std::uint64_t>(piece.size(), *length_ - done_)));
        if (r < 0 && errno == EINTR) continue;
        // A file that cannot be read further is kept without a hash.
        if (r < 0) hash_.reset();
        if (r <= 0) return r < 0;
        hash_->Update(piece.data(), static_cast<std::size_t>(r));
        done_ += static_cast<std::uint64_t>(r);
    }
    return true;
}

void SubmissionFile::Describe(HistoryFile& file) {
    if (!length_) return;
    // A hash of the whole file, as the run would have read it to its end.
    if (hash_ && !shortened_ && !HashRest()) shortened_ = true;
    struct stat now {}, named {};
    const auto same = [](const timespec& a, const timespec& b) { return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec; };
    file.changed = shortened_ || ::fstat(fd_, &now) != 0 || now.st_size != opened_.st_size ||
                   !same(now.st_mtim, opened_.st_mtim) || ::stat(name_.c_str(), &named) != 0 ||
                   named.st_dev != now.st_dev || named.st_ino != now.st_ino;
    file.size = static_cast<std::int64_t>(file.changed ? done_ : *length_);
    if (hash_ && !file.changed) file.sha256 = hash_->Hex();
    hash_.reset();
}

bool SubmissionFile::Ready() {
    pollfd p{fd_, POLLIN, 0};
    const int n = ::poll(&p, 1, kPipeWaitMs);
    if (n > 0) return true;
    if (n < 0 && errno != EINTR) {
        const int err = errno;
        throw SubmissionFailure{SubmissionFailure::Other, err, std::strerror(err)};
    }
    idle_();
    return false;
}

}  // namespace quorvex
