#include "validation/fixable_fields.h"

#include <vector>

#include "errorlog/log_reader.h"
#include "validation/field_names.h"
#include "validation/layouts.h"

namespace quorvex {

namespace {

// The findings of a total field that its right value answers: the two reconciliation
// messages ("The number of ...", "The sum of the ...") and the must-be-numeric ones.
constexpr std::string_view kAnswered[] = {"The number of ", "The sum of the ", "Must be numeric."};

std::vector<FixableField> MakeTable() {
    std::vector<FixableField> table;
    for (const auto& [type, id] : {std::pair{RecordType::RT, "RT"}, std::pair{RecordType::RU, "RU"}}) {
        for (const FieldLayout& f : Layout(type)) {
            if (f.column < 0) continue;
            const KeptValue kept = f.column == 0 ? KeptValue::BlockCount : KeptValue::BlockSum;
            table.push_back({Reference(f), {id, f.caption, f.first, f.last, kept, f.column}});
        }
    }
    const FieldLayout& rf = Field(RecordType::RF, rf::kRwCount);
    table.push_back({Reference(rf), {"RF", rf.caption, rf.first, rf.last, KeptValue::SubmissionCount, 0}});
    return table;
}

}  // namespace

std::span<const FixableField> FixableFields() {
    static const std::vector<FixableField> table = MakeTable();
    return table;
}

const FixTarget* FixableFinding(std::string_view id, std::string_view reference, std::string_view message) {
    if (id != "RT" && id != "RU" && id != "RF") return nullptr;
    bool answered = false;
    for (std::string_view start : kAnswered) answered = answered || message.starts_with(start);
    if (!answered) return nullptr;
    for (const FixableField& f : FixableFields())
        if (f.target.id == id && f.reference == reference) return &f.target;
    return nullptr;
}

std::optional<FieldFix> FixOf(LogFixes& fixes, const ErrorRow& e, const RecordRow& r) {
    const FixTarget* target = FixableFinding(r.id, e.reference, e.error);
    if (!target) return std::nullopt;
    return fixes.Of(e.recNum, r.record, *target);
}

}  // namespace quorvex
