#include "common/fingerprint_key.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <exception>
#include <stdexcept>

#include "common/safe_file.h"

namespace quorvex {

namespace {

constexpr std::size_t kKeyDigits = 64;

// The key `file` holds: its first line, when that is 64 hex digits. Empty when the file is
// missing, no regular file, or holds anything else.
std::string ReadKey(const std::filesystem::path& file) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return {};
    struct stat st {};
    std::array<char, kKeyDigits + 2> text{};
    const ssize_t n = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) ? ::read(fd, text.data(), text.size()) : -1;
    ::close(fd);
    if (n < static_cast<ssize_t>(kKeyDigits)) return {};
    const std::string key(text.data(), kKeyDigits);
    if (key.find_first_not_of("0123456789abcdef") != std::string::npos) return {};
    if (n > static_cast<ssize_t>(kKeyDigits) && text[kKeyDigits] != '\n') return {};
    return key;
}

std::string RandomKey() {
    std::array<unsigned char, kKeyDigits / 2> bytes{};
    std::size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::getrandom(bytes.data() + got, bytes.size() - got, 0);
        if (n > 0) got += static_cast<std::size_t>(n);
        else if (errno != EINTR)
            throw std::runtime_error(std::string("no random key could be made: ") + std::strerror(errno));
    }
    static constexpr char kHex[] = "0123456789abcdef";
    std::string key;
    for (unsigned char b : bytes) key.append({kHex[b >> 4], kHex[b & 0xF]});
    return key;
}

}  // namespace

FingerprintKey FolderFingerprintKey(const std::filesystem::path& folder) {
    const std::filesystem::path file = folder / kFingerprintKeyFile;
    if (std::string problem = ForeignFileProblem(file); !problem.empty()) return {RandomKey(), std::move(problem)};
    if (std::string key = ReadKey(file); !key.empty()) return {std::move(key), {}};
    std::string key = RandomKey();
    try {
        WriteFileSafely(file, key + "\n");
    } catch (const std::exception& failure) {
        return {std::move(key), failure.what()};
    }
    // Two programs that made a key at once both use the one that stayed.
    if (std::string kept = ReadKey(file); !kept.empty()) return {std::move(kept), {}};
    return {std::move(key), {}};
}

}  // namespace quorvex
