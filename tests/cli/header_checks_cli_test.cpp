// Whole submissions through quorvex-check: the RA, RE and RF findings as Errors rows.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "errorlog/sqlite.h"
#include "support/test_support.h"
#include "support/records.h"

namespace quorvex::test {
namespace {

std::string EmployeeRW() {
    std::string r = Record("RW123456789JOHN");
    Put(r, 42, "DOE");
    Put(r, 88, "1 ELM ST");
    Put(r, 110, "BALTIMORE");
    Put(r, 132, "MD21201");
    for (int pos = 188; pos <= 452; pos += 11) Put(r, pos, "00000000000");
    Put(r, 397, std::string(11, ' '));
    Put(r, 486, "0 00");
    return r;
}

std::string TotalRT() {
    std::string r = Record("RT0000001");
    for (int pos = 10; pos <= 385; pos += 15) Put(r, pos, "000000000000000");
    Put(r, 295, std::string(15, ' '));
    return r;
}

struct CliRun {
    int exitCode;
    std::vector<std::string> rows;  // "<ID> | <Reference> | <User_Entry> | <Error>" of RA, RE, RF records
    std::string storedRA;
};

CliRun CheckFile(const TempDir& dir, const std::vector<std::string>& records) {
    std::string file;
    for (const auto& r : records) file += r + "\r\n";
    WriteFile(dir / "w2.txt", file);
    const std::string cmd = std::string(QUORVEX_CHECK_EXE) + " --quiet --today 2009-01-15 --data-dir '" +
                            dir.path().string() + "' '" + (dir / "w2.txt").string() + "' 2>/dev/null";
    const int status = std::system(cmd.c_str());

    CliRun run{WIFEXITED(status) ? WEXITSTATUS(status) : -1, {}, {}};
    sql::Database db((dir / "Errorlog.mdb").string(), false, true);
    auto q = db.prepare(
        "Select Records.ID, Errors.Reference, Errors.User_Entry, Errors.Error From Errors, Records "
        "Where Errors.Rec_Num = Records.Rec_Num and Records.ID In ('RA', 'RE', 'RF') Order By Errors.Err_Num");
    while (q.step()) run.rows.push_back(q.text(0) + " | " + q.text(1) + " | " + q.text(2) + " | " + q.text(3));
    auto ra = db.prepare("Select Record From Records Where ID = 'RA'");
    if (ra.step()) run.storedRA = ra.text(0);
    return run;
}

TEST(HeaderChecksCli, ValidSubmissionHasNoHeaderFindingsAndMasksTheUserId) {
    TempDir dir;
    const CliRun run = CheckFile(dir, {BaselineRA(), MakeRE(), EmployeeRW(), TotalRT(), MakeRF("000000001")});
    EXPECT_NE(run.exitCode, 2);
    EXPECT_EQ(run.rows, std::vector<std::string>{});
    std::string masked = BaselineRA();
    Put(masked, 12, "********");
    EXPECT_EQ(run.storedRA, masked);
}

TEST(HeaderChecksCli, FindingsOfRaReAndRfAreLoggedInOrder) {
    TempDir dir;
    std::string ra = BaselineRA();
    Put(ra, 12, "AB 2CD34");
    Put(ra, 499, "2");
    Put(ra, 340, "  ");
    std::string re = MakeRE();
    Put(re, 3, "2007");
    const CliRun run = CheckFile(dir, {ra, re, EmployeeRW(), TotalRT(), MakeRF("000000002")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.rows,
              (std::vector<std::string>{
                  "RA | User ID [Position 12 - 19] | [AB 2CD34] | Must not be blank. Must be alphanumeric. This is a "
                  "mandatory field.",
                  "RA | State Abbreviation [Position 340 - 341] | [  ] | If Preferred Method of Problem Notification "
                  "Code [Position 499] equals 2, then the State Abbreviation field cannot be blank.",
                  "RE | Tax Year [Position 3 - 6] | [2007] | The date entered is for a previous tax year. Please check "
                  "that the earnings are for the year being reported.",
                  "RF | Number of RW Records [Position 8 - 16] | [000000002] | The number of RW records in the "
                  "submission does not equal the value in the RF record.",
              }));
    EXPECT_EQ(run.storedRA, ra);  // a failing User ID stays in the log
}

}  // namespace
}  // namespace quorvex::test
