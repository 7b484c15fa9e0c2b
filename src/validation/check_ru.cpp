#include <optional>
#include <string_view>

#include "errorlog/block_row.h"
#include "errorlog/findings.h"
#include "validation/check_context.h"
#include "validation/check_primitives.h"
#include "validation/field_names.h"
#include "validation/layouts.h"
#include "validation/money_total.h"
#include "validation/validators.h"

namespace quorvex {

void CheckCodeRU(std::string_view txtline, CheckContext& ctx) {
    ctx.findings.LinkToLastBlock();

    const std::optional<BlockRow> row = ctx.facts.TRUBlock(ctx.recNum);
    const BlockRow* block = row ? &*row : nullptr;

    const RecordText rec(txtline);
    const auto fields = Layout(RecordType::RU);
    TotalCountCheck(rec, Totals::RU, fields[ru::kRoCount], block, ctx.findings);

    // The totals first, then the two blank fields (boxes 10 and 20).
    for (std::size_t i = ru::kRoCount + 1; i < fields.size(); ++i) {
        if (fields[i].cls == FieldClass::Money) TotalMoneyCheck(rec, Totals::RU, fields[i], block, ctx.findings);
    }
    for (std::size_t i = ru::kRoCount + 1; i < fields.size(); ++i) {
        if (fields[i].cls == FieldClass::Blank) CheckChars(ctx.findings, rec, fields[i]);
    }
}

}  // namespace quorvex
