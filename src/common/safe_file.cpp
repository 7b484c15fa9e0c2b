#include "common/safe_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <streambuf>

namespace quorvex {

namespace fs = std::filesystem;

namespace {

std::atomic<unsigned> serial{0};

[[noreturn]] void Fail(const fs::path& target, const std::string& reason) {
    std::string text = "Could not write ";
    text += target.string();
    text += ": ";
    text += reason;
    throw FileWriteError(text);
}

[[noreturn]] void Fail(const fs::path& target, int err) { Fail(target, std::strerror(err)); }

fs::path FolderOf(const fs::path& path) { return path.has_parent_path() ? path.parent_path() : fs::path("."); }

// The rule the kernel applies to links and FIFOs in /tmp (protected_symlinks,
// protected_fifos), kept whatever the system's setting: in a folder every user may write to
// that keeps each one's files their own (sticky), a file there is used only when it belongs
// to this user or to the folder's owner. Anyone else could read what is written to their
// FIFO, or point their link anywhere.
bool OtherUsersIn(const fs::path& folder, uid_t owner) {
    struct stat dir {};
    if (::stat(folder.c_str(), &dir) != 0) return false;
    const bool shared = (dir.st_mode & S_ISVTX) && (dir.st_mode & S_IWOTH);
    return shared && owner != ::geteuid() && owner != dir.st_uid;
}

constexpr const char* kOtherUsers = "it belongs to another user in a folder shared by all users; it is not used";

// Where the link `target` leads, as a name on disk; empty when it leads to no named file (an
// open pipe of /dev/stdout or /dev/fd/N: the process holds it already).
fs::path Destination(const fs::path& target) {
    const std::string text = target.string();
    if (text.rfind("/dev/", 0) == 0 || text.rfind("/proc/", 0) == 0) return {};
    char resolved[PATH_MAX];
    return ::realpath(target.c_str(), resolved) ? fs::path(resolved) : fs::path();
}

// The descriptor `target` names when it is one the program was given (/dev/stdout,
// /dev/stderr, /dev/fd/N, /proc/self/fd/N) and is open; -1 otherwise.
int GivenDescriptor(const fs::path& target) {
    const std::string name = target.string();
    int fd = -1;
    if (name == "/dev/stdout") fd = 1;
    if (name == "/dev/stderr") fd = 2;
    for (const char* prefix : {"/dev/fd/", "/proc/self/fd/"}) {
        const std::string_view p(prefix);
        if (name.size() > p.size() && name.size() <= p.size() + 4 && name.compare(0, p.size(), p) == 0 &&
            name.find_first_not_of("0123456789", p.size()) == std::string::npos)
            fd = std::atoi(name.c_str() + p.size());
    }
    return fd >= 0 && ::fcntl(fd, F_GETFD) >= 0 ? fd : -1;
}

// Whether `target` is written as it is, being no regular file (a terminal, a pipe,
// /dev/null), rather than replaced by a new file; `named` is what stands in its place, `st`
// what that leads to. Throws for a folder, and for another user's special file in a shared
// folder.
bool WrittenInPlace(const fs::path& target, struct stat& named, struct stat& st) {
    const bool listed = ::lstat(target.c_str(), &named) == 0;
    const bool special = listed && !S_ISREG(named.st_mode) && !S_ISDIR(named.st_mode);
    if (special && OtherUsersIn(FolderOf(target), named.st_uid)) Fail(target, kOtherUsers);
    // What stands in the target's place: a link is looked through only to learn whether it
    // leads to something that is no regular file (a terminal, /dev/stdout).
    const bool exists = ::stat(target.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode)) Fail(target, EISDIR);
    return exists && !S_ISREG(st.st_mode);
}

// Opens `target` for writing without blocking. A FIFO without a reader is waited on in
// steps, never in a blocking open that no signal ends, for as long as `keepWaiting` says yes.
// The descriptor, or -1 with errno set.
int OpenWaitingForReader(const fs::path& target, bool fifo, const std::function<bool()>& keepWaiting) {
    for (;;) {
        const int fd = ::open(target.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        if (fd >= 0 || (errno != ENXIO && errno != EINTR) || !fifo) return fd;
        if (keepWaiting && !keepWaiting()) Fail(target, "no program read it before the wait was ended");
        const timespec step{0, 20 * 1000 * 1000};
        if (::nanosleep(&step, nullptr) != 0 && errno == EINTR)
            Fail(target, "the wait for a program to read it was ended by a signal");
    }
}

// Opens `target`, which WrittenInPlace found to be no regular file, to be written as it is:
// it cannot be replaced, and holds nothing to keep. The descriptor, blocking again once open.
int OpenInPlace(const fs::path& target, const struct stat& named, const struct stat& st,
                const std::function<bool()>& keepWaiting) {
    if (S_ISLNK(named.st_mode))
        if (const fs::path to = Destination(target); !to.empty() && OtherUsersIn(FolderOf(to), st.st_uid))
            Fail(target, kOtherUsers);
    const int fd = OpenWaitingForReader(target, S_ISFIFO(st.st_mode), keepWaiting);
    if (fd < 0) Fail(target, errno);
    struct stat opened {};
    if (::fstat(fd, &opened) != 0 || opened.st_dev != st.st_dev || opened.st_ino != st.st_ino) {
        ::close(fd);
        Fail(target, "it was replaced while it was opened");
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

// The name of the new file that takes `target`'s place: hidden, and unique to this process
// and this write.
std::string NewFileName(const fs::path& target) {
    std::string name = ".";
    name += target.filename().string();
    name += '.';
    name += std::to_string(::getpid());
    name += '.';
    name += std::to_string(serial++);
    name += ".new";
    return name;
}

}  // namespace

int CreatePrivateFile(const fs::path& file, int flags) {
    int fd = -1;
    do fd = ::open(file.c_str(), flags | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    while (fd < 0 && errno == EINTR);
    // Private whatever the umask: these files hold Social Security numbers.
    if (fd >= 0) ::fchmod(fd, 0600);
    return fd;
}

std::string ForeignFileProblem(const fs::path& file) {
    struct stat st {};
    if (::lstat(file.c_str(), &st) != 0) return {};
    if (st.st_uid != ::geteuid()) return file.string() + " belongs to another user";
    if (!S_ISLNK(st.st_mode) && (st.st_mode & S_IWOTH)) return file.string() + " can be changed by other users";
    return {};
}

std::string ForeignDatabaseProblem(const fs::path& file) {
    for (const fs::path& own : {file, fs::path(file.string() + "-journal")})
        if (std::string problem = ForeignFileProblem(own); !problem.empty()) return problem;
    return {};
}

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

SafeFile::SafeFile(fs::path target, const std::function<bool()>& keepWaiting) : target_(std::move(target)) {
    struct stat named {}, st {};
    if (const int given = GivenDescriptor(target_); given >= 0) {
        // A descriptor the program was given is written where the shell left it (> or >>),
        // whatever it leads to: a regular file there is never replaced by a new one in /dev.
        fd_ = ::fcntl(given, F_DUPFD_CLOEXEC, 3);
        if (fd_ < 0) Fail(target_, errno);
    } else if (WrittenInPlace(target_, named, st)) {
        fd_ = OpenInPlace(target_, named, st, keepWaiting);
    } else {
        // A regular file, a link to one or to nothing: the new file takes its place.
        temp_ = FolderOf(target_) / NewFileName(target_);
        fd_ = CreatePrivateFile(temp_, O_WRONLY | O_EXCL);
        if (fd_ < 0) {
            temp_.clear();
            Fail(target_, errno);
        }
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
    if (fd_ < 0) Fail(target_, "the file is closed");
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
