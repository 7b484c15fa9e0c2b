#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace quorvex::bench {

// What a generated submission looks like. Every record is valid for tax year 2008:
// the file reconciles (RT/RU totals equal the sums of their block, RF counts every RW).
struct SubmissionShape {
    // Number of RW records of each employer block, in file order.
    std::vector<std::int64_t> blockSizes;
    // Blocks whose 0-based index is a multiple of `roEvery` carry one RO record after each
    // RW record and an RU record after their RT; 0 means no RO records at all.
    int roEvery = 0;
    // Fill every money field that the block's tax jurisdiction allows with a non-zero amount
    // (Military Employee B.Q.S.C. Pay stays zero: it must be zero for tax year 2008).
    bool allMoney = false;
    // Give the employer blocks the tax jurisdiction codes blank, P, V, G, S, N in turn
    // instead of blank everywhere, so that the territory amounts of the RO record appear.
    bool territories = false;
    std::uint64_t seed = 2008;
};

// Shape of `employers` blocks holding `employees` RW records each.
SubmissionShape UniformShape(int employers, std::int64_t employees);

// Shape of exactly `records` records in `employers` blocks (the RW records spread as evenly
// as possible, earlier blocks taking the remainder). Throws std::invalid_argument when
// `records` is too small to give each block at least one RW record.
SubmissionShape ShapeForRecordCount(std::int64_t records, int employers, bool withRo);

// Number of records the shape produces.
std::int64_t RecordCount(const SubmissionShape& shape);

struct WriteResult {
    std::int64_t records = 0;
    std::int64_t bytes = 0;
};

// Writes the submission, records separated by CR LF (the last one ends with CR LF too).
// Throws std::runtime_error on an I/O failure and std::invalid_argument for a shape the
// format cannot hold (more than 9,999,999 RW records in a block, no block, empty block).
WriteResult WriteSubmission(const SubmissionShape& shape, std::FILE* out);
WriteResult WriteSubmission(const SubmissionShape& shape, const std::string& path);

}  // namespace quorvex::bench
