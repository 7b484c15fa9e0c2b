#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "errorlog/block_row.h"

namespace quorvex {

class LogReader;

// What decides the right value of a total field: a kept value of the log.
enum class KeptValue {
    BlockCount,       // column "0" of the record's block row: its RW (RO) records
    BlockSum,         // a money column of the record's block row, when no amount of it was non-numeric
    SubmissionCount,  // the RW records of the whole run
};

// A field whose right value the log keeps: a total of an RT, RU or RF record.
struct FixTarget {
    std::string_view id;       // "RT", "RU" or "RF"
    std::string_view caption;  // the field's caption, as its findings name it
    int first = 0;             // its positions in the record
    int last = 0;
    KeptValue kept = KeptValue::BlockCount;
    int column = 0;            // the block column (TRT for RT, TRU for RU)
};

// The replacement of one field: its positions, what the record holds there, and the value
// the log decides, right-justified and zero-filled to the field's width. `text` is empty when
// that value does not fit the field; `description` then says why.
struct FieldFix {
    int first = 0;
    int last = 0;
    std::string reported;
    std::string text;
    std::string description;
};

// Turns findings into fixes from what the log keeps: the block rows (count, sums, the
// non-numeric markers) and the run's RW count. Nothing is stored: a log of any age gets its
// fixes. Reads a block row once for all the findings of one record in a row.
class LogFixes {
public:
    explicit LogFixes(const LogReader& log) : log_(log) {}

    // The fix of `target` in record `recNum` (`record` its text): nullopt when the log does
    // not decide the value (a sum an amount of which was not numeric, a record linked to no
    // block) or when the field already holds it.
    std::optional<FieldFix> Of(std::int64_t recNum, std::string_view record, const FixTarget& target);

private:
    const std::optional<BlockRow>& Block(std::int64_t recNum, bool ro);

    const LogReader& log_;
    std::int64_t blockRecNum_ = 0;
    std::optional<BlockRow> block_;
    std::optional<std::int64_t> rwCount_;
};

}  // namespace quorvex
