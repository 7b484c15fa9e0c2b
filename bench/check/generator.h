#pragma once

// The generator of bench_check: a valid submission of the shape asked for, written with the
// tests' builder, with errors put into every K-th RW record when asked.

#include <filesystem>
#include <string>

#include "support/records.h"

namespace bench {

struct FileShape {
    long long records = 1'000'000;
    long long employers = 100;
    bool ro = false;
    bool allMoney = false;
    bool territories = false;
    long long faultEvery = 0;  // 0: none
};

// Shape of exactly `records` records in `employers` blocks (the RW records spread as evenly
// as possible, earlier blocks taking the remainder). Throws std::invalid_argument when
// `records` is too small to give each block at least one RW record.
quorvex::test::SubmissionShape ShapeForRecordCount(std::int64_t records, int employers, bool withRo);

// Writes the file and says so on the standard output; returns its record count.
long long Generate(const FileShape& shape, const std::filesystem::path& file);

// Puts an 'X' into the last digit of the Wages, Tips and Other Compensation (positions 188-198)
// of the K-th, 2K-th, ... RW record of the file `path`, written by WriteSubmission (records of
// 512 characters, each followed by CR LF). Returns the number of records changed.
long long PutFaults(const std::string& path, long long every);

}  // namespace bench
