#include "common/hidden_ssn.h"
#include "errorlog/log_reader.h"

namespace quorvex {

void HideSsns(ReportRow& row) {
    RecordRow& record = row.record;
    const std::string_view id = record.id;
    // The records that name an employer hold its EIN as their reference; the others an SSN.
    const bool ein = (id == "RA" || id == "RE" || id == "RT" || id == "RU") && !record.recReference.empty();
    std::string ssn = ein ? std::string() : record.recReference;
    // An RW record not linked to its block (it ended the run) still holds its SSN at 3-11.
    if (ssn.empty() && id == "RW" && record.record.size() >= 11) ssn = record.record.substr(2, 9);
    HideSsns(row.error.userEntry, ssn);
    // A message is the rule's text: the SSN it may hold is one the rule names ("123456789"),
    // not the record's, unless it follows "SSN#: ".
    HideSsns(row.error.error, {});
    HideSsns(record.record, ssn);
    if (!ein) record.recReference = MaskSsn(record.recReference);
}

}  // namespace quorvex
