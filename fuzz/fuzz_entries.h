#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace quorvex::fuzz {

// A property of the code that an input broke.
class Broken : public std::logic_error {
public:
    explicit Broken(const std::string& what) : std::logic_error(what) {}
};

// The entry points of the fuzz targets, shared with the test that replays the inputs kept
// in fuzz/regressions/. Each accepts any bytes; it throws Broken (or lets a sanitizer stop
// the program) when the code misbehaves.

// The record cutter, fed in pieces whose sizes come from the input, against a plain
// byte-by-byte model of it. Bytes 0-3 seed the piece sizes and the record after which
// cutting is stopped; the rest is the stream.
void CutRecords(const std::uint8_t* data, std::size_t size);

// A whole test run over a fresh error log. Byte 0 holds flags (two files, a missing second
// file, piece size, error limit, Exit during the run, today's date), bytes 1-2 the split of
// the rest into two files or the yield at which Exit is chosen; the rest is the submission.
void RunSubmission(const std::uint8_t* data, std::size_t size);

// One record's field checks in run mode (logging to a fresh error log) and then the record
// viewer's re-check of the stored record, which must mark fields exactly when the run
// logged errors. Bytes 0-511 are the record (padded with blanks); bytes 512-1023, when
// present, an RE record checked before it (its first two bytes read as "RE"). The
// identifier picks the checks; one that has none picks them by its first byte.
void CheckRecord(const std::uint8_t* data, std::size_t size);

}  // namespace quorvex::fuzz
