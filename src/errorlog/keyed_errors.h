#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "errorlog/block_records.h"
#include "errorlog/log_reader.h"

namespace quorvex {

// What the run history reads of a run's errors, kept by the ErrorLog that writes them as it
// hands the rows over, so that the history need not read them back: the errors as logged,
// and of each record with errors what keys it (its identifier, block and first
// LogReader::kKeyChars characters), whose read from the file touches every page of the
// Records table when errors are many. Once the rows are written it holds what the file holds.
// Bounded: past kMost errors or records, it is no longer Complete and the errors are read
// from the file; a record it does not hold is read from the file.
class KeyedErrors : public BlockRecords {
public:
    struct Head {
        std::int64_t recNum = 0;
        std::string id;
        std::optional<std::int64_t> reIndx;
        std::string text;  // the record's first kKeyChars characters
    };
    static constexpr std::size_t kMost = std::size_t{1} << 16;

    void KeepRecord(std::int64_t recNum, std::string_view id, std::optional<std::int64_t> reIndx,
                    std::string_view record);
    // The Errors row just handed over (its Err_Num is not kept).
    void KeepError(bool critical, std::int64_t recNum, std::string_view reference, std::string_view userEntry,
                   std::string_view error);
    // An RE record, with errors or none: the keys of its block's records come from it.
    void KeepBlockRecord(std::int64_t recNum, std::optional<std::int64_t> reIndx, std::string_view record);
    // The path of a file, as its Misc row holds it.
    void KeepFile(std::string_view pathUtf8) { files_.emplace_back(pathUtf8); }
    // The record is taken back (its errors stay, as in the file).
    void Forget(std::int64_t recNum);
    // What was handed over may not all be in the file: the errors are read from there from now on.
    void Clear();
    const Head* Find(std::int64_t recNum) const;
    bool Complete() const { return complete_; }
    // Complete, and holding every record with errors, every RE record and every file: the
    // history of the run needs nothing of the file, which may not yet hold it all.
    bool Whole() const { return complete_ && whole_; }
    // What LogReader::BlockRecord reads, of the first LogReader::kKeyChars characters. Of a
    // Whole set only.
    std::optional<std::string> BlockRecord(std::int64_t reIndx, std::int64_t upTo) const override;
    const std::vector<std::string>& Files() const { return files_; }
    // The errors, which leave it incomplete.
    std::vector<ErrorRow> TakeErrors() {
        complete_ = false;
        return std::exchange(errors_, {});
    }

private:
    std::vector<Head> heads_;   // by record number
    std::vector<Head> blocks_;  // the RE records, by record number
    std::vector<ErrorRow> errors_;
    std::vector<std::string> files_;
    bool complete_ = true;
    bool whole_ = true;  // no record or RE record was left out
};

}  // namespace quorvex
