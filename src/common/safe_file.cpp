#include "common/safe_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <streambuf>

namespace quorvex {

namespace fs = std::filesystem;

namespace {

std::atomic<unsigned> serial{0};

[[noreturn]] void Fail(const fs::path& target, int err) {
    throw FileWriteError("Could not write " + target.string() + ": " + std::strerror(err));
}

}  // namespace

// A stream buffer over the file descriptor; the first failed write is kept and reported at
// Commit.
class SafeFile::Buffer : public std::streambuf {
public:
    explicit Buffer(int fd) : fd_(fd) { setp(data_, data_ + sizeof data_); }
    int Error() const { return error_; }
    bool Flush() {
        const char* p = pbase();
        while (p < pptr() && error_ == 0) {
            const ssize_t n = ::write(fd_, p, static_cast<std::size_t>(pptr() - p));
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) error_ = errno;
            else p += n;
        }
        setp(data_, data_ + sizeof data_);
        return error_ == 0;
    }

protected:
    int_type overflow(int_type c) override {
        if (!Flush()) return traits_type::eof();
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            *pptr() = traits_type::to_char_type(c);
            pbump(1);
        }
        return traits_type::not_eof(c);
    }
    int sync() override { return Flush() ? 0 : -1; }

private:
    int fd_;
    int error_ = 0;
    char data_[64 * 1024];
};

SafeFile::SafeFile(fs::path target) : target_(std::move(target)) {
    struct stat st {};
    // What stands in the target's place: a link is looked through only to learn whether it
    // leads to something that is no regular file (a terminal, /dev/stdout).
    const bool exists = ::stat(target_.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode)) Fail(target_, EISDIR);
    if (exists && !S_ISREG(st.st_mode)) {
        // Written as it is: it cannot be replaced, and holds nothing to keep.
        do fd_ = ::open(target_.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
        while (fd_ < 0 && errno == EINTR);
        if (fd_ < 0) Fail(target_, errno);
    } else {
        // A regular file, a link to one or to nothing: the new file takes its place.
        const fs::path folder = target_.has_parent_path() ? target_.parent_path() : fs::path(".");
        temp_ = folder / ("." + target_.filename().string() + "." + std::to_string(::getpid()) + "." +
                          std::to_string(serial++) + ".new");
        do fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        while (fd_ < 0 && errno == EINTR);
        if (fd_ < 0) {
            temp_.clear();
            Fail(target_, errno);
        }
        // Private whatever the umask: reports hold Social Security numbers.
        ::fchmod(fd_, 0600);
    }
    buffer_ = std::make_unique<Buffer>(fd_);
    stream_ = std::make_unique<std::ostream>(buffer_.get());
}

SafeFile::~SafeFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!temp_.empty()) ::unlink(temp_.c_str());
}

std::ostream& SafeFile::Stream() { return *stream_; }

fs::path SafeFile::WriterPath() const {
    const fs::path own = "/proc/self/fd/" + std::to_string(fd_);
    struct stat mine {}, named {};
    if (fd_ >= 0 && ::fstat(fd_, &mine) == 0 && ::stat(own.c_str(), &named) == 0 && named.st_dev == mine.st_dev &&
        named.st_ino == mine.st_ino)
        return own;
    return temp_.empty() ? target_ : temp_;
}

void SafeFile::Commit() {
    if (fd_ < 0) throw FileWriteError("Could not write " + target_.string() + ": the file is closed");
    stream_->flush();
    int err = buffer_->Flush() ? 0 : buffer_->Error();
    if (err == 0 && !temp_.empty() && ::fsync(fd_) != 0) err = errno;
    if (::close(fd_) != 0 && err == 0 && errno != EINTR) err = errno;
    fd_ = -1;
    if (err == 0 && !temp_.empty() && ::rename(temp_.c_str(), target_.c_str()) != 0) err = errno;
    if (err != 0) Fail(target_, err);
    temp_.clear();
}

void WriteFileSafely(const fs::path& target, std::string_view bytes) {
    SafeFile file(target);
    file.Append(bytes);
    file.Commit();
}

}  // namespace quorvex
