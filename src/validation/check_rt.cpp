#include <optional>
#include <string>
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

namespace {

// A Social Security or Medicare total that the employer's Employment Code rules out must
// be fifteen zeros.
void EmploymentCodeRule(const RecordText& rec, const FieldLayout& f, Findings& out) {
    if (Trim(rec.Cut(f)) == "000000000000000") return;
    std::string msg("The ");
    msg.append(f.caption)
        .append(" field must be zero, because it does not apply to the Employment Code entered in the RE ")
        .append("record. Either enter a value of zero in the ").append(f.caption)
        .append(" field or change the Employment Code in the RE record.");
    Report(out, rec, f, msg);
}

// Income Tax Withheld by Payer of Third-Party Sick Pay: all digits, and zero for an
// employer of Puerto Rico. No RW field adds into it.
void SickPayRule(const RecordText& rec, const FieldLayout& f, const CheckContext& ctx) {
    const std::string_view s = rec.Cut(f);
    if (!rec.Digits(f)) {
        Report(ctx.findings, rec, f, kMsgMoneyNotNumeric);
    } else if (ctx.employer.jurisdiction == 'P' && s != "000000000000000") {
        Report(ctx.findings, rec, f,
               "The Income Tax Withheld by Payer of Third-Party Sick Pay field must be zero, because it does not "
               "apply to the Tax Jurisdiction Code entered in the RE record. Either enter a value of zero in the "
               "Income Tax Withheld by Payer of Third-Party Sick Pay field or change the Tax Jurisdiction Code in "
               "the RE record to V, G, S, N or blank.");
    }
}

}  // namespace

void CheckCodeRT(std::string_view txtline, CheckContext& ctx) {
    ctx.findings.LinkToLastBlock();

    // The block's kept count and sums, found through the record's own link; the viewer
    // finds the block's final sums the same way.
    const std::optional<BlockRow> row = ctx.facts.TRTBlock(ctx.recNum);
    const BlockRow* block = row ? &*row : nullptr;

    const RecordText rec(txtline);
    const auto fields = Layout(RecordType::RT);
    TotalCountCheck(rec, Totals::RT, fields[rt::kRwCount], block, ctx.findings);

    const char code = ctx.employer.employmentCode;
    for (std::size_t i = rt::kRwCount + 1; i < fields.size(); ++i) {
        const FieldLayout& f = fields[i];
        if (f.cls == FieldClass::Blank) {
            CheckChars(ctx.findings, rec, f);
        } else if (f.index == rt::kSickPayTax) {
            SickPayRule(rec, f, ctx);
        } else {
            // Social Security Wages, Tax and Tips (columns 3, 4, 7) do not apply to
            // Employment Codes X and Q; the Medicare totals (5, 6) not to X.
            const bool socialSecurity = f.column == 3 || f.column == 4 || f.column == 7;
            const bool medicare = f.column == 5 || f.column == 6;
            if ((socialSecurity && (code == 'X' || code == 'Q')) || (medicare && code == 'X'))
                EmploymentCodeRule(rec, f, ctx.findings);
            TotalMoneyCheck(rec, Totals::RT, f, block, ctx.findings);
        }
    }
}

}  // namespace quorvex
