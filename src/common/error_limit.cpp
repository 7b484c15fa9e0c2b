#include "common/error_limit.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <string>

#include "common/safe_file.h"

namespace quorvex {

namespace {

constexpr const char* kKey = "[Maximum Error Count]:";

// What reading the file found.
struct ReadResult {
    int limit = 0;           // the limit, or 0 when there is none in range
    bool replaceable = true; // false for something that is not a regular file (a FIFO, a folder)
};

// The first line of a regular file (at most 4 KiB are read); nullopt when `file` is not
// a regular file once its symbolic links are followed. Opened without blocking, so that a
// FIFO in its place never hangs the program.
std::optional<std::string> FirstLine(const std::filesystem::path& file) {
    int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return std::string();
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    std::string text(4096, '\0');
    std::size_t got = 0;
    while (got < text.size()) {
        ssize_t r = ::read(fd, text.data() + got, text.size() - got);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) break;
        got += static_cast<std::size_t>(r);
    }
    ::close(fd);
    text.resize(got);
    return text.substr(0, text.find('\n'));
}

ReadResult ReadLimit(const std::filesystem::path& file) {
    const std::optional<std::string> first = FirstLine(file);
    if (!first) return {0, false};
    const std::string& line = *first;
    auto colon = line.find(':');
    if (colon == std::string::npos) return {};
    std::size_t i = colon + 1;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    long long value = 0;
    std::size_t digits = 0;
    for (; i < line.size() && line[i] >= '0' && line[i] <= '9'; ++i, ++digits) {
        if (value <= kMaxErrorLimit) value = value * 10 + (line[i] - '0');
    }
    if (digits == 0 || value < 1 || value > kMaxErrorLimit) return {};
    return {static_cast<int>(value), true};
}

}  // namespace

bool SaveErrorLimit(const std::filesystem::path& folder, int limit) {
    const std::filesystem::path file = folder / kErrorLimitFile;
    // Only a regular file or a symbolic link is replaced; a file marked read-only is kept.
    struct stat st {};
    if (::lstat(file.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode)) return false;
        // Marked read-only is left alone even for a user whom the system would let write it.
        if (S_ISREG(st.st_mode) && ((st.st_mode & 0222) == 0 || ::access(file.c_str(), W_OK) != 0)) return false;
    }
    // The new line goes into a file of its own that then takes the old one's place: a
    // symbolic link is replaced, never the file it points to, and no reader sees half a line.
    try {
        std::string line = kKey;
        line += std::to_string(limit);
        line += "\r\n";
        WriteFileSafely(file, line);
        return true;
    } catch (const FileWriteError&) {
        return false;
    }
}

int GetErrorLimit(const std::filesystem::path& folder) {
    // Another user's file, or one others may change, sets no limit and is left as it is.
    if (!ForeignFileProblem(folder / kErrorLimitFile).empty()) return kDefaultErrorLimit;
    const ReadResult read = ReadLimit(folder / kErrorLimitFile);
    if (read.limit) return read.limit;
    if (read.replaceable) SaveErrorLimit(folder, kDefaultErrorLimit);
    return kDefaultErrorLimit;
}

int ParseErrorLimitEntry(const std::string& entry) {
    std::size_t b = entry.find_first_not_of(" \t");
    if (b == std::string::npos) return 0;
    std::size_t e = entry.find_last_not_of(" \t");
    long long value = 0;
    for (std::size_t i = b; i <= e; ++i) {
        char c = entry[i];
        if (c < '0' || c > '9') return 0;
        value = value * 10 + (c - '0');
        if (value > kMaxErrorLimit) return 0;
    }
    return static_cast<int>(value);
}

}  // namespace quorvex
