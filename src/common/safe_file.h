#pragma once

#include <filesystem>
#include <functional>
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
// /dev/stdout) is written as it is, since it cannot be replaced, and so is a descriptor the
// program was given (/dev/stdout, /dev/fd/N), where the shell left it, whatever it leads to; in a folder anyone may
// write to that keeps each one's files their own (/tmp), such a target (or a link) is written only when it belongs to
// the user or to the folder's owner, never to a third user who could read what is written. A FIFO is opened without
// blocking and waited on for its reader in short steps, for as long as `keepWaiting` says yes; a signal ends the wait
// at once.
class SafeFile {
public:
    // Opens the new file. Throws FileWriteError (a folder in the target's place, a folder
    // that cannot be written, another user's FIFO, device or link in a shared folder, a FIFO
    // whose wait for a reader was ended).
    explicit SafeFile(std::filesystem::path target, const std::function<bool()>& keepWaiting = {});
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

// Creates `file` as a new file private to its owner (0600 whatever the umask), never through
// a link: open(2) with O_CREAT | O_NOFOLLOW | O_CLOEXEC and `flags` (O_EXCL, O_RDWR...).
// The descriptor, or -1 with errno set.
int CreatePrivateFile(const std::filesystem::path& file, int flags);

// Why a file of the program folder (the log, the history, the error limit, the lock) must
// not be used: it belongs to another user, or other users may write to it. A sentence
// naming `file`; empty when it is the user's own, or not there.
std::string ForeignFileProblem(const std::filesystem::path& file);
// The same for a database of the program folder (the log, the history): the file, or its
// journal, which would be played into it when it is opened.
std::string ForeignDatabaseProblem(const std::filesystem::path& file);

// Writes `bytes` as the whole content of `target` through a SafeFile.
void WriteFileSafely(const std::filesystem::path& target, std::string_view bytes);

}  // namespace quorvex
