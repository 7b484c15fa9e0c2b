#include <cstdint>
#include <string>

#include "errorlog/findings.h"
#include "validation/check_primitives.h"
#include "validation/field_names.h"
#include "validation/validators.h"

namespace quorvex {

namespace {

constexpr std::string_view kMsgTaxYearRange =
    "Must not be less than 1978 or greater than 2008. This is a mandatory field.";
constexpr std::string_view kMsgPreviousTaxYear =
    "The date entered is for a previous tax year. Please check that the earnings are for the year being "
    "reported.";
constexpr std::string_view kMsgAgentIndicator =
    "Enter appropriate code: 1 - 2678 Agent, 2 - Common Pay Master, 3 - 3504 Agent or blank - Not an agent.";
constexpr std::string_view kMsgEinPrefixMandatory =
    "Must not start with 00, 07, 08, 09, 17, 18, 19, 28, 29, 49, 69, 70, 78, 79 or 89. "
    "This is a mandatory field and must contain only valid numeric data.";
constexpr std::string_view kMsgAgentForEinBlank =
    "If Agent Indicator Code [Position 7] = \"1\", then Agent for EIN cannot be blank.";
constexpr std::string_view kMsgAgentForEinNotBlank =
    "The Agent for EIN must be blank unless Agent Indicator Code [Position 7] = \"1\". Either enter a \"1\" in "
    "Agent Indicator Code or make Agent for EIN blank.";
constexpr std::string_view kMsgTerminating =
    "Enter appropriate code: 1 - Business terminated during this tax year, 0 - Other.";
constexpr std::string_view kMsgEmploymentCode =
    "Enter appropriate code: A - Agriculture, H - Household, M - Military, "
    "Q - Medicare Qualified Government Employment, X - Railroad, F - 944 Filer or R - Regular (all others).";
constexpr std::string_view kMsgJurisdiction =
    "If applicable, enter appropriate code: V - Virgin Islands, G - Guam, S - American Samoa, "
    "N - Northern Mariana Islands, P - Puerto Rico. Otherwise, enter blank.";
constexpr std::string_view kMsgSickPay = "Enter appropriate code: 1 - Employee has Third-Party Sick Pay, 0 - Other.";

const FieldLayout& RE(re::Index field) { return Field(RecordType::RE, field); }

// A one-position field as a character; '\0' when the record is too short to hold it.
char CharAt(const RecordText& rec, const FieldLayout& f) {
    const std::string_view s = rec.Cut(f);
    return s.empty() ? '\0' : s.front();
}

// 1 Tax Year: kept for the block's records as its number, when numeric.
void CheckTaxYear(Findings& out, const RecordText& rec, EmployerContext& employer) {
    const FieldLayout& yearF = RE(re::kTaxYear);
    const std::string_view year = rec.Cut(yearF);
    if (!rec.Digits(yearF)) {
        Report(out, rec, yearF, kMsgMandatoryNumeric);
    } else {
        employer.taxYearNumeric = !year.empty();
        employer.taxYear = static_cast<int>(DigitsValue(year));
        if (employer.taxYear < kFirstTaxYear || employer.taxYear > kLastTaxYear) {
            Report(out, rec, yearF, kMsgTaxYearRange);
        } else if (employer.taxYear < kLastTaxYear) {
            Report(out, rec, yearF, kMsgPreviousTaxYear);
        }
    }
}

// 8-18 name and address, then the address cross-check.
void CheckAddress(Findings& out, const RecordText& rec) {
    for (re::Index f : {re::kEmployerName, re::kLocation, re::kDelivery, re::kCity}) CheckChars(out, rec, RE(f));
    bool address = CheckState(out, rec, RE(re::kState));
    if (!CheckNumericOrBlank(out, rec, RE(re::kZip))) address = false;
    CheckZipExtension(out, rec, RE(re::kZip), RE(re::kZipExt));
    for (re::Index f : {re::kBlank1, re::kForeignState, re::kForeignPostal}) CheckChars(out, rec, RE(f));
    if (!CheckCountry(out, rec, RE(re::kCountry))) address = false;
    if (address) CountryZipCheck(out, rec, AddressBlock::RE);
}

}  // namespace

void CheckCodeRE(std::string_view txtline, CheckContext& ctx) {
    Findings& out = ctx.findings;
    const RecordText rec(txtline);
    EmployerContext& employer = ctx.employer;
    employer.taxYear = 0;
    employer.taxYearNumeric = false;
    employer.acceptedJurisdiction = '\0';

    // The record opens the employer block: a TRT and a TRU row, and the record linked
    // to it, whatever its EIN holds.
    const FieldLayout& einF = RE(re::kEin);
    const std::string_view ein = rec.Cut(einF);
    out.OpenBlock(ein);

    CheckTaxYear(out, rec, employer);

    // 2 Agent Indicator Code
    const std::string_view agentCode = rec.Cut(RE(re::kAgentIndicator));
    CheckCode(out, rec, RE(re::kAgentIndicator), {"1", "2", "3", " "}, kMsgAgentIndicator);

    // 3 Employer/Agent EIN
    if (!rec.Digits(einF)) {
        Report(out, rec, einF, kMsgMandatoryNumeric);
    } else if (BadEmployerEinPrefix(ein)) {
        Report(out, rec, einF, kMsgEinPrefixMandatory);
    }

    // 4 Agent for EIN: four independent tests.
    const FieldLayout& agentF = RE(re::kAgentForEin);
    const std::string_view agentEin = rec.Cut(agentF);
    const bool agentBlank = rec.Blank(agentF);
    if (agentBlank && agentCode == "1") Report(out, rec, agentF, kMsgAgentForEinBlank);
    if (!agentBlank && agentCode != "1") Report(out, rec, agentF, kMsgAgentForEinNotBlank);
    if (BadEmployerEinPrefix(agentEin)) Report(out, rec, agentF, kMsgEmployerEinPrefix);
    if (!agentBlank && !rec.Digits(agentF)) Report(out, rec, agentF, kMsgNumericOrBlank);

    // 5-6 Terminating Business Indicator, Establishment Number
    CheckCode(out, rec, RE(re::kTerminating), {"0", "1"}, kMsgTerminating);
    CheckChars(out, rec, RE(re::kEstablishment));

    // 7 Other EIN: tested only when given.
    const FieldLayout& otherF = RE(re::kOtherEin);
    const std::string_view other = rec.Cut(otherF);
    if (!rec.Blank(otherF)) {
        if (!rec.Digits(otherF)) {
            Report(out, rec, otherF, kMsgNumericOrBlank);
        } else if (BadEmployerEinPrefix(other)) {
            Report(out, rec, otherF, kMsgEmployerEinPrefix);
        }
    }

    CheckAddress(out, rec);

    // 19 Employment Code: kept for the block's records even when invalid.
    employer.employmentCode = CharAt(rec, RE(re::kEmploymentCode));
    CheckCode(out, rec, RE(re::kEmploymentCode), {"A", "H", "M", "Q", "X", "F", "R"}, kMsgEmploymentCode);

    // 20 Tax Jurisdiction Code: kept as entered; accepted only when valid.
    const std::string_view jurisdiction = rec.Cut(RE(re::kJurisdiction));
    employer.jurisdiction = CharAt(rec, RE(re::kJurisdiction));
    employer.jurisdictionValid = IsOneOf(jurisdiction, {"V", "G", "S", "N", "P", " "});
    if (employer.jurisdictionValid) {
        employer.acceptedJurisdiction = employer.jurisdiction;
    } else {
        Report(out, rec, RE(re::kJurisdiction), kMsgJurisdiction);
    }

    // 21-22 Third-Party Sick Pay Indicator, the blank rest of the record
    CheckCode(out, rec, RE(re::kSickPayIndicator), {"0", "1"}, kMsgSickPay);
    CheckChars(out, rec, RE(re::kBlank2));
}

}  // namespace quorvex
