#pragma once

#include <filesystem>
#include <memory>
#include <ostream>
#include <stdexcept>
#include <string>
#include <string_view>

namespace quorvex {

// A file that could not be written; the message names it and the cause.
class FileWriteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The one way every program here writes a file of its own (reports, findings, the HTML page):
// into a new file beside the target, private to its owner (0600 whatever the umask), which
// takes the target's place when it is complete. A failed or abandoned write leaves the old
// file, or none, never a part of one; a symbolic link in the target's place is replaced,
// never written through. A target that is no regular file (a terminal, a pipe, /dev/null,
// /dev/stdout) is written as it is, since it cannot be replaced.
class SafeFile {
public:
    // Opens the new file. Throws FileWriteError (a folder in the target's place, a folder
    // that cannot be written).
    explicit SafeFile(std::filesystem::path target);
    // Without Commit, the new file is removed and the target stays as it was.
    ~SafeFile();
    SafeFile(const SafeFile&) = delete;
    SafeFile& operator=(const SafeFile&) = delete;

    // The stream the content goes to.
    std::ostream& Stream();
    void Append(std::string_view bytes) { Stream().write(bytes.data(), static_cast<std::streamsize>(bytes.size())); }
    // Writes out what is buffered, and renames the new file into the target's place.
    // Throws FileWriteError; the target then stays as it was.
    void Commit();

    // The name under which a writer that opens files by name itself (QPrinter writing a PDF)
    // writes the content instead of Stream(): a name of the very file this object opened
    // (/proc/self/fd/N), so that no link put in the new file's place in the meantime is
    // followed; the new file's own name where /proc is not mounted. Commit then puts what
    // that writer wrote, once it has closed the file, in the target's place.
    std::filesystem::path WriterPath() const;

private:
    class Buffer;
    std::filesystem::path target_;
    std::filesystem::path temp_;  // empty when the target is written as it is
    int fd_ = -1;
    std::unique_ptr<Buffer> buffer_;
    std::unique_ptr<std::ostream> stream_;
};

// Writes `bytes` as the whole content of `target` through a SafeFile.
void WriteFileSafely(const std::filesystem::path& target, std::string_view bytes);

}  // namespace quorvex
