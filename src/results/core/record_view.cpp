#include "results/core/record_view.h"

#include <string_view>

#include "common/hidden_ssn.h"
#include "common/terminal_text.h"
#include "common/text_1252.h"
#include "errorlog/log_findings.h"
#include "errorlog/log_reader.h"
#include "reader/fill_fields.h"
#include "validation/field_names.h"
#include "validation/layouts.h"
#include "validation/validators.h"

namespace quorvex {

namespace {

std::string_view Identifier(std::string_view txtline) {
    return txtline.substr(0, std::min<std::size_t>(2, txtline.size()));
}

bool InBlock(std::string_view id) { return id == "RW" || id == "RO" || id == "RT" || id == "RU"; }

// The context an RE record leaves: its own checks run again, their findings dropped.
EmployerContext ContextOf(const LogReader& log, std::string_view reRecord) {
    ViewerFindings dropped;
    ReaderFacts facts(log);
    CheckContext ctx{dropped, facts, {}, 0};
    CheckCodeRE(reRecord, ctx);
    return ctx.employer;
}

// Whether a stored error is about the identifier (record order, unknown identifier).
bool AboutIdentifier(const ErrorRow& e) { return e.reference.find("[Position 1 - 2]") != std::string::npos; }

}  // namespace

const EmployerContext& BlockContexts::For(const LogReader& log, const RecordRow& record) {
    if (!InBlock(Identifier(record.record)) || !record.reIndx) return none_;
    if (block_ != record.reIndx) {
        const std::optional<std::string> re = log.BlockRecord(*record.reIndx, record.recNum);
        context_ = re ? ContextOf(log, *re) : EmployerContext{};
        block_ = record.reIndx;
    }
    return context_;
}

std::optional<RecordView> ViewRecord(const LogReader& log, std::int64_t recNum, BlockContexts& contexts) {
    const std::optional<RecordRow> record = log.Record(recNum);
    if (!record) return std::nullopt;
    const std::string& txtline = record->record;
    const ViewerCheck check = RecheckRecord(txtline, recNum, contexts.For(log, *record), log);

    RecordView view;
    view.recNum = recNum;
    auto add = [&](int index, int first, int last, std::string_view caption) {
        ViewerRow row;
        row.index = index;
        row.first = first;
        row.last = last;
        row.caption = std::string(caption);
        row.value = std::string(Cut(txtline, first, last));
        row.marked = check.marked.count(index) > 0;
        if (const auto it = check.messages.find(index); it != check.messages.end()) row.messages = it->second;
        view.rows.push_back(std::move(row));
    };
    if (const std::optional<RecordType> type = RecordTypeOf(Identifier(txtline))) {
        for (const FieldLayout& f : Layout(*type)) add(f.index, f.first, f.last, f.ViewerCaption());
    } else {
        add(0, 1, 2, "Record Identifier");
    }
    // An identifier highlighted for its stored error (record order, unknown identifier)
    // says what that error says.
    ViewerRow& identifier = view.rows.front();
    if (identifier.marked && identifier.messages.empty()) {
        for (const ErrorRow& e : log.ErrorsOf(recNum))
            if (AboutIdentifier(e)) identifier.messages.push_back(e.error);
    }
    return view;
}

RecordView WithSsnHidden(RecordView view) {
    if (view.rows.empty() || view.rows.front().value != "RW") return view;
    for (ViewerRow& row : view.rows)
        if (row.index == rw::kSsn) row.value = MaskSsn(row.value);
    return view;
}

std::string RecordViewText(const RecordView& view) {
    std::string out;
    for (const ViewerRow& row : view.rows) {
        out += std::to_string(row.index) + '\t' + std::to_string(row.first) + '-' + std::to_string(row.last) + '\t' +
               Cp1252ToUtf8(row.caption) + "\t[" + TerminalValue(Cp1252ToUtf8(row.value)) + "]\t" +
               (row.marked ? "*" : "") + '\n';
    }
    return out;
}

}  // namespace quorvex
