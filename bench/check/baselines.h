#pragma once

// The baselines of bench_check: the cheapest way to store the same records in an SQLite table.
//
// The floor is the bare insert a test run is held to: the log's Records table with all six
// columns, the log's page size and synchronous setting, one transaction, the engine's memory
// statistics off, 32 rows to an INSERT, the text bound in place from the mapped file, lines
// split with memchr (as /work/shared/bench/floor_insert.c does it). The two older baselines
// store one record to a statement, with the log's settings and with the engine's defaults.

#include <filesystem>

#include "check/measure.h"

namespace bench {

// The floor in a child process of its own (its engine starts with the memory statistics off);
// `stored` gets the number of rows. With `floorExe`, that program (`floorExe FILE DB`, which
// prints the number of rows) is run instead.
ChildRun FloorInsert(const std::filesystem::path& file, const std::filesystem::path& dbPath,
                     const std::filesystem::path& floorExe, long long& stored);

// Stores every record of `file` in a new Records table of `dbPath`, one record to a statement,
// after `pragmas` (nullptr: the engine's defaults), in this process. Returns the rows stored.
long long OneRowInsert(const std::filesystem::path& file, const std::filesystem::path& dbPath, const char* pragmas);

// The records of `file` as the floor cuts them (lines of at least 16 characters).
long long CountRecords(const std::filesystem::path& file);

// The settings LogFile::Create gives the error log before it creates its tables.
inline constexpr const char* kLogPragmas =
    "PRAGMA encoding = 'UTF-8'; PRAGMA page_size = 16384; PRAGMA journal_mode = DELETE; "
    "PRAGMA synchronous = NORMAL; PRAGMA cache_size = -8000";

}  // namespace bench
