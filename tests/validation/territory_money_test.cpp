#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "support/recording_findings.h"
#include "validation/money_total.h"
#include "validation/territory_money.h"
#include "mini_run.h"
#include "support/records.h"

namespace quorvex::test {
namespace {

constexpr std::string_view kHead =
    "The Simple Retirement Account field must be zero because it does not apply to the Tax Jurisdiction Code "
    "entered in the RE record. Either enter a value of zero in the Simple Retirement Account field or change the "
    "Tax Jurisdiction Code in the RE record to ";

struct TerritoryCase {
    std::string_view category;
    std::string jurisdiction;   // accepted code; "invalid" for an invalid RE code
    bool finding;
    std::string_view ending;    // what follows "... in the RE record to "
};

class TerritoryTable : public ::testing::TestWithParam<TerritoryCase> {};

TEST_P(TerritoryTable, JudgesTheAmountAndAlwaysAddsIt) {
    const TerritoryCase& c = GetParam();
    MiniRun run;  // only its log is needed for the context
    RecordingFindings rec;
    CheckContext ctx{rec, run.facts, {}, 0};
    if (c.jurisdiction == "invalid") {
        ctx.employer.jurisdictionValid = false;
    } else {
        ctx.employer.jurisdictionValid = true;
        ctx.employer.acceptedJurisdiction = c.jurisdiction;
    }
    const std::string line = MakeRO();
    std::string_view terr = c.category;
    TerritoryMoney(line, "RO", "Simple Retirement Account", 45, 55, 11, 5, 1234, terr, 4, ctx);

    if (c.finding) {
        ASSERT_EQ(rec.findings.size(), 1u);
        EXPECT_EQ(rec.findings[0].reference, "Simple Retirement Account [Position 45 - 55]");
        EXPECT_EQ(rec.findings[0].userEntry, "[00000000000]");
        EXPECT_EQ(rec.findings[0].error, std::string(kHead) + std::string(c.ending));
        EXPECT_EQ(rec.findings[0].fieldIndex, 5);
    } else {
        EXPECT_TRUE(rec.findings.empty()) << rec.findings[0].error;
    }
    ASSERT_EQ(rec.additions.size(), 1u);
    // "Islands" amounts always go to the RO totals.
    EXPECT_EQ(rec.additions[0].table, 'U');
    EXPECT_EQ(rec.additions[0].column, 4);
    EXPECT_FALSE(rec.additions[0].link);
    EXPECT_EQ(rec.additions[0].amount, 1234);
}

INSTANTIATE_TEST_SUITE_P(
    CategoryByCode, TerritoryTable,
    ::testing::Values(
        TerritoryCase{kTerrIslands, "P", true, "V, G, S or N."},
        TerritoryCase{kTerrIslands, " ", true, "V, G, S or N."},
        TerritoryCase{kTerrIslands, "G", false, ""},
        TerritoryCase{kTerrIslands, "V", false, ""},
        TerritoryCase{kTerrIslands, "S", false, ""},
        TerritoryCase{kTerrIslands, "N", false, ""},
        TerritoryCase{kTerrIslands, "invalid", false, ""},
        TerritoryCase{kTerrNotP, "P", true, "V, G, S, N or blank."},
        TerritoryCase{kTerrNotP, "N", false, ""},
        TerritoryCase{kTerrNotP, " ", false, ""},
        TerritoryCase{kTerrNotP, "invalid", false, ""},
        TerritoryCase{kTerrNotPAndN, "P", true, "V, G, S or blank."},
        TerritoryCase{kTerrNotPAndN, "N", true, "V, G, S or blank."},
        TerritoryCase{kTerrNotPAndN, "S", false, ""},
        TerritoryCase{kTerrNotPAndN, "invalid", false, ""},
        TerritoryCase{kTerrNotPAndS, "P", true, "V, G, N or blank."},
        TerritoryCase{kTerrNotPAndS, "S", true, "V, G, N or blank."},
        TerritoryCase{kTerrNotPAndS, "N", false, ""},
        TerritoryCase{kTerrBlank, "P", true, "blank."},
        TerritoryCase{kTerrBlank, "V", true, "blank."},
        TerritoryCase{kTerrBlank, " ", false, ""},
        TerritoryCase{kTerrBlank, "invalid", false, ""},
        TerritoryCase{kTerrP, " ", true, "P."},
        TerritoryCase{kTerrP, "G", true, "P."},
        TerritoryCase{kTerrP, "P", false, ""},
        TerritoryCase{kTerrP, "invalid", false, ""}));

TEST(TerritoryMoney, ZeroAmountIsNeitherJudgedNorAdded) {
    MiniRun run;
    RecordingFindings rec;
    CheckContext ctx{rec, run.facts, {}, 0};
    ctx.employer.jurisdictionValid = true;
    ctx.employer.acceptedJurisdiction = "P";
    const std::string line = MakeRW();
    std::string_view terr = kTerrBlank;
    TerritoryMoney(line, "RW", "Wages, Tips and Other Compensation", 188, 198, 11, 16, 0, terr, 1, ctx);
    EXPECT_TRUE(rec.findings.empty());
    EXPECT_TRUE(rec.additions.empty());
    EXPECT_EQ(terr, " ");
}

TEST(TerritoryMoney, BlankCodeCategoryIsRewrittenForTheCallerEvenWhenNotReported) {
    MiniRun run;
    RecordingFindings rec;
    CheckContext ctx{rec, run.facts, {}, 0};  // invalid RE code: nothing reported
    const std::string line = MakeRW();
    std::string_view terr = kTerrBlank;
    TerritoryMoney(line, "RW", "Dependent Care Benefits", 276, 286, 11, 24, 5, terr, 9, ctx);
    EXPECT_EQ(terr, "blank");
    EXPECT_TRUE(rec.findings.empty());
    ASSERT_EQ(rec.additions.size(), 1u);
    EXPECT_EQ(rec.additions[0].table, 'T');
    EXPECT_EQ(rec.additions[0].column, 9);
}

TEST(MoneyTotal, AmountTextIsPlainWholeNumber) {
    EXPECT_EQ(AmountText(0), "0");
    EXPECT_EQ(AmountText(150001), "150001");
    EXPECT_EQ(AmountText(999999999999999.0), "999999999999999");
    // Beyond 15 digits the whole number is still written as digits.
    EXPECT_EQ(AmountText(12345678901234567.0), "12345678901234568");
}

}  // namespace
}  // namespace quorvex::test
