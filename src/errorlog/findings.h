#pragma once

#include <string_view>

namespace quorvex {

// Where the field checks report what they find. In a test run the findings become
// `Errors` rows and block totals in the error log (LogFindings); in the record viewer
// they only mark the boxes of the faulty fields (ViewerFindings). The checks never
// know which.
//
// All text arguments are code page 1252 bytes, as the record holds them.
class Findings {
public:
    virtual ~Findings() = default;

    // True while the record viewer re-checks a stored record: nothing may be written.
    virtual bool ViewerMode() const = 0;

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

    // Adds `amount` to column `column` of the newest TRT (TRU) row: 0 is the record count,
    // 1-24 (1-17) the money fields. With `linkRecord` the current `Records` row gets
    // `RecReference` = current SSN and `RE_Indx` = the block's `Indx`.
    virtual void AddTRT(int column, bool linkRecord, double amount) = 0;
    virtual void AddTRU(int column, bool linkRecord, double amount) = 0;

    // The SSN of the employee being checked (RW positions 3-11).
    virtual void SetCurrentSsn(std::string_view ssn) = 0;

    // Viewer only: paints box `fieldIndex` back in the normal colour (the RA User ID
    // that passed in the test run but is stored masked).
    virtual void Unmark(int /*fieldIndex*/) {}
};

}  // namespace quorvex
