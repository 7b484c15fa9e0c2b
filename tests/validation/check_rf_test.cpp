#include <gtest/gtest.h>

#include <string>

#include "validation/check_fixture.h"

namespace quorvex::test {
namespace {

const std::string kCharTail =
    " of this record. This field may only contain letters (A-Z), numbers (0-9), spaces, non-alpha non-numeric "
    "characters (~ ! @ # $ % ^ & * ( ) _ + { } | : \" < > ? ` - = [ ] \\ ; ' , . /).";
const std::string kRef = "Number of RW Records [Position 8 - 16]";

std::string RF(std::string_view count) {
    std::string r = Record("RF");
    Put(r, 8, count);
    return r;
}

class RfCheck : public ::testing::Test, protected CheckFixture {
protected:
    void FileRW(int n) {
        for (int i = 0; i < n; ++i) log().AddRecord("RW", Record("RW" + std::to_string(100000000 + i)));
    }
};

TEST_F(RfCheck, MatchingCountGivesNoFinding) {
    FileRW(3);
    EXPECT_TRUE(Check("RF", RF("000000003"), CheckCodeRF).empty());
}

TEST_F(RfCheck, DifferentCount) {
    FileRW(3);
    EXPECT_EQ(Check("RF", RF("000000004"), CheckCodeRF),
              Describe(std::vector<Expected>{{kRef, "[000000004]",
                         "The number of RW records in the submission does not equal the value in the RF record.", 2}}));
}

TEST_F(RfCheck, NoRwRecordAtAllCountsZero) {
    // A submission without employees: the count is 0, not a database failure.
    log().AddRecord("RE", Record("RE2008"));
    EXPECT_TRUE(Check("RF", RF("000000000"), CheckCodeRF).empty());
    findings().findings.clear();
    EXPECT_EQ(Check("RF", RF("000000001"), CheckCodeRF).size(), 1u);
}

TEST_F(RfCheck, NotNumericIsNotCompared) {
    FileRW(1);
    EXPECT_EQ(Check("RF", RF("00000 001"), CheckCodeRF),
              Describe(std::vector<Expected>{
                  {kRef, "[00000 001]", "Must be numeric. Right justify and zero fill.", 2}}));
}

TEST_F(RfCheck, BlanksMustBePrintableAndAllFieldsAreChecked) {
    std::string rec = RF("00000000X");
    Put(rec, 4, "\x01");
    Put(rec, 17, "\x7f");
    Put(rec, 512, "\t");
    std::string tail(496, ' ');
    tail[0] = '\x7f';
    tail[495] = '\t';
    EXPECT_EQ(Check("RF", rec, CheckCodeRF),
              Describe(std::vector<Expected>{
                  {"Blank [Position 3 - 7]", "[ \x01   ]", "Invalid character found in position(s) 4" + kCharTail, 1},
                        {kRef, "[00000000X]", "Must be numeric. Right justify and zero fill.", 2},
                        {"Blank [Position 17 - 512]", "[" + tail + "]",
                         "Invalid character found in position(s) 17 and 512" + kCharTail, 3}}));
}

TEST_F(RfCheck, ViewerJudgesAgainstTheStoredRun) {
    FileRW(2);
    Check("RF", RF("000000002"), CheckCodeRF);
    log().Sync();
    log().Commit();

    ViewerFindings viewer;
    ReaderFacts stored(log().Read());
    CheckContext vctx{viewer, stored, {}, ctx().recNum};
    CheckCodeRF(RF("000000005"), vctx);
    EXPECT_EQ(viewer.Marked(), std::set<int>{2});
}

}  // namespace
}  // namespace quorvex::test
