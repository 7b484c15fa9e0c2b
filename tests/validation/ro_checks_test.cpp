#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/recording_findings.h"
#include "validation/check_primitives.h"
#include "mini_run.h"
#include "support/records.h"

namespace quorvex::test {
namespace {

EmployerContext Jurisdiction(std::string code) {
    EmployerContext c;
    c.taxYearText = "2008";
    c.taxYear = 2008;
    c.employmentCode = 'R';
    c.jurisdiction = code.empty() ? 'Z' : code[0];
    c.jurisdictionValid = !code.empty();
    c.acceptedJurisdiction = code;
    return c;
}

std::string Adds(const RecordingFindings& rec) {
    std::string s;
    for (const auto& x : rec.additions)
        s += std::string(1, x.table) + std::to_string(x.column) + (x.link ? "L" : "") + "=" +
             std::to_string(static_cast<long long>(x.amount)) + " ";
    return s;
}

TEST(RoChecks, AllZerosOnlyCounts) {
    MiniRun run;
    RecordingFindings rec;
    CheckContext ctx{rec, run.facts, Jurisdiction("P"), 0};
    CheckCodeRO(MakeRO(), ctx);
    EXPECT_TRUE(rec.findings.empty());
    EXPECT_EQ(Adds(rec), "U0L=1 U2=0 ");
}

TEST(RoChecks, UnreadableAmountsCarryTheirMarkerAndAddNothing) {
    MiniRun run;
    RecordingFindings rec;
    CheckContext ctx{rec, run.facts, Jurisdiction(" "), 0};
    RoAmounts a{};
    a[1] = 5;
    a[16] = 7;
    std::string line = MakeRO(a);
    Put(line, 23, "00000000-12");  // Uncollected Employee Tax on Tips, column 2
    Put(line, 374, "           "); // column 17
    CheckCodeRO(line, ctx);
    ASSERT_EQ(rec.findings.size(), 3u);
    EXPECT_EQ(rec.findings[0].reference, "Uncollected Employee Tax on Tips [Position 23 - 33]");
    EXPECT_EQ(rec.findings[0].userEntry, "[00000000-12]");
    EXPECT_EQ(rec.findings[0].error, "Must be numeric. No negative amounts; right justify and zero fill.");
    EXPECT_EQ(rec.findings[0].fieldIndex, 3);
    EXPECT_EQ(rec.findings[0].table, 'U');
    EXPECT_EQ(rec.findings[0].errRef, 2);
    // Blank jurisdiction: the island amount is not allowed.
    EXPECT_EQ(rec.findings[1].fieldIndex, 19);
    EXPECT_EQ(rec.findings[1].table, ' ');
    EXPECT_EQ(rec.findings[2].reference,
              "Virgin Islands, Guam, American Samoa or Northern Mariana Islands Income Tax Withheld [Position 374 - 384]");
    EXPECT_EQ(rec.findings[2].errRef, 17);
    EXPECT_EQ(Adds(rec), "U0L=1 U1=5 U16=7 ");
}

struct RoTerritoryCase {
    int column;
    std::string jurisdiction;
    int fieldIndex;       // 0: no finding expected
    std::string ending;
};

class RoTerritory : public ::testing::TestWithParam<RoTerritoryCase> {};

TEST_P(RoTerritory, FindingAndAddition) {
    const auto& c = GetParam();
    MiniRun run;
    RecordingFindings rec;
    CheckContext ctx{rec, run.facts, Jurisdiction(c.jurisdiction), 0};
    RoAmounts a{};
    a[static_cast<std::size_t>(c.column)] = 100;
    CheckCodeRO(MakeRO(a), ctx);
    if (c.fieldIndex == 0) {
        EXPECT_TRUE(rec.findings.empty()) << rec.findings[0].error;
    } else {
        ASSERT_EQ(rec.findings.size(), 1u);
        EXPECT_EQ(rec.findings[0].fieldIndex, c.fieldIndex);
        const std::string& e = rec.findings[0].error;
        EXPECT_EQ(e.substr(e.size() - c.ending.size()), c.ending) << e;
    }
    // The amount counts into the totals in every case.
    EXPECT_NE(Adds(rec).find("U" + std::to_string(c.column) + "=100"), std::string::npos) << Adds(rec);
}

INSTANTIATE_TEST_SUITE_P(
    Categories, RoTerritory,
    ::testing::Values(RoTerritoryCase{1, "P", 2, "to blank."}, RoTerritoryCase{1, " ", 0, ""},
                      RoTerritoryCase{2, "P", 0, ""},  // no territory rule
                      RoTerritoryCase{3, "N", 4, "to V, G, S or blank."}, RoTerritoryCase{3, "S", 0, ""},
                      RoTerritoryCase{4, "P", 5, "to V, G, S, N or blank."}, RoTerritoryCase{4, "G", 0, ""},
                      RoTerritoryCase{8, "P", 9, "to V, G, S or blank."},
                      RoTerritoryCase{9, " ", 11, "to P."}, RoTerritoryCase{9, "P", 0, ""},
                      RoTerritoryCase{15, "V", 17, "to P."}, RoTerritoryCase{9, "", 0, ""},
                      RoTerritoryCase{17, "P", 20, "to V, G, S or N."}, RoTerritoryCase{16, "G", 0, ""},
                      RoTerritoryCase{17, "", 0, ""}));

TEST(RoChecks, BlankFieldsAfterTheAmounts) {
    MiniRun run;
    RecordingFindings rec;
    CheckContext ctx{rec, run.facts, Jurisdiction(" "), 0};
    std::string line = MakeRO();
    Put(line, 5, "\x7f");
    Put(line, 200, "\x1b");
    Put(line, 360, "\t");
    Put(line, 500, "\x02");
    Put(line, 12, "X");
    CheckCodeRO(line, ctx);
    std::vector<std::string> refs;
    for (const auto& f : rec.findings) refs.push_back(f.reference + "#" + std::to_string(f.fieldIndex));
    EXPECT_EQ(refs, (std::vector<std::string>{"Blank [Position 3 - 11]#1", "Allocated Tips [Position 12 - 22]#2",
                                              "Blank [Position 100 - 274]#10", "Blank [Position 352 - 362]#18",
                                              "Blank [Position 385 - 512]#21"}));
    EXPECT_EQ(rec.findings[0].error, CharCheckMessage(Cut(line, 3, 11), 3));
}

}  // namespace
}  // namespace quorvex::test
