#include "reader/run_checks.h"

#include <utility>

#include "errorlog/error_log.h"
#include "reader/record_cutter.h"
#include "reader/sequence.h"
#include "validation/layouts.h"

namespace quorvex {

namespace {
// A broken rule of the order of records.
RunViolation OrderViolation(std::string_view id, std::string error) {
    return RunViolation{std::string(kSequenceReference), UserEntry(id), std::move(error)};
}
}  // namespace

bool EndOfFileMark(const RunRecord& r) { return r.recCtr > 1 && (r.id[0] == '\x1a' || r.id[0] == '\0'); }

std::optional<RunViolation> LeadingViolation(const RunRecord& r) {
    // The first records: a corrections file, RA first, RE second.
    if (r.recCtr == 1 && r.text.compare(0, 3, "RCA") == 0)
        return RunViolation{"Record Identifier [Position 1 - 2]", UserEntry(r.id),
                            "The first two characters in the tested file are RC. This appears to be an ZRW5C "
                            "formatted file. The Quorvex application should be used to test ZRW5 formatted files "
                            "only."};
    if (r.recCtr == 1 && r.id != "RA") return OrderViolation(r.id, "Record 1 must be RA record.");
    if (r.recCtr == 2 && r.id != "RE") return OrderViolation(r.id, "Record 2 must be RE record.");
    // An end-of-file mark with data in it after RF is a record after RF; any other ends the file.
    if (EndOfFileMark(r)) {
        if (r.previousId != "RF") return std::nullopt;
        for (char c : r.text)
            if (c != '\x1a' && c != '\0')
                return OrderViolation(r.id, "RF record must be last record in file.");
        return std::nullopt;
    }
    if (r.recCtr > 1 && r.previousId == "RF")
        return OrderViolation(r.id, "RF record must be last record in file.");
    if (r.length < kRecordLength)
        return RunViolation{"Record Length", std::to_string(r.length) + " bytes.",
                            "Must be 512 bytes for ZRW5 files. This condition may also be generated if the previous "
                            "record is greater than 512 bytes or if there is a Carriage Return/Line Feed within a "
                            "record."};
    return std::nullopt;
}

RunViolation InvalidIdentifier(std::string_view id) {
    return RunViolation{"Invalid Record Identifier [Position 1 - 2]", UserEntry(id),
                        "Enter appropriate code: RW, RO, RS, RT, RU, RV, or RF. This condition may also be caused by "
                        "an incorrect record length."};
}

std::optional<RunViolation> ErrorLimitViolation(std::int64_t errors, int limit) {
    if (errors < limit) return std::nullopt;
    const std::string n = std::to_string(limit);
    return RunViolation{
        n + " or more Errors in submission", n + " Errors",
        n + " or more errors were encountered. Please correct the errors identified in the submission and rerun "
            "Quorvex. Please note that the number of errors allowed before Quorvex stops testing can be set by the "
            "user to a number between 1 and 25,000. For information on how to set the error limitation, please look "
            "in the Help section located on the Quorvex Welcome Screen."};
}

RunViolation MissingFinalRecord(std::string_view lastId) {
    return OrderViolation(lastId, "Submission must not end with " + std::string(lastId) +
                                      " record. RF record was not found. Submission must end with a Final record.");
}

bool LogViolation(const std::optional<RunViolation>& v, ErrorLog& log) {
    if (!v) return false;
    log.LogCritError(v->reference, v->userEntry, v->error);
    return true;
}

}  // namespace quorvex
