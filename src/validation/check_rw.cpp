#include "validation/check_rw.h"

#include <array>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "errorlog/findings.h"
#include "validation/check_context.h"
#include "validation/check_primitives.h"
#include "validation/field_names.h"
#include "validation/code_tables.h"
#include "validation/layouts.h"
#include "validation/money_total.h"
#include "validation/territory_money.h"
#include "validation/validators.h"

namespace quorvex {

using namespace rw;

namespace {

constexpr std::string_view kSsWagesAndTips =
    "The sum of the Social Security Wages [Position 210 - 220] and Social Security Tips [Position 254 - 264] ";

// "102000.00" -> "102,000.00": the pattern "###,###,###.00" of the wage-base message.
std::string WithThousands(std::string_view fixed) {
    const auto dot = fixed.find('.');
    const std::string_view whole = fixed.substr(0, dot);
    std::string out;
    for (std::size_t i = 0; i < whole.size(); ++i) {
        if (i > 0 && (whole.size() - i) % 3 == 0) out.push_back(',');
        out.push_back(whole[i]);
    }
    if (dot != std::string_view::npos) out.append(fixed.substr(dot));
    return out;
}

// What the money rules of one record share.
struct RwMoney {
    const RecordText& rec;
    CheckContext& ctx;
    int year;            // tax year number of the employer, 0 when not numeric
    bool yearNumeric;    // the tax year text is numeric
    char code;           // Employment Code of the employer
    WageBases limits;    // zero when the year is outside 1978-2008
    // The money fields the rules name (boxes 16-22), tested and read once: most rules look
    // at several of them. Element 0 is box kWages.
    static constexpr int kFields = kSsTips - kWages + 1;
    std::array<bool, kFields> numeric;
    std::array<double, kFields> amounts;

    void ReadMoney() {
        static const RecordText::Positions kMoney = RecordText::PositionsOf(RecordType::RW, FieldClass::Money);
        const bool allNumeric = rec.AllDigits(kMoney);
        for (int index = kWages; index <= kSsTips; ++index) {
            const FieldLayout& f = Field(index);
            numeric[Slot(index)] = allNumeric || rec.Digits(f);
            amounts[Slot(index)] = numeric[Slot(index)] ? rec.Amount(f) : 0;
        }
    }
    static std::size_t Slot(int index) { return static_cast<std::size_t>(index - kWages); }
    static const FieldLayout& Field(int index) { return Layout(RecordType::RW)[static_cast<std::size_t>(index)]; }
    std::string_view Text(int index) const { return rec.Cut(Field(index)); }
    bool Numeric(int index) const { return numeric[Slot(index)]; }
    // The amount of a numeric field.
    double Amount(int index) const { return amounts[Slot(index)]; }
    void Report(int index, std::string_view message) const {
        quorvex::Report(ctx.findings, rec, Field(index), message);
    }
    void Add(int column, bool link, double amount) const {
        ctx.findings.AddTRT(column, link, amount);
    }
    bool InYears(int from, int to) const { return year >= from && year <= to; }
    bool SocialSecurityExempt() const { return code == 'X' || code == 'Q'; }
};

// "The <caption> field must be zero, because it does not apply to the Employment Code ..."
void EmploymentCodeFinding(const RwMoney& m, int index) {
    const std::string_view caption = Field(RecordType::RW, index).caption;
    std::string msg("The ");
    msg.append(caption)
        .append(" field must be zero, because it does not apply to the Employment Code entered in the RE ")
        .append("record. Either enter a value of zero in the ").append(caption)
        .append(" field or change the Employment Code in the RE record.");
    m.Report(index, msg);
}

// A money field that is not all digits: reported with its block marker; adds nothing.
bool MoneyNumeric(const RwMoney& m, int index) {
    if (m.Numeric(index)) return true;
    const FieldLayout& f = Field(RecordType::RW, index);
    const std::string_view s = m.Text(index);
    m.ctx.findings.TRTFieldError(Reference(f), UserEntry(s), kMsgMoneyNotNumeric, f.index, f.column);
    return false;
}

void TerritoryField(const RwMoney& m, int index, Territory terr) {
    TerritoryMoney(m.rec, Totals::RT, Field(RecordType::RW, index), m.Amount(index), terr, m.ctx);
}

void CheckIdentity(const RecordText& rec, Findings& out) {
    const auto rw = Layout(RecordType::RW);

    const std::string_view ssn = rec.Cut(rw[kSsn]);
    if (!rec.Digits(rw[kSsn])) {
        Report(out, rec, rw[kSsn], kMsgMandatoryNumeric);
    } else if (ssn == "123456789" || ssn == "333333333" || ssn == "111111111" ||
               (!ssn.empty() && (ssn[0] == '8' || ssn[0] == '9'))) {
        Report(out, rec, rw[kSsn],
               "Must not be 111111111 or 333333333 or 123456789 or may not begin with an 8 or 9. "
               "This is a mandatory field and must contain only valid numeric data.");
    }

    for (int index : {kFirstName, kMiddleName, kLastName}) {
        const FieldLayout& f = rw[index];
        const bool mandatory = index != kMiddleName;
        if (mandatory && rec.Blank(f)) Report(out, rec, f, kMsgNameBlank);
        else if (!rec.NameChars(f)) Report(out, rec, f, mandatory ? kMsgNameMandatory : kMsgName);
    }

    for (int index : {kSuffix, kLocation, kDelivery, kCity}) CheckChars(out, rec, rw[index]);

    bool addressOk = CheckState(out, rec, rw[kState]);
    addressOk = CheckNumericOrBlank(out, rec, rw[kZip]) && addressOk;
    CheckZipExtension(out, rec, rw[kZip], rw[kZipExt]);
    for (int index : {kBlank1, kForeignState, kForeignPostal}) CheckChars(out, rec, rw[index]);
    addressOk = CheckCountry(out, rec, rw[kCountry]) && addressOk;
    if (addressOk) CountryZipCheck(out, rec, AddressBlock::RW);
}

// Social Security Wages: the wage-base limits of the year, the household minimum and the
// Employment Code rule.
void CheckSocialSecurityWages(const RwMoney& m) {
    double w = 0, t = 0;
    if (MoneyNumeric(m, kSsWages)) {
        w = m.Amount(kSsWages);
        t = m.Numeric(kSsTips) ? m.Amount(kSsTips) : 0;
        const double sum = w + t;
        if (m.InYears(kFirstTaxYear, kLastTaxYear) && sum > 0) {
            if (sum / 100 == m.limits.priorYearMax) {
                m.ctx.findings.FieldError(
                    "Prior Year Max", AmountText(sum),
                    std::string(kSsWagesAndTips)
                        .append("equals prior year maximum. Please ensure that the Social Security Wages and "
                                "Social Security Tips are all correct."),
                    kSsWages);
            } else if (sum / 100 > m.limits.currentYearMax) {
                char max[40];
                std::snprintf(max, sizeof max, "%.2f", m.limits.currentYearMax);
                std::string msg(kSsWagesAndTips);
                msg.append("is greater than the Current Year Maximum. The sum of the Social Security Wages and "
                           "Social Security Tips for Tax Year ")
                    .append(std::to_string(m.year)).append(" should not exceed $")
                    .append(WithThousands(max)).append(".");
                m.ctx.findings.FieldError("Current Year Max", AmountText(sum), msg, kSsWages);
            }
        }
        m.Add(3, true, w);
    }
    if (m.code == 'H' && m.InYears(1995, kLastTaxYear) && w + t > 0 && (w + t) / 100 < m.limits.householdMin) {
        m.ctx.findings.FieldError(
            "Annual Household Min", AmountText(w + t),
            std::string(kSsWagesAndTips)
                .append("must be greater than or equal to the Annual Household Minimum for the tax year being "
                        "reported. Either enter a value of zero in the Social Security Wages and Social Security "
                        "Tips fields or change the Employment Code in the RE Record."),
            kSsWages);
    }
    if (m.SocialSecurityExempt() && !IsZeroFilled(m.Text(kSsWages))) EmploymentCodeFinding(m, kSsWages);
}

void CheckSocialSecurityTax(const RwMoney& m) {
    if (MoneyNumeric(m, kSsTax)) {
        const double tax = m.Amount(kSsTax);
        m.Add(4, true, tax);
        if (m.Numeric(kSsWages) && m.Numeric(kSsTips) && tax > 0 && m.Amount(kSsWages) == 0 &&
            m.Amount(kSsTips) == 0 && !m.SocialSecurityExempt()) {
            m.Report(kSsTax,
                     "If the amount in Social Security Tax Withheld is greater than zero, then the amount in Social "
                     "Security Wages [Position 210 - 220] and/or the amount in Social Security Tips [Position 254 - "
                     "264] must be greater than zero.");
        }
    }
    if (m.SocialSecurityExempt() && !IsZeroFilled(m.Text(kSsTax))) EmploymentCodeFinding(m, kSsTax);
}

void CheckMedicareWages(const RwMoney& m) {
    if (MoneyNumeric(m, kMedWages)) {
        const double a = m.Amount(kMedWages);
        m.Add(5, true, a);
        const bool ssBothNumeric = m.Numeric(kSsWages) && m.Numeric(kSsTips);
        const double ssSum = ssBothNumeric ? m.Amount(kSsWages) + m.Amount(kSsTips) : 0;
        if (m.yearNumeric && m.year < 1983 && a != 0) {
            m.Report(kMedWages, "Must be zero filled for years prior to 1983.");
        } else if (m.code != 'X' && m.InYears(1983, 1993) && a / 100 > m.limits.medicareMax) {
            m.Report(kMedWages,
                     "The amount in Medicare Wages and Tips should not exceed the annual maximum Medicare wage base "
                     "for the tax year being reported.");
        } else if (ssBothNumeric && m.year >= 1991 && m.code != 'X' && ssSum > a) {
            m.Report(kMedWages,
                     "The amount in Medicare Wages and Tips must be greater than or equal to the sum of the amount in "
                     "Social Security Wages [Position 210 - 220] and the amount in Social Security Tips [Position "
                     "254 - 264].");
        }
        if (ssBothNumeric && m.InYears(1983, 1990) && m.code != 'X' && ssSum != a) {
            m.Report(kMedWages,
                     "The amount in Medicare Wages and Tips must equal the sum of the amount in Social Security "
                     "Wages [Position 210 - 220] and the amount in Social Security Tips [Position 254 - 264].");
        }
        if (m.code == 'H' && m.InYears(1995, kLastTaxYear) && a > 0 && a / 100 < m.limits.householdMin) {
            m.Report(kMedWages,
                     "The amount in Medicare Wages and Tips must be greater than or equal to the Annual Household "
                     "Minimum for the tax year being reported. Either enter a value of zero in the Medicare Wages "
                     "and Tips field or change the Employment Code in the RE Record.");
        }
    }
    if (m.code == 'X' && m.year >= 1983 && !IsZeroFilled(m.Text(kMedWages))) EmploymentCodeFinding(m, kMedWages);
}

void CheckMedicareTax(const RwMoney& m) {
    if (MoneyNumeric(m, kMedTax)) {
        const double a = m.Amount(kMedTax);
        m.Add(6, true, a);
        if (m.yearNumeric && m.year < 1983 && a != 0) {
            m.Report(kMedTax, "Must be zero filled for years prior to 1983.");
        } else if (m.code != 'X' && m.InYears(1991, 1993) && a / 100 > m.limits.medicareMax) {
            m.Report(kMedTax,
                     "The amount in Medicare Tax Withheld should not exceed the annual maximum Medicare wage base for "
                     "the tax year being reported.");
        } else if (m.Numeric(kMedWages) && m.Amount(kMedWages) == 0 && a > 0 && m.year >= 1983 && m.code != 'X') {
            m.Report(kMedTax,
                     "The amount in Medicare Wages and Tips [Position 232 - 242] must be greater than zero because "
                     "there is an amount greater than zero in the Medicare Tax Withheld field.");
        }
    }
    if (m.code == 'X' && m.year >= 1983 && !IsZeroFilled(m.Text(kMedTax))) EmploymentCodeFinding(m, kMedTax);
}

void CheckSocialSecurityTips(const RwMoney& m) {
    if (MoneyNumeric(m, kSsTips)) {
        const double tips = m.Amount(kSsTips);
        m.Add(7, true, tips);
        if (m.Numeric(kSsWages) && m.Numeric(kSsTax) && tips > 0 && m.Amount(kSsWages) == 0 &&
            m.Amount(kSsTax) == 0) {
            m.Report(kSsTips,
                     "The amount in Social Security Tax (Position 221 - 231) must be greater then zero, since the "
                     "amount in Social Security Tips is greater then zero.");
        }
    }
    if (m.SocialSecurityExempt() && !IsZeroFilled(m.Text(kSsTips))) EmploymentCodeFinding(m, kSsTips);
}

}  // namespace

void CheckCodeRW(std::string_view txtline, CheckContext& ctx) {
    // The employee of this record, for the block link and the markers of its money fields
    // (and of the RO records that follow it).
    const RecordText rec(txtline);
    ctx.findings.SetCurrentSsn(rec.Cut(Field(RecordType::RW, kSsn)));
    ctx.findings.AddTRT(0, true, 1);

    CheckIdentity(rec, ctx.findings);

    const EmployerContext& er = ctx.employer;
    RwMoney m{rec, ctx, er.taxYear, er.taxYearNumeric,
              er.employmentCode, {}, {}, {}};
    m.ReadMoney();
    // The limits of the year serve every rule of the record, whether or not the Social
    // Security Wages are numeric.
    if (const auto limits = WageBaseLimits(m.year)) m.limits = *limits;

    for (int index : {kWages, kFedTax}) {
        if (MoneyNumeric(m, index)) TerritoryField(m, index, Territory::Blank);
    }
    CheckSocialSecurityWages(m);
    CheckSocialSecurityTax(m);
    CheckMedicareWages(m);
    CheckMedicareTax(m);
    CheckSocialSecurityTips(m);

    CheckCodeRW2(rec, ctx);
}

}  // namespace quorvex
