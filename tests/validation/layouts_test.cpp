#include <gtest/gtest.h>

#include <string>

#include "support/test_support.h"
#include "validation/layouts.h"

namespace quorvex {
namespace {

TEST(Layouts, FieldCountsMatchTheViewerRows) {
    EXPECT_EQ(Layout(RecordType::RA).size(), 40u);
    EXPECT_EQ(Layout(RecordType::RE).size(), 23u);
    EXPECT_EQ(Layout(RecordType::RW).size(), 47u);
    EXPECT_EQ(Layout(RecordType::RO).size(), 22u);
    EXPECT_EQ(Layout(RecordType::RT).size(), 29u);
    EXPECT_EQ(Layout(RecordType::RU).size(), 21u);
    EXPECT_EQ(Layout(RecordType::RF).size(), 4u);
    for (auto t : {RecordType::RA, RecordType::RE, RecordType::RW, RecordType::RO, RecordType::RT, RecordType::RU,
                   RecordType::RF}) {
        EXPECT_EQ(Field(t, 0).ViewerCaption(), "Record Identifier");
    }
}

TEST(Layouts, ReferencesUseOneOrTwoPositions) {
    EXPECT_EQ(Reference(Field(RecordType::RA, 1)), "Submitter's EIN [Position 3 - 11]");
    EXPECT_EQ(Reference(Field(RecordType::RE, 2)), "Agent Indicator Code [Position 7]");
    EXPECT_EQ(Reference(Field(RecordType::RA, 37)),
              "Preferred Method of Problem Notification Code [Position 499]");
    EXPECT_EQ(Reference(Field(RecordType::RA, 34)), "Contact E-Mail/Internet [Position 446 - 485]");
    EXPECT_EQ(Reference(Field(RecordType::RW, 17)), "Federal Income Tax Withheld [Position 199 - 209]");
    EXPECT_EQ(Reference(Field(RecordType::RF, 3)), "Blank [Position 17 - 512]");
    EXPECT_EQ(UserEntry(" 12 "), "[ 12 ]");
}

TEST(Layouts, ViewerCaptionsDifferOnlyWhereGiven) {
    const auto& k401 = Field(RecordType::RW, 25);
    EXPECT_EQ(k401.caption, "Deferred Compensation Contributions to Section 401(k)");
    EXPECT_EQ(k401.ViewerCaption(), "Def. Comp. Contr. to Sec. 401(k)");
    EXPECT_EQ(Field(RecordType::RT, 16).caption, "Military Employee Basic Quarters, Subsistence and Combat Pay");
    EXPECT_EQ(Field(RecordType::RT, 16).ViewerCaption(), "Military Employee B.Q.S.C. Pay");
    EXPECT_EQ(Field(RecordType::RT, 25).ViewerCaption(),
              "Deferrals Under a Sec. 409A Non-qualified Def. Comp. Plan");
    EXPECT_EQ(Field(RecordType::RW, 38).ViewerCaption(), "Def. Under a Sec. 409A Non-qualified Def. Comp. Plan");
}

TEST(Layouts, RwStrideBlockAndTotalsColumns) {
    // Fields 265-462 run on a stride of 11; k = 12 is the blank at 397-407.
    for (int k = 0; k < 18; ++k) {
        const auto& f = Field(RecordType::RW, 23 + k);
        EXPECT_EQ(f.first, 265 + 11 * k);
        EXPECT_EQ(f.last, 275 + 11 * k);
    }
    EXPECT_EQ(Field(RecordType::RW, 35).caption, "Blank");
    EXPECT_EQ(Field(RecordType::RW, 35).column, -1);

    // Each RW money column n has its RT field with the same column, 11 wide against 15.
    int rwMoney = 0;
    for (const auto& rw : Layout(RecordType::RW)) {
        if (rw.column < 1) continue;
        ++rwMoney;
        int matches = 0;
        for (const auto& rt : Layout(RecordType::RT)) {
            if (rt.column != rw.column) continue;
            ++matches;
            EXPECT_EQ(rt.Length(), 15);
            EXPECT_EQ(rw.Length(), 11);
        }
        EXPECT_EQ(matches, 1) << rw.caption;
    }
    EXPECT_EQ(rwMoney, 24);
    EXPECT_EQ(Field(RecordType::RT, 23).column, -1);  // third-party sick pay tax: no RW field

    for (const auto& ro : Layout(RecordType::RO)) {
        if (ro.column < 1) continue;
        int matches = 0;
        for (const auto& ru : Layout(RecordType::RU)) matches += ru.column == ro.column ? 1 : 0;
        EXPECT_EQ(matches, 1) << ro.caption;
    }
}

TEST(Layouts, CutKeepsTextAndStopsAtTheRecordEnd) {
    std::string rec = test::Record("RE2008");
    test::Put(rec, 512, "X");
    EXPECT_EQ(Cut(rec, Field(RecordType::RE, 1)), "2008");
    EXPECT_EQ(Cut(rec, Field(RecordType::RE, 22)).size(), 291u);
    EXPECT_EQ(Cut(rec, Field(RecordType::RA, 39)).size(), 12u);
    EXPECT_EQ(Cut(rec, Field(RecordType::RA, 39)).back(), 'X');

    const std::string shortLine = "RE2008 1234";
    EXPECT_EQ(Cut(shortLine, Field(RecordType::RE, 3)), "1234");
    EXPECT_EQ(Cut(shortLine, Field(RecordType::RE, 22)), "");
}

}  // namespace
}  // namespace quorvex
