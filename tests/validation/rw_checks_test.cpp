#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "support/recording_findings.h"
#include "validation/check_primitives.h"
#include "mini_run.h"
#include "support/records.h"

namespace quorvex::test {
namespace {

struct Employer {
    char code = 'R';
    std::string jurisdiction = " ";   // "bad" for an invalid RE code
    std::string year = "2008";
};

struct Expected {
    std::string reference, userEntry, error;
    int fieldIndex;
};

struct RwCase {
    std::string name;
    Employer employer;
    RwAmounts amounts;                                   // the RW money fields
    std::vector<std::pair<int, std::string>> edits;     // then these texts at these positions
    std::vector<Expected> expected;
};

EmployerContext ContextOf(const Employer& e) {
    EmployerContext c;
    c.taxYearText = e.year;
    c.taxYear = NumCheck(e.year) ? std::stoi(e.year) : 0;
    c.employmentCode = e.code;
    c.jurisdiction = e.jurisdiction == "bad" ? 'Z' : e.jurisdiction[0];
    c.jurisdictionValid = e.jurisdiction != "bad";
    if (c.jurisdictionValid) c.acceptedJurisdiction = e.jurisdiction;
    return c;
}

RwAmounts Amounts(std::initializer_list<std::pair<int, double>> columns) {
    RwAmounts a{};
    for (auto [n, v] : columns) a[static_cast<std::size_t>(n)] = v;
    return a;
}

std::string Show(const std::vector<Expected>& v) {
    std::string s;
    for (const auto& e : v)
        s += std::to_string(e.fieldIndex) + " | " + e.reference + " | " + e.userEntry + " | " + e.error + "\n";
    return s;
}

constexpr const char* kEmpCodeTail = " field or change the Employment Code in the RE record.";
std::string EmpCode(const std::string& caption) {
    return "The " + caption +
           " field must be zero, because it does not apply to the Employment Code entered in the RE record. Either "
           "enter a value of zero in the " +
           caption + kEmpCodeTail;
}
std::string Territory(const std::string& caption, const std::string& ending) {
    return "The " + caption +
           " field must be zero because it does not apply to the Tax Jurisdiction Code entered in the RE record. "
           "Either enter a value of zero in the " +
           caption + " field or change the Tax Jurisdiction Code in the RE record to " + ending;
}
const std::string kSsSum =
    "The sum of the Social Security Wages [Position 210 - 220] and Social Security Tips [Position 254 - 264] ";
const std::string kNotNumeric = "Must be numeric. No negative amounts; right justify and zero fill.";

class RwRules : public ::testing::TestWithParam<RwCase> {};

TEST_P(RwRules, ReportsExactlyTheseFindings) {
    const RwCase& c = GetParam();
    std::string line = MakeRW("123456780", c.amounts);
    for (const auto& [pos, text] : c.edits) Put(line, pos, text);
    MiniRun run;
    RecordingFindings rec;
    CheckContext ctx{rec, run.facts, ContextOf(c.employer), 0};
    CheckCodeRW(line, ctx);
    std::vector<Expected> got;
    for (const auto& f : rec.findings) got.push_back({f.reference, f.userEntry, f.error, f.fieldIndex});
    EXPECT_EQ(Show(got), Show(c.expected));
}

const std::vector<RwCase> kCases = {
    {"Valid", {}, Amounts({{1, 5000000}, {2, 700000}, {3, 5000000}, {4, 310000}, {5, 5000000}, {6, 72500}}), {}, {}},
    {"SsnNotNumeric", {}, {}, {{3, "12345678A"}},
     {{"SSN [Position 3 - 11]", "[12345678A]", "This is a mandatory field and must contain only valid numeric data.", 1}}},
    {"SsnForbidden", {}, {}, {{3, "912345678"}},
     {{"SSN [Position 3 - 11]", "[912345678]",
       "Must not be 111111111 or 333333333 or 123456789 or may not begin with an 8 or 9. This is a mandatory field "
       "and must contain only valid numeric data.",
       1}}},
    {"SsnAllZerosPasses", {}, {}, {{3, "000000000"}}, {}},
    {"FirstNameBlank", {}, {}, {{12, "    "}},
     {{"Employee First Name [Position 12 - 26]", "[               ]", "Must not be blank. This is a mandatory field.", 2}}},
    {"NamesInLowerCase", {}, {}, {{12, "john"}, {27, "q"}},
     {{"Employee First Name [Position 12 - 26]", "[john           ]",
       "May only contain letters (A - Z), numbers (0 - 9), spaces, hyphens, periods and apostrophes. This is a "
       "mandatory field.",
       2},
      {"Employee Middle Name or Initial [Position 27 - 41]", "[q              ]",
       "May only contain letters (A - Z), numbers (0 - 9), spaces, hyphens, periods and apostrophes.", 3}}},
    {"LastNameWithPunctuation", {}, {}, {{42, "O'NEIL-SMITH JR."}}, {}},
    {"InvalidStateSkipsCrossCheck", {}, {}, {{132, "XX"}, {186, "CA"}},
     {{"State Abbreviation [Position 132 - 133]", "[XX]", "The Postal Abbreviation is invalid (see ZRW5).", 9}}},
    {"StateAndForeignCountry", {}, {}, {{186, "CA"}},
     {{"Country Code [Position 186 - 187]", "[CA]",
       "Must not have both a domestic State Abbreviation and a foreign Country Code.", 15}}},
    {"ZipExtensionWithoutZip", {}, {}, {{134, "     1234"}},
     {{"Zip Code Extension [Position 139 - 142]", "[1234]",
       "A value was entered in the ZIP Code Extension field and the ZIP Code field is blank. Either change the ZIP "
       "Code Extension field to blank or enter a valid ZIP Code.",
       11}}},
    {"MoneyNotNumeric", {}, {}, {{199, "0000000001-"}},
     {{"Federal Income Tax Withheld [Position 199 - 209]", "[0000000001-]", kNotNumeric, 17}}},
    {"PriorYearMaximum", {}, Amounts({{3, 9000000}, {7, 750000}, {4, 1}, {5, 9750000}}), {},
     {{"Prior Year Max", "9750000",
       kSsSum + "equals prior year maximum. Please ensure that the Social Security Wages and Social Security Tips "
                "are all correct.",
       18}}},
    {"AboveCurrentYearMaximum", {}, Amounts({{3, 10200001}, {5, 10200001}}), {},
     {{"Current Year Max", "10200001",
       kSsSum + "is greater than the Current Year Maximum. The sum of the Social Security Wages and Social Security "
                "Tips for Tax Year 2008 should not exceed $102,000.00.",
       18}}},
    {"AtCurrentYearMaximum", {}, Amounts({{3, 10200000}, {5, 10200000}}), {}, {}},
    {"HouseholdBelowMinimum", {'H'}, Amounts({{3, 159999}, {5, 159999}}), {},
     {{"Annual Household Min", "159999",
       kSsSum + "must be greater than or equal to the Annual Household Minimum for the tax year being reported. "
                "Either enter a value of zero in the Social Security Wages and Social Security Tips fields or change "
                "the Employment Code in the RE Record.",
       18},
      {"Medicare Wages and Tips [Position 232 - 242]", "[00000159999]",
       "The amount in Medicare Wages and Tips must be greater than or equal to the Annual Household Minimum for the "
       "tax year being reported. Either enter a value of zero in the Medicare Wages and Tips field or change the "
       "Employment Code in the RE Record.",
       20}}},
    {"HouseholdAtMinimum", {'H'}, Amounts({{3, 160000}, {5, 160000}}), {}, {}},
    {"HouseholdZero", {'H'}, {}, {}, {}},
    {"CodeQSocialSecurityOnly", {'Q'}, Amounts({{5, 100}}), {{210, "           "}},
     {{"Social Security Wages [Position 210 - 220]", "[           ]", kNotNumeric, 18},
      {"Social Security Wages [Position 210 - 220]", "[           ]", EmpCode("Social Security Wages"), 18}}},
    {"CodeQTaxAndTips", {'Q'}, Amounts({{4, 5}, {7, 5}, {5, 5}}), {},
     {{"Social Security Tax Withheld [Position 221 - 231]", "[00000000005]", EmpCode("Social Security Tax Withheld"),
       19},
      {"Social Security Tips [Position 254 - 264]", "[00000000005]", EmpCode("Social Security Tips"), 22}}},
    {"CodeXMedicare", {'X'}, Amounts({{5, 100}, {6, 2}}), {},
     {{"Medicare Wages and Tips [Position 232 - 242]", "[00000000100]", EmpCode("Medicare Wages and Tips"), 20},
      {"Medicare Tax Withheld [Position 243 - 253]", "[00000000002]", EmpCode("Medicare Tax Withheld"), 21}}},
    {"MedicareBelowSocialSecurity", {}, Amounts({{3, 1000}, {7, 500}, {4, 1}, {5, 1499}}), {},
     {{"Medicare Wages and Tips [Position 232 - 242]", "[00000001499]",
       "The amount in Medicare Wages and Tips must be greater than or equal to the sum of the amount in Social "
       "Security Wages [Position 210 - 220] and the amount in Social Security Tips [Position 254 - 264].",
       20}}},
    {"MedicareMustEqualBefore1991", {'R', " ", "1985"}, Amounts({{3, 1000}, {4, 1}, {5, 1001}}), {},
     {{"Medicare Wages and Tips [Position 232 - 242]", "[00000001001]",
       "The amount in Medicare Wages and Tips must equal the sum of the amount in Social Security Wages [Position "
       "210 - 220] and the amount in Social Security Tips [Position 254 - 264].",
       20}}},
    {"MedicareAboveMaximum1992", {'R', " ", "1992"}, Amounts({{3, 1000}, {4, 1}, {5, 13020001}, {6, 13020001}}),
     {},
     {{"Medicare Wages and Tips [Position 232 - 242]", "[00013020001]",
       "The amount in Medicare Wages and Tips should not exceed the annual maximum Medicare wage base for the tax "
       "year being reported.",
       20},
      {"Medicare Tax Withheld [Position 243 - 253]", "[00013020001]",
       "The amount in Medicare Tax Withheld should not exceed the annual maximum Medicare wage base for the tax year "
       "being reported.",
       21}}},
    // The Medicare maximum of the year holds whether or not the Social Security Wages
    // could be read: an unreadable wage field does not make every Medicare amount too high.
    {"MedicareMaximumWithUnreadableWages", {'R', " ", "1992"}, Amounts({{5, 100000}, {6, 1450}}),
     {{210, "ABC"}},
     {{"Social Security Wages [Position 210 - 220]", "[ABC00000000]", kNotNumeric, 18}}},
    // Likewise the household minimum of Medicare Wages and Tips.
    {"HouseholdMedicareWithUnreadableWages", {'H'}, Amounts({{5, 159999}}), {{210, "ABC"}},
     {{"Social Security Wages [Position 210 - 220]", "[ABC00000000]", kNotNumeric, 18},
      {"Medicare Wages and Tips [Position 232 - 242]", "[00000159999]",
       "The amount in Medicare Wages and Tips must be greater than or equal to the Annual Household Minimum for the "
       "tax year being reported. Either enter a value of zero in the Medicare Wages and Tips field or change the "
       "Employment Code in the RE Record.",
       20}}},
    // A year the wage-base table does not know has no maximum to exceed.
    {"YearOutsideTheTableHasNoMaximum", {'R', " ", "2009"}, Amounts({{3, 10200001}, {5, 10200001}}), {}, {}},
    {"MedicareBefore1983", {'R', " ", "1980"}, Amounts({{3, 1000}, {4, 1}, {5, 1000}, {6, 5}}), {},
     {{"Medicare Wages and Tips [Position 232 - 242]", "[00000001000]", "Must be zero filled for years prior to 1983.",
       20},
      {"Medicare Tax Withheld [Position 243 - 253]", "[00000000005]", "Must be zero filled for years prior to 1983.",
       21}}},
    {"NonNumericYearOnlyMilitary", {'R', " ", "20X8"}, Amounts({{3, 99999999}, {5, 1}, {15, 0}}),
     {{342, "00000000001"}},
     {{"Military Employee Basic Quarters, Subsistence and Combat Pay [Position 342 - 352]", "[00000000001]",
       "Must be zero filled for years prior to 1995 and years after 2001.", 30}}},
    {"MedicareTaxWithoutWages", {}, Amounts({{6, 100}}), {},
     {{"Medicare Tax Withheld [Position 243 - 253]", "[00000000100]",
       "The amount in Medicare Wages and Tips [Position 232 - 242] must be greater than zero because there is an "
       "amount greater than zero in the Medicare Tax Withheld field.",
       21}}},
    {"SocialSecurityTaxWithoutWages", {}, Amounts({{4, 100}}), {},
     {{"Social Security Tax Withheld [Position 221 - 231]", "[00000000100]",
       "If the amount in Social Security Tax Withheld is greater than zero, then the amount in Social Security Wages "
       "[Position 210 - 220] and/or the amount in Social Security Tips [Position 254 - 264] must be greater than "
       "zero.",
       19}}},
    {"TipsWithoutWagesOrTax", {}, Amounts({{7, 100}, {5, 100}}), {},
     {{"Social Security Tips [Position 254 - 264]", "[00000000100]",
       "The amount in Social Security Tax (Position 221 - 231) must be greater then zero, since the amount in Social "
       "Security Tips is greater then zero.",
       22}}},
    {"TipsWithWages", {}, Amounts({{3, 100}, {7, 100}, {5, 200}}), {}, {}},
    {"PuertoRicoEmployer", {'R', "P"}, Amounts({{1, 1}, {9, 2}, {10, 3}, {8, 4}, {17, 0}}), {},
     {{"Wages, Tips and Other Compensation [Position 188 - 198]", "[00000000001]",
       Territory("Wages, Tips and Other Compensation", "blank."), 16},
      {"Advance Earned Income Credit [Position 265 - 275]", "[00000000004]",
       Territory("Advance Earned Income Credit", "V, G, N or blank."), 23},
      {"Dependent Care Benefits [Position 276 - 286]", "[00000000002]",
       Territory("Dependent Care Benefits", "blank."), 24},
      {"Deferred Compensation Contributions to Section 401(k) [Position 287 - 297]", "[00000000003]",
       Territory("Deferred Compensation Contributions to Section 401(k)", "V, G, S, N or blank."), 25}}},
    {"NorthernMarianaEmployer", {'R', "N"}, Amounts({{17, 1}, {19, 1}, {22, 1}, {10, 1}}), {},
     {{"Employer Contributions to a Health Savings Account [Position 364 - 374]", "[00000000001]",
       Territory("Employer Contributions to a Health Savings Account", "V, G, S or blank."), 32},
      {"Nontaxable Combat Pay [Position 386 - 396]", "[00000000001]",
       Territory("Nontaxable Combat Pay", "V, G, S or blank."), 34},
      {"Deferrals Under a Section 409A Non-qualified Deferred Compensation Plan [Position 430 - 440]", "[00000000001]",
       Territory("Deferrals Under a Section 409A Non-qualified Deferred Compensation Plan", "V, G, S or blank."),
       38}}},
    {"InvalidJurisdictionNoTerritoryFinding", {'R', "bad"}, Amounts({{1, 1}, {8, 1}, {10, 1}, {17, 1}}), {}, {}},
    {"MilitaryIn2008", {}, {}, {{342, "           "}},
     {{"Military Employee B.Q.S.C. Pay [Position 342 - 352]", "[           ]", kNotNumeric, 30},
      {"Military Employee Basic Quarters, Subsistence and Combat Pay [Position 342 - 352]", "[           ]",
       "Must be zero filled for years prior to 1995 and years after 2001.", 30}}},
    {"MilitaryNonZeroForPuertoRico", {'R', "P"}, Amounts({{15, 12}}), {},
     {{"Military Employee B.Q.S.C. Pay [Position 342 - 352]", "[00000000012]",
       Territory("Military Employee B.Q.S.C. Pay", "blank."), 30},
      {"Military Employee Basic Quarters, Subsistence and Combat Pay [Position 342 - 352]", "[00000000012]",
       "Must be zero filled for years prior to 1995 and years after 2001.", 30}}},
    {"MilitaryAllowedIn1999", {'R', " ", "1999"}, Amounts({{15, 12}}), {}, {}},
    {"BlankInTheMoneyBlock", {}, {}, {{397, "ABC\tDEF"}, {408, "0000000000X"}},
     {{"Blank [Position 397 - 407]", "[ABC\tDEF    ]", CharCheckMessage("ABC\tDEF    ", 397), 35},
      {"Employer Cost of Premiums for Group Term Life Insurance Over $50,000 [Position 408 - 418]", "[0000000000X]",
       kNotNumeric, 36}}},
    {"Indicators", {}, {}, {{486, "2\x01" "X9"}},
     {{"Statutory Employee Indicator [Position 486]", "[2]",
       "Enter appropriate code: 1 - Statutory employee, 0 - Other.", 42},
      {"Blank [Position 487]", "[\x01]", CharCheckMessage("\x01", 487), 43},
      {"Retirement Plan Indicator [Position 488]", "[X]",
       "Enter appropriate code: 1 - Employee has Retirement Plan, 0 - Other.", 44},
      {"Third-Party Sick Pay Indicator [Position 489]", "[9]",
       "Enter appropriate code: 1 - Employee has Third-Party Sick Pay, 0 - Other.", 45}}},
};

INSTANTIATE_TEST_SUITE_P(Families, RwRules, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return info.param.name; });

TEST(RwTotals, CountsLinksAndAddsEveryReadableAmount) {
    MiniRun run;
    RecordingFindings rec;
    CheckContext ctx{rec, run.facts, ContextOf({'R', "P"}), 0};
    RwAmounts a = Amounts({{1, 11}, {3, 33}, {4, 44}, {5, 55}, {6, 0}, {7, 77}, {10, 1010}, {24, 2424}});
    std::string line = MakeRW("222334444", a);
    Put(line, 199, "ABCDEFGHIJK");  // column 2 unreadable
    CheckCodeRW(line, ctx);

    EXPECT_EQ(rec.currentSsn, "222334444");
    std::vector<std::string> adds;
    for (const auto& x : rec.additions)
        adds.push_back(std::string(1, x.table) + std::to_string(x.column) + (x.link ? "L" : "") + "=" +
                       std::to_string(static_cast<long long>(x.amount)));
    // The count comes first; columns 3-7 link the record again; zero amounts of the territory
    // fields are not added; an amount the territory rule rejects is still added.
    EXPECT_EQ(adds, (std::vector<std::string>{"T0L=1", "T1=11", "T3L=33", "T4L=44", "T5L=55", "T6L=0", "T7L=77",
                                              "T10=1010", "T24=2424"}));
    ASSERT_FALSE(rec.findings.empty());
    EXPECT_EQ(rec.findings[0].table, ' ');  // territory finding on column 1
    EXPECT_EQ(rec.findings[1].table, 'T');
    EXPECT_EQ(rec.findings[1].errRef, 2);
    EXPECT_EQ(rec.findings[1].fieldIndex, 17);
}

}  // namespace
}  // namespace quorvex::test
