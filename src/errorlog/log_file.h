#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "errorlog/log_failure.h"

namespace quorvex {

namespace sql {
class Database;
class DbError;
}  // namespace sql

// The one spelling of the error log's file name.
inline constexpr std::string_view kErrorLogName = "Errorlog.mdb";
// Reference of the critical error that ends a log its run could not finish writing.
inline constexpr std::string_view kLogIncompleteReference = "Error Log Incomplete";
// The mark a log carries in the database header (its user version) from its creation until
// the end of its run is written: a log that still has it was left by a program that ended
// before its test did (killed, a power cut), or is being written right now.
inline constexpr int kRunInProgressMark = 0x51525650;

// The error log as a file in the program folder: where it is, when the last one may be
// replaced, how a new one is made, what a run that could not finish its log leaves of it,
// and the in-progress mark. Nothing here knows the rows of a run.
class LogFile {
public:
    LogFile() = delete;

    // Path of the log in `folder`.
    static std::filesystem::path PathIn(const std::filesystem::path& folder);

    // The log in `folder` whatever the case of its name (a regular file), if there is one.
    static std::optional<std::filesystem::path> Find(const std::filesystem::path& folder);

    // DeleteMDB: removes the log in `folder` when there is one (any case of its name).
    // Refuses (throws LogFailure) when the file is read-only or locked by another program,
    // so that a log in use is left untouched.
    static void DeleteMDB(const std::filesystem::path& folder);

    // Makes a new log in `folder` (PathIn) with the five tables, marked as in progress, all
    // committed, and returns its connection, set up for writing. Throws LogFailure, after
    // removing whatever of the file was made.
    static sql::Database Create(const std::filesystem::path& folder);
    // The failure of a new log that could not be made ready for writing after Create (its
    // connection closed): the file is removed, since it would read as a run without records.
    static LogFailure NotCreated(const std::filesystem::path& folder, const sql::DbError& e);

    // The statement that sets (or clears) the in-progress mark; it takes effect with the
    // transaction it runs in.
    static std::string MarkSql(bool inProgress);
    // Whether the log of `db` still carries the in-progress mark.
    static bool InProgress(sql::Database& db);

    // After `failure` of the log `file`: leaves the file in one of the two states a run that
    // could not finish its log may leave, and closes `db`, the run's connection (null: none;
    // closed: opened again). The open transaction is rolled back, so the file holds the
    // records committed before the failure, each whole; a critical error
    // (kLogIncompleteReference) on the last of them, the log's last row, says that the log is
    // incomplete. When no record was committed, or that error cannot be written either, the
    // file is removed. Returns the failure to report: its number, and a description naming
    // the log, the cause and what was kept.
    static LogFailure EndIncomplete(sql::Database* db, const std::filesystem::path& file, const LogFailure& failure);
};

}  // namespace quorvex
