#include <cstdint>
#include <string>

#include "errorlog/findings.h"
#include "validation/check_primitives.h"
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

const FieldLayout& RE(int index) { return Field(RecordType::RE, index); }

// A one-position field as a character; '\0' when the record is too short to hold it.
char CharAt(std::string_view rec, const FieldLayout& f) {
    const std::string_view s = Cut(rec, f);
    return s.empty() ? '\0' : s.front();
}

}  // namespace

void CheckCodeRE(std::string_view txtline, CheckContext& ctx) {
    Findings& out = ctx.findings;
    EmployerContext& employer = ctx.employer;
    employer.taxYear = 0;
    employer.acceptedJurisdiction.clear();

    // The record opens the employer block: a TRT and a TRU row, and the record linked
    // to it, whatever its EIN holds.
    const FieldLayout& einF = RE(3);
    const std::string_view ein = Cut(txtline, einF);
    out.OpenBlock(ein);

    // 1 Tax Year
    const FieldLayout& yearF = RE(1);
    const std::string_view year = Cut(txtline, yearF);
    employer.taxYearText = std::string(year);
    if (!NumCheck(year)) {
        Report(out, txtline, yearF, kMsgMandatoryNumeric);
    } else {
        employer.taxYear = static_cast<int>(DigitsValue(year));
        if (employer.taxYear < kFirstTaxYear || employer.taxYear > kLastTaxYear) {
            Report(out, txtline, yearF, kMsgTaxYearRange);
        } else if (employer.taxYear < kLastTaxYear) {
            Report(out, txtline, yearF, kMsgPreviousTaxYear);
        }
    }

    // 2 Agent Indicator Code
    const std::string_view agentCode = Cut(txtline, RE(2));
    CheckCode(out, txtline, RE(2), {"1", "2", "3", " "}, kMsgAgentIndicator);

    // 3 Employer/Agent EIN
    if (!NumCheck(ein)) {
        Report(out, txtline, einF, kMsgMandatoryNumeric);
    } else if (BadEmployerEinPrefix(ein)) {
        Report(out, txtline, einF, kMsgEinPrefixMandatory);
    }

    // 4 Agent for EIN: four independent tests.
    const FieldLayout& agentF = RE(4);
    const std::string_view agentEin = Cut(txtline, agentF);
    const bool agentBlank = IsBlank(agentEin);
    if (agentBlank && agentCode == "1") Report(out, txtline, agentF, kMsgAgentForEinBlank);
    if (!agentBlank && agentCode != "1") Report(out, txtline, agentF, kMsgAgentForEinNotBlank);
    if (BadEmployerEinPrefix(agentEin)) Report(out, txtline, agentF, kMsgEmployerEinPrefix);
    if (!agentBlank && !NumCheck(agentEin)) Report(out, txtline, agentF, kMsgNumericOrBlank);

    // 5-6 Terminating Business Indicator, Establishment Number
    CheckCode(out, txtline, RE(5), {"0", "1"}, kMsgTerminating);
    CheckChars(out, txtline, RE(6));

    // 7 Other EIN: tested only when given.
    const FieldLayout& otherF = RE(7);
    const std::string_view other = Cut(txtline, otherF);
    if (!IsBlank(other)) {
        if (!NumCheck(other)) {
            Report(out, txtline, otherF, kMsgNumericOrBlank);
        } else if (BadEmployerEinPrefix(other)) {
            Report(out, txtline, otherF, kMsgEmployerEinPrefix);
        }
    }

    // 8-18 name and address, then the address cross-check
    for (int i = 8; i <= 11; ++i) CheckChars(out, txtline, RE(i));
    bool address = CheckState(out, txtline, RE(12));
    if (!CheckNumericOrBlank(out, txtline, RE(13))) address = false;
    CheckZipExtension(out, txtline, RE(13), RE(14));
    for (int i = 15; i <= 17; ++i) CheckChars(out, txtline, RE(i));
    if (!CheckCountry(out, txtline, RE(18))) address = false;
    if (address) CountryZipCheck(out, txtline, AddressBlock::RE);

    // 19 Employment Code: kept for the block's records even when invalid.
    employer.employmentCode = CharAt(txtline, RE(19));
    CheckCode(out, txtline, RE(19), {"A", "H", "M", "Q", "X", "F", "R"}, kMsgEmploymentCode);

    // 20 Tax Jurisdiction Code: kept as entered; accepted only when valid.
    const std::string_view jurisdiction = Cut(txtline, RE(20));
    employer.jurisdiction = CharAt(txtline, RE(20));
    employer.jurisdictionValid = IsOneOf(jurisdiction, {"V", "G", "S", "N", "P", " "});
    if (employer.jurisdictionValid) {
        employer.acceptedJurisdiction = std::string(jurisdiction);
    } else {
        Report(out, txtline, RE(20), kMsgJurisdiction);
    }

    // 21-22 Third-Party Sick Pay Indicator, the blank rest of the record
    CheckCode(out, txtline, RE(21), {"0", "1"}, kMsgSickPay);
    CheckChars(out, txtline, RE(22));
}

}  // namespace quorvex
