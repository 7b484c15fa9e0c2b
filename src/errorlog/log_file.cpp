#include "errorlog/log_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <system_error>
#include <vector>

#include "common/safe_file.h"
#include "common/text_1252.h"
#include "errorlog/log_rows.h"
#include "errorlog/schema.h"
#include "errorlog/sqlite.h"

namespace quorvex {

namespace fs = std::filesystem;

namespace {

// How long a write waits for a reader of another program to let go of the file.
constexpr int kWriterBusyTimeoutMs = 30000;

// Refuses to replace a log that another program has open in a transaction, or that is read-only.
void CheckReplaceable(const fs::path& file) {
    // A file marked read-only is left alone, even for a user whom the system would let delete it.
    std::error_code ec;
    auto perms = fs::status(file, ec).permissions();
    bool readOnly = !ec && (perms & (fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write)) ==
                               fs::perms::none;
    if (readOnly || ::access(file.c_str(), W_OK) != 0) {
        int err = readOnly ? EACCES : errno;
        throw LogFailure{err, "The error log " + file.string() + " is read-only and cannot be replaced. The results "
                                  "of the last test were left as they are."};
    }
    try {
        sql::Database probe(file.string(), false);
        sqlite3_busy_timeout(probe.handle(), 200);
        // In exclusive locking mode the probe needs the file to itself in WAL mode too,
        // where a plain exclusive transaction would not wait for readers.
        probe.exec("PRAGMA locking_mode = EXCLUSIVE");
        probe.exec("BEGIN EXCLUSIVE");
        probe.exec("ROLLBACK");
    } catch (const sql::DbError& e) {
        if (e.code() == SQLITE_BUSY || e.code() == SQLITE_LOCKED)
            throw LogFailure{e.code(), "The error log " + file.string() +
                                           " is in use by another program. The results of the last test were "
                                           "left as they are; close the other program and try again."};
        // A damaged file is simply replaced.
    }
}

// Removes the log, then its journal and WAL files: a log that stays keeps the files it needs.
// A symbolic link is removed, never the file it points to.
void RemoveLogFiles(const fs::path& file) {
    std::error_code ec;
    if (!fs::remove(file, ec) && ec) {
        const int err = ec.value();
        if (err == EACCES || err == EPERM || err == EROFS)
            throw LogFailure{err, "The error log " + file.string() + " cannot be replaced: the folder " +
                                      file.parent_path().string() + " is read-only (" + ec.message() +
                                      "). The results of the last test were left as they are."};
        throw LogFailure{err, "Cannot delete " + file.string() + ": " + ec.message()};
    }
    for (const char* suffix : {"-journal", "-wal", "-shm"}) fs::remove(fs::path(file.string() + suffix), ec);
}

// RemoveLogFiles for a log that must not stay behind, whatever stops it.
void TryRemoveLogFiles(const fs::path& file) {
    try {
        RemoveLogFiles(file);
    } catch (const LogFailure&) {
    }
}

bool IsLogName(const std::string& name) {
    if (name.size() != kErrorLogName.size()) return false;
    for (std::size_t i = 0; i < name.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(name[i])) !=
            std::toupper(static_cast<unsigned char>(kErrorLogName[i])))
            return false;
    return true;
}

// Every regular file in `folder` named as the log in any case.
std::vector<fs::path> LogFilesIn(const fs::path& folder) {
    std::vector<fs::path> files;
    std::error_code ec;
    for (auto it = fs::directory_iterator(folder, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
        std::error_code typeError;
        if (IsLogName(it->path().filename().string()) && it->is_regular_file(typeError)) files.push_back(it->path());
    }
    return files;
}

// The program folder of a new log, made again when it was removed since the program started.
void NeedFolder(const fs::path& dir) {
    const std::string folder = dir.string();
    std::error_code ec;
    const fs::file_status status = fs::status(dir, ec);
    if (!fs::exists(status)) {
        // Private to its owner.
        fs::create_directories(dir, ec);
        if (!ec) fs::permissions(dir, fs::perms::owner_all, ec);
        if (ec)
            throw LogFailure{ec.value(), "The error log cannot be created: the program folder " + folder +
                                             " cannot be created (" + ec.message() + ")."};
    } else if (!fs::is_directory(status)) {
        throw LogFailure{ENOTDIR,
                         "The error log cannot be created: the program folder " + folder + " is not a folder."};
    }
}

// Makes the new log's empty file (the database takes an empty file as a new database), so
// that a failure is told with the folder and its cause rather than the database's
// "unable to open database file". A journal left behind by an earlier log is removed first:
// it must not be replayed into the new one.
void MakeLogFile(const fs::path& file) {
    const std::string folder = file.parent_path().string();
    NeedFolder(file.parent_path());
    RemoveLogFiles(file);
    // The database's limit holds for the name of the log's journal too, 8 characters longer.
    std::error_code ec;
    const std::size_t longest = static_cast<std::size_t>(sqlite3_vfs_find(nullptr)->mxPathname) - 8;
    const std::size_t length = fs::absolute(file, ec).string().size();
    if (length > longest)
        throw LogFailure{ENAMETOOLONG, "The error log cannot be created in " + folder + ": its path has " +
                                           std::to_string(length) + " characters, more than the " +
                                           std::to_string(longest) +
                                           " the database accepts. Choose a program folder with a shorter path."};
    // Readable by its owner only, whatever the umask: the log holds Social Security numbers
    // (its journal gets the same mode from the database engine).
    const int fd = CreatePrivateFile(file, O_RDWR);
    if (fd < 0) {
        const int err = errno;
        throw LogFailure{err, "The error log cannot be created in " + folder + ": " + std::strerror(err) + "."};
    }
    ::close(fd);
}

// Rolls the open transaction of `db` back and writes the critical notice of an incomplete
// log on the last record committed; returns that record's number, 0 when there is none.
std::int64_t KeepLastCommit(sql::Database& db, const fs::path& file, const std::string& cause) {
    // Back to the last commit: every record there is whole, with its errors and totals.
    if (sqlite3_get_autocommit(db.handle()) == 0) db.exec("ROLLBACK");
    std::int64_t kept = 0;
    {
        auto last = db.prepare("SELECT MAX(Rec_Num) FROM Records");
        kept = last.step() && !last.isNull(0) ? last.int64(0) : 0;
    }
    if (kept == 0) return 0;
    const std::string folder = Utf8ToCp1252(file.parent_path().string());
    db.exec("BEGIN");
    auto notice =
        db.prepare("INSERT INTO Errors (Type, Rec_Num, Reference, User_Entry, Error) VALUES ('C', ?1, ?2, ?3, ?4)");
    notice.bind(1, kept);
    notice.bindText(2, Cp1252ToUtf8(kLogIncompleteReference));
    notice.bindText(3, Cp1252ToUtf8(cause));
    notice.bindText(4, Cp1252ToUtf8("The error log in " + folder + " could not be written after this record (" + cause +
                                    "). The records after it are not in the log: these results are incomplete. "
                                    "Correct the cause and run the test again."));
    notice.run();
    auto bump = db.prepare(rows::ErrorsBump::kSql);
    rows::ErrorsBump{kept}.Bind(bump);
    bump.run();
    // The notice is the run's written end.
    db.exec(LogFile::MarkSql(false));
    db.exec("COMMIT");
    return kept;
}

}  // namespace

fs::path LogFile::PathIn(const fs::path& folder) { return folder / kErrorLogName; }

std::optional<fs::path> LogFile::Find(const fs::path& folder) {
    std::vector<fs::path> files = LogFilesIn(folder);
    if (files.empty()) return std::nullopt;
    return files.front();
}

void LogFile::DeleteMDB(const fs::path& folder) {
    for (int attempt = 0;; ++attempt) {
        try {
            // Every spelling of the name is checked before any is removed: one in use keeps them all.
            const std::vector<fs::path> files = LogFilesIn(folder);
            for (const fs::path& file : files) CheckReplaceable(file);
            for (const fs::path& file : files) RemoveLogFiles(file);
            return;
        } catch (const LogFailure&) {
            if (attempt == 1) throw;
        }
    }
}

sql::Database LogFile::Create(const fs::path& folder) {
    const fs::path file = PathIn(folder);
    // A new, empty file; a journal left behind by an earlier log must not be replayed into it.
    MakeLogFile(file);
    sql::Database db;
    try {
        db = sql::Database(file.string(), true);
        // Another program reading the file (a database browser, a backup) holds the writer
        // off for a while, not for good.
        sqlite3_busy_timeout(db.handle(), kWriterBusyTimeoutMs);
        db.exec(
            "PRAGMA encoding = 'UTF-8'; PRAGMA page_size = 16384; PRAGMA journal_mode = DELETE; PRAGMA synchronous = "
            "NORMAL; "
            "PRAGMA cache_size = -8000");
        db.exec("BEGIN");
        // Marked as in progress from its first commit on.
        db.exec(MarkSql(true));
        Create_Misc(db);
        Create_RECORDS(db);
        Create_ERRORS(db);
        Create_TRT(db);
        Create_TRU(db);
        db.exec("COMMIT");
    } catch (const sql::DbError& e) {
        db.close();
        throw NotCreated(folder, e);
    }
    return db;
}

LogFailure LogFile::NotCreated(const fs::path& folder, const sql::DbError& e) {
    // A log that was never ready is not left behind: it would read as a run without records.
    TryRemoveLogFiles(PathIn(folder));
    return LogFailure{e.code(), "The error log cannot be created in " + folder.string() + ": " + e.what() + "."};
}

std::string LogFile::MarkSql(bool inProgress) {
    return "PRAGMA user_version = " + std::to_string(inProgress ? kRunInProgressMark : 0);
}

bool LogFile::InProgress(sql::Database& db) {
    auto q = db.prepare("PRAGMA user_version");
    return q.step() && q.int64(0) == kRunInProgressMark;
}

LogFailure LogFile::EndIncomplete(sql::Database* db, const fs::path& file, const LogFailure& failure) {
    const std::string& cause = failure.description;
    std::int64_t kept = 0;
    if (db) {
        try {
            if (!db->isOpen()) *db = sql::Database(file.string(), false);
            kept = KeepLastCommit(*db, file, cause);
        } catch (const sql::DbError&) {
            kept = 0;
        }
        db->close();
    }
    std::string told = "The error log " + Utf8ToCp1252(file.string()) + " could not be written: " + cause;
    if (!told.empty() && told.back() != '.') told += '.';
    if (kept > 0) {
        told += " Testing stopped; the log keeps records 1 to " + std::to_string(kept) +
                ", and its last error says that it is incomplete.";
    } else {
        // Nothing that could be mistaken for a complete run stays behind.
        TryRemoveLogFiles(file);
        told += " Testing stopped; no error log was kept.";
    }
    return LogFailure{failure.number, told};
}

}  // namespace quorvex
