#include <gtest/gtest.h>

#include <string>

#include "support/records.h"
#include "validation/check_fixture.h"

namespace quorvex::test {
namespace {

const std::string kMandatory = "This is a mandatory field and must contain only valid numeric data.";
const std::string kPrefix = "Must not start with 00, 07, 08, 09, 17, 18, 19, 28, 29, 49, 69, 70, 78, 79 or 89.";
const std::string kAgentA = "If Agent Indicator Code [Position 7] = \"1\", then Agent for EIN cannot be blank.";
const std::string kAgentB =
    "The Agent for EIN must be blank unless Agent Indicator Code [Position 7] = \"1\". Either enter a \"1\" in "
    "Agent Indicator Code or make Agent for EIN blank.";
const std::string kAgentRef = "Agent for EIN [Position 17 - 25]";
const std::string kCharTail =
    " of this record. This field may only contain letters (A-Z), numbers (0-9), spaces, non-alpha non-numeric "
    "characters (~ ! @ # $ % ^ & * ( ) _ + { } | : \" < > ? ` - = [ ] \\ ; ' , . /).";

std::string Pad(std::string s, std::size_t n) {
    s.resize(n, ' ');
    return "[" + s + "]";
}

const RuleCase kReCases[] = {
    {"baseline", {}, {}},
    {"previous tax year",
     {{3, "2007"}},
     {{"Tax Year [Position 3 - 6]", "[2007]",
       "The date entered is for a previous tax year. Please check that the earnings are for the year being "
       "reported.",
       1}}},
    {"tax year 1978", {{3, "1978"}}, {{"Tax Year [Position 3 - 6]", "[1978]",
       "The date entered is for a previous tax year. Please check that the earnings are for the year being "
       "reported.", 1}}},
    {"tax year before the range",
     {{3, "1977"}},
     {{"Tax Year [Position 3 - 6]", "[1977]",
       "Must not be less than 1978 or greater than 2008. This is a mandatory field.", 1}}},
    {"tax year after the range",
     {{3, "2009"}},
     {{"Tax Year [Position 3 - 6]", "[2009]",
       "Must not be less than 1978 or greater than 2008. This is a mandatory field.", 1}}},
    {"tax year blank", {{3, "    "}}, {{"Tax Year [Position 3 - 6]", "[    ]", kMandatory, 1}}},
    {"agent indicator",
     {{7, "4"}},
     {{"Agent Indicator Code [Position 7]", "[4]",
       "Enter appropriate code: 1 - 2678 Agent, 2 - Common Pay Master, 3 - 3504 Agent or blank - Not an agent.",
       2}}},
    {"employer ein 000000000",
     {{8, "000000000"}},
     {{"Employer/Agent EIN [Position 8 - 16]", "[000000000]", kPrefix + " " + kMandatory, 3}}},
    {"employer ein not numeric",
     {{8, "12345678 "}},
     {{"Employer/Agent EIN [Position 8 - 16]", "[12345678 ]", kMandatory, 3}}},
    {"agent 1 without agent for ein (a)", {{7, "1"}}, {{kAgentRef, Pad("", 9), kAgentA, 4}}},
    {"agent 2 with agent for ein (b)", {{7, "2"}, {17, "234567890"}}, {{kAgentRef, "[234567890]", kAgentB, 4}}},
    {"agent for ein 07 with a letter, not an agent: b, c, d",
     {{17, "07345678X"}},
     {{kAgentRef, "[07345678X]", kAgentB, 4},
      {kAgentRef, "[07345678X]", kPrefix, 4},
      {kAgentRef, "[07345678X]", "Must be numeric or blank.", 4}}},
    {"agent for ein 07 with a letter, agent 1: c, d",
     {{7, "1"}, {17, "07345678X"}},
     {{kAgentRef, "[07345678X]", kPrefix, 4}, {kAgentRef, "[07345678X]", "Must be numeric or blank.", 4}}},
    {"terminating business",
     {{26, "2"}},
     {{"Terminating Business Indicator [Position 26]", "[2]",
       "Enter appropriate code: 1 - Business terminated during this tax year, 0 - Other.", 5}}},
    {"other ein 000000000: prefix message alone",
     {{31, "000000000"}},
     {{"Other EIN [Position 31 - 39]", "[000000000]", kPrefix, 7}}},
    {"other ein not numeric",
     {{31, "12-345678"}},
     {{"Other EIN [Position 31 - 39]", "[12-345678]", "Must be numeric or blank.", 7}}},
    {"employer name blank", {{40, std::string(57, ' ')}}, {}},
    {"employer name control character",
     {{41, "\x1b"}},
     {{"Employer Name [Position 40 - 96]", Pad("A\x1bME MANUFACTURING CO", 57),
       "Invalid character found in position(s) 41" + kCharTail, 8}}},
    {"state invalid: no cross-check",
     {{163, "QQ"}, {217, "CA"}},
     {{"State Abbreviation [Position 163 - 164]", "[QQ]", "The Postal Abbreviation is invalid (see ZRW5).", 12}}},
    {"zip invalid: no cross-check",
     {{165, "2120 "}, {217, "CA"}},
     {{"Zip Code [Position 165 - 169]", "[2120 ]", "Must be numeric or blank.", 13}}},
    {"extension without zip",
     {{165, "     "}, {170, "1234"}},
     {{"Zip Code Extension [Position 170 - 173]", "[1234]",
       "A value was entered in the ZIP Code Extension field and the ZIP Code field is blank. Either change the "
       "ZIP Code Extension field to blank or enter a valid ZIP Code.",
       14}}},
    {"domestic state and foreign country",
     {{217, "CA"}},
     {{"Country Code [Position 217 - 218]", "[CA]",
       "Must not have both a domestic State Abbreviation and a foreign Country Code.", 18}}},
    {"foreign country and domestic zip",
     {{163, "  "}, {217, "CA"}},
     {{"Country Code [Position 217 - 218]", "[CA]",
       "Must not have both a foreign Country Code and a domestic ZIP Code.", 18}}},
    {"foreign address", {{163, "  "}, {165, "     "}, {179, "ONTARIO"}, {202, "K1A 0B1"}, {217, "CA"}}, {}},
    {"country invalid",
     {{217, "XX"}},
     {{"Country Code [Position 217 - 218]", "[XX]", "The Country Code is invalid (see ZRW5).", 18}}},
    {"employment code",
     {{219, "Z"}},
     {{"Employment Code [Position 219]", "[Z]",
       "Enter appropriate code: A - Agriculture, H - Household, M - Military, Q - Medicare Qualified Government "
       "Employment, X - Railroad, F - 944 Filer or R - Regular (all others).",
       19}}},
    {"tax jurisdiction",
     {{220, "X"}},
     {{"Tax Jurisdiction Code [Position 220]", "[X]",
       "If applicable, enter appropriate code: V - Virgin Islands, G - Guam, S - American Samoa, N - Northern "
       "Mariana Islands, P - Puerto Rico. Otherwise, enter blank.",
       20}}},
    {"third-party sick pay",
     {{221, " "}},
     {{"Third-Party Sick Pay Indicator [Position 221]", "[ ]",
       "Enter appropriate code: 1 - Employee has Third-Party Sick Pay, 0 - Other.", 21}}},
    {"blank holding letters", {{300, "ANYTHING PRINTABLE ~"}}, {}},
    {"blank holding a tab and a delete",
     {{230, "\t"}, {300, "\x7f"}},
     {{"Blank [Position 222 - 512]", Pad(std::string(8, ' ') + "\t" + std::string(69, ' ') + "\x7f", 291),
       "Invalid character found in position(s) 230 and 300" + kCharTail, 22}}},
};

class ReRules : public ::testing::TestWithParam<RuleCase>, protected CheckFixture {};

TEST_P(ReRules, FindingsInRuleOrder) {
    const RuleCase& c = GetParam();
    EXPECT_EQ(Check("RE", Apply(MakeRE(), c.edits), CheckCodeRE), Describe(c.expected));
}

INSTANTIATE_TEST_SUITE_P(AllRules, ReRules, ::testing::ValuesIn(kReCases));

class ReCheck : public ::testing::Test, protected CheckFixture {};

TEST_F(ReCheck, LeavesTheEmployerContext) {
    ctx().employer.acceptedJurisdiction = "P";  // from an earlier block
    Check("RE", Apply(MakeRE(), {{219, "H"}, {220, "V"}}), CheckCodeRE);
    const EmployerContext& e = ctx().employer;
    EXPECT_EQ(e.taxYearText, "2008");
    EXPECT_EQ(e.taxYear, 2008);
    EXPECT_EQ(e.employmentCode, 'H');
    EXPECT_EQ(e.jurisdiction, 'V');
    EXPECT_EQ(e.acceptedJurisdiction, "V");
    EXPECT_TRUE(e.jurisdictionValid);
}

TEST_F(ReCheck, InvalidCodesAreKeptAsEnteredButNotAccepted) {
    ctx().employer.taxYear = 2008;
    ctx().employer.acceptedJurisdiction = "P";
    ctx().employer.jurisdictionValid = true;
    Check("RE", Apply(MakeRE(), {{3, "20O8"}, {219, "Z"}, {220, "X"}}), CheckCodeRE);
    const EmployerContext& e = ctx().employer;
    EXPECT_EQ(e.taxYearText, "20O8");
    EXPECT_EQ(e.taxYear, 0);
    EXPECT_EQ(e.employmentCode, 'Z');
    EXPECT_EQ(e.jurisdiction, 'X');
    EXPECT_EQ(e.acceptedJurisdiction, "");
    EXPECT_FALSE(e.jurisdictionValid);
}

TEST_F(ReCheck, BlankJurisdictionIsAccepted) {
    Check("RE", MakeRE(), CheckCodeRE);
    EXPECT_EQ(ctx().employer.acceptedJurisdiction, " ");
    EXPECT_TRUE(ctx().employer.jurisdictionValid);
    EXPECT_EQ(ctx().employer.employmentCode, 'R');
}

TEST_F(ReCheck, OpensABlockPerRecordWhateverTheEin) {
    Check("RE", MakeRE(), CheckCodeRE);
    const auto first = Stored(ctx().recNum);
    EXPECT_EQ(first.recReference, "123456789");

    Check("RE", Apply(MakeRE(), {{8, "ABC 12345"}}), CheckCodeRE);
    const auto second = Stored(ctx().recNum);
    EXPECT_EQ(second.recReference, "ABC 12345");
    EXPECT_EQ(second.reIndx, first.reIndx + 1);
    const auto block = log().LastBlock();
    ASSERT_TRUE(block);
    EXPECT_EQ(block->first, second.reIndx);
    EXPECT_EQ(block->second, "ABC 12345");
}

TEST_F(ReCheck, ViewerWritesNothing) {
    Check("RE", MakeRE(), CheckCodeRE);
    const auto block = log().LastBlock();

    ViewerFindings viewer;
    CheckContext vctx{viewer, facts(), {}, ctx().recNum};
    CheckCodeRE(Apply(MakeRE(), {{3, "2007"}, {219, "Z"}}), vctx);
    EXPECT_EQ(viewer.Marked(), (std::set<int>{1, 19}));
    EXPECT_EQ(log().LastBlock(), block);
    EXPECT_EQ(Stored(ctx().recNum).errors, 0);
}

}  // namespace
}  // namespace quorvex::test
