#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace quorvex {

struct BlockRow;

// Where the field checks report what they find. In a test run the findings become
// `Errors` rows, block totals and links in the error log (LogFindings); in the record
// viewer they only mark the boxes of the faulty fields (ViewerFindings), and what only a
// run does is left undone. The checks never know which.
//
// All text arguments are code page 1252 bytes, as the record holds them.
class Findings {
public:
    virtual ~Findings() = default;

    // An ordinary error in the field with box index `fieldIndex` (0 = identifier).
    virtual void FieldError(std::string_view reference, std::string_view userEntry,
                            std::string_view errorText, int fieldIndex) = 0;

    // An error in RW money field `errRef` (1-24): also sets that block marker
    // (`F<errRef>ErrRef` of the newest TRT row) to the current SSN when it still holds "None".
    virtual void TRTFieldError(std::string_view reference, std::string_view userEntry,
                               std::string_view errorText, int fieldIndex, int errRef) = 0;
    // The same for RO money field `errRef` (1-17) on the newest TRU row.
    virtual void TRUFieldError(std::string_view reference, std::string_view userEntry,
                               std::string_view errorText, int fieldIndex, int errRef) = 0;

    // --- What only a run does ---------------------------------------------------------

    // Adds `amount` to column `column` of the newest TRT (TRU) row: 0 is the record count,
    // 1-24 (1-17) the money fields. With `linkRecord` the current `Records` row gets
    // `RecReference` = current SSN and `RE_Indx` = the block's `Indx`.
    virtual void AddTRT(int column, bool linkRecord, double amount) = 0;
    virtual void AddTRU(int column, bool linkRecord, double amount) = 0;

    // The SSN of the employee being checked (RW positions 3-11).
    virtual void SetCurrentSsn(std::string_view ssn) = 0;

    // `RecReference` of the current record (the RA record's EIN).
    virtual void SetRecReference(std::string_view reference) = 0;

    // An RE record opens an employer block with its EIN: a TRT and a TRU row, and the
    // record linked to it.
    virtual void OpenBlock(std::string_view ein) = 0;

    // An RT or RU record is linked to the newest employer block (its EIN and Indx).
    virtual void LinkToLastBlock() = 0;

    // The verdict on the RA User ID (box `fieldIndex`). A User ID that passed is not kept:
    // the run stores the record with eight asterisks at `first` (1-based) and keeps the
    // verdict in PinOK; the viewer, which re-checks that masked record, unmarks the box
    // when the run's verdict was a pass.
    virtual void UserIdChecked(bool passed, std::string_view txtline, int first, int fieldIndex) = 0;
};

// What the checks read back about the run so far: the block row a record is linked to
// and the number of RW records. A run answers from what it has written; the viewer from
// the log the run left.
class RunFacts {
public:
    virtual ~RunFacts() = default;
    virtual std::optional<BlockRow> TRTBlock(std::int64_t recNum) const = 0;
    virtual std::optional<BlockRow> TRUBlock(std::int64_t recNum) const = 0;
    virtual std::int64_t CountRW() const = 0;
};

}  // namespace quorvex
