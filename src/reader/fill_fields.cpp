#include "reader/fill_fields.h"

#include <string>

#include "errorlog/log_findings.h"
#include "errorlog/log_reader.h"
#include "reader/sequence.h"
#include "validation/layouts.h"
#include "validation/record_types.h"

namespace quorvex {

namespace {

int BoxCount(const RecordTypeRow* t) {
    return t && t->layout ? static_cast<int>(Layout(*t->layout).size()) : 1;
}

}  // namespace

void FillFields(std::string_view txtline, std::string_view idAsRead, std::string_view previousId,
                std::int64_t recCtr, FilingState& state, CheckContext& ctx, ErrorLog& log) {
    state.invalidIdentifier = false;
    state.sequenceError = false;
    // During a test run the record has no stored error yet: the single-critical test of the
    // viewer does not apply.
    std::string_view id = txtline.substr(0, std::min<std::size_t>(2, txtline.size()));
    const RecordTypeRow* type = FindRecordType(id);
    if (!type) {
        state.invalidIdentifier = true;
        return;
    }
    if (id == "RO") state.roSeen = true;
    if (id == "RS") state.rsSeen = true;
    if (recCtr >= 2 && CheckSequence(previousId, idAsRead, state.roSeen, state.rsSeen, log))
        state.sequenceError = true;
    if (id == "RE") {
        state.roSeen = false;
        state.rsSeen = false;
    }
    if (state.sequenceError) return;
    if (type->validator) type->validator(txtline, ctx);
}

ViewerCheck RecheckRecord(std::string_view txtline, std::int64_t recNum, const EmployerContext& employer,
                          const LogReader& log) {
    ViewerCheck result;
    // Does the record hold exactly one stored error, and is it critical?
    const std::vector<ErrorRow> errors = log.ErrorsOf(recNum);
    if (errors.size() == 1 && errors.front().critical) {
        result.singleCritical = true;
        result.sequenceOnly = errors.front().reference == kSequenceReference;
    }
    std::string_view id = txtline.substr(0, std::min<std::size_t>(2, txtline.size()));
    const RecordTypeRow* t = FindRecordType(id);
    result.boxCount = BoxCount(t);
    if (t && t->validator && !result.singleCritical) {
        ViewerFindings findings(id == "RA" && log.PinOK());
        ReaderFacts facts(log);
        CheckContext ctx{findings, facts, employer, recNum};
        t->validator(txtline, ctx);
        result.marked = findings.Marked();
        result.messages = findings.Messages();
    }
    if (!t) result.marked.insert(0);
    if (result.singleCritical && result.sequenceOnly) result.marked.insert(0);
    return result;
}

}  // namespace quorvex
