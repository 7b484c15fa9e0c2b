#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "validation/check_context.h"

namespace quorvex {

class LogReader;
struct RecordRow;

// One row of the record field viewer: one field of the record's layout.
struct ViewerRow {
    int index = 0;        // box number: 0 is the identifier, then record order
    int first = 0;        // positions, 1-based and inclusive
    int last = 0;
    std::string caption;  // the viewer's caption of the field
    std::string value;    // the record's characters at those positions, exactly as stored
    bool marked = false;  // highlighted: the field fails its checks
    std::vector<std::string> messages;  // what the findings of a highlighted field say
};

// A stored record as the record field viewer shows it. Text is code page 1252.
struct RecordView {
    std::int64_t recNum = 0;
    std::vector<ViewerRow> rows;
};

// The employer context that each block's RE record left for the records of its block,
// restored from the log. The last block read is kept, so that moving through the
// records of one block reads its RE record once.
class BlockContexts {
public:
    // The context the checks of `record` had in the run: for an RW, RO, RT or RU record
    // the one its own block's RE record left (tax year as entered and as a number,
    // employment code, jurisdiction as entered and as accepted, valid flag); for any
    // other record the empty context of a record before the first RE record.
    const EmployerContext& For(const LogReader& log, const RecordRow& record);

private:
    std::optional<std::int64_t> block_;
    EmployerContext context_;
    EmployerContext none_;
};

// The one routine behind the record field viewer and `quorvex-check --show-record`: the
// rows of stored record `recNum` (captions and positions of its layout, values as
// stored) and the boxes to highlight, found by re-running the record's checks in viewer
// mode with the employer context of its own block. A record whose only stored error is
// critical is not re-checked; when that error is a record order error its identifier is
// highlighted. RS, RV and unknown identifiers show one row, the identifier, highlighted
// when unknown. Nothing is written. nullopt when the log has no record `recNum`; throws
// LogFailure when the log cannot be read.
std::optional<RecordView> ViewRecord(const LogReader& log, std::int64_t recNum, BlockContexts& contexts);

// The view as the command line prints it, one line per row:
// "<index>\t<first>-<last>\t<caption>\t[<value>]\t" followed by "*" for a highlighted
// box, in UTF-8, the value escaped as TerminalValue does (a tab or a line feed in it cuts
// no row).
std::string RecordViewText(const RecordView& view);

// The view with the SSN of an RW record masked (MaskSsn): what --show-record --redact prints.
RecordView WithSsnHidden(RecordView view);

}  // namespace quorvex
