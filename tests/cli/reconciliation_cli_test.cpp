// Whole submissions through quorvex-check: employer blocks whose RT and RU totals are
// reconciled with their RW and RO records.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "errorlog/sqlite.h"
#include "support/test_support.h"
#include "support/records.h"

namespace quorvex::test {
namespace {

struct CliResult {
    int exitCode;
    std::vector<std::string> rows;  // "<ID> | <Reference> | <Error>"
};

CliResult CheckFile(const TempDir& dir, const std::filesystem::path& file) {
    const std::string cmd = std::string(QUORVEX_CHECK_EXE) + " --quiet --today 2009-01-15 --data-dir '" +
                            dir.path().string() + "' '" + file.string() + "' >/dev/null 2>&1";
    const int status = std::system(cmd.c_str());
    CliResult result{WIFEXITED(status) ? WEXITSTATUS(status) : -1, {}};
    sql::Database db((dir / "Errorlog.mdb").string(), false, true);
    auto q = db.prepare(
        "Select Records.ID, Errors.Reference, Errors.Error From Errors, Records "
        "Where Errors.Rec_Num = Records.Rec_Num Order By Errors.Err_Num");
    while (q.step()) result.rows.push_back(q.text(0) + " | " + q.text(1) + " | " + q.text(2));
    return result;
}

// RA, then `blocks` employer blocks with RT and (when they have RO records) RU totals, then RF.
std::vector<std::string> Submission(std::mt19937_64& rng, int blocks) {
    std::vector<std::string> recs{BaselineRA()};
    auto upTo = [&](std::uint64_t max) { return static_cast<double>(rng() % (max + 1)); };
    int rwTotal = 0;
    for (int b = 0; b < blocks; ++b) {
        recs.push_back(MakeRE('R', ' ', "2008", "12345678" + std::to_string(b % 10)));
        RwAmounts rwSum{};
        RoAmounts roSum{};
        const int employees = 1 + static_cast<int>(rng() % 8);
        int ros = 0;
        for (int e = 0; e < employees; ++e) {
            RwAmounts a{};
            for (int n : {1, 2, 8, 9, 10, 11, 12, 13, 14, 16, 17, 18, 19, 20, 21, 22, 23, 24})
                a[static_cast<std::size_t>(n)] = upTo(99999999999ULL);
            a[3] = 1 + upTo(9000000);
            a[7] = upTo(50000);
            a[4] = upTo(600000);
            a[5] = a[3] + a[7] + upTo(90000000000ULL);
            a[6] = upTo(1000000000);
            recs.push_back(MakeRW(Digits(static_cast<double>(200000000 + rng() % 500000000), 9), a));
            for (std::size_t n = 1; n < rwSum.size(); ++n) rwSum[n] += a[n];
            if (rng() % 2) {
                RoAmounts o{};
                for (std::size_t n = 1; n <= 8; ++n) o[n] = upTo(99999999999ULL);
                recs.push_back(MakeRO(o));
                for (std::size_t n = 1; n < roSum.size(); ++n) roSum[n] += o[n];
                ++ros;
            }
        }
        rwTotal += employees;
        recs.push_back(MakeRT(employees, rwSum));
        if (ros) recs.push_back(MakeRU(ros, roSum));
    }
    recs.push_back(MakeRF(Digits(rwTotal, 9)));
    return recs;
}

std::filesystem::path Write(const TempDir& dir, const std::vector<std::string>& recs) {
    std::string text;
    for (const auto& r : recs) text += r + "\r\n";
    WriteFile(dir / "w2.txt", text);
    return dir / "w2.txt";
}

TEST(ReconciliationCli, GeneratedBlocksReconcileWithoutFindings) {
    std::mt19937_64 rng(2008);
    for (int blocks : {1, 4}) {
        TempDir dir;
        const CliResult r = CheckFile(dir, Write(dir, Submission(rng, blocks)));
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_TRUE(r.rows.empty()) << r.rows[0];
    }
}

TEST(ReconciliationCli, OneChangedAmountGivesOneTotalsFinding) {
    std::mt19937_64 rng(99);
    std::vector<std::string> recs = Submission(rng, 3);
    // The second block's RT: Medicare Tax Withheld reported one cent high.
    int seen = 0;
    for (auto& rec : recs) {
        if (rec.compare(0, 2, "RT") != 0 || ++seen != 2) continue;
        const double reported = std::stod(rec.substr(84, 15)) + 1;
        Put(rec, 85, Digits(reported, 15));
    }
    TempDir dir;
    const CliResult r = CheckFile(dir, Write(dir, recs));
    EXPECT_EQ(r.exitCode, 1);
    ASSERT_EQ(r.rows.size(), 1u);
    EXPECT_EQ(r.rows[0].rfind("RT | Medicare Tax Withheld [Position 85 - 99] | The sum of the RW Medicare Tax "
                              "Withheld amounts does not equal",
                              0),
              0u)
        << r.rows[0];
}

// Files written by other payroll programs: their RT and RU totals agree with the sums of
// their RW and RO records, so no count or sum finding may appear.
TEST(ReconciliationCli, PeerFilesReconcile) {
    const char* env = std::getenv("QUORVEX_PEER_DIR");
    const std::filesystem::path peer = env && *env ? env : QUORVEX_PEER_DIR;
    if (!std::filesystem::is_directory(peer)) GTEST_SKIP() << "no peer files at " << peer;
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(peer)) {
        if (entry.path().extension() != ".txt") continue;
        ++files;
        TempDir dir;
        const CliResult r = CheckFile(dir, entry.path());
        // A state-only file stops on its record order (2); none may crash.
        EXPECT_TRUE(r.exitCode >= 0 && r.exitCode <= 2) << entry.path();
        for (const auto& row : r.rows) {
            if (row.rfind("RT", 0) != 0 && row.rfind("RU", 0) != 0) continue;
            EXPECT_EQ(row.find("The sum of the"), std::string::npos) << entry.path() << ": " << row;
            EXPECT_EQ(row.find("The number of"), std::string::npos) << entry.path() << ": " << row;
            EXPECT_EQ(row.find("The calculated sum"), std::string::npos) << entry.path() << ": " << row;
        }
    }
    EXPECT_GT(files, 0);
}

}  // namespace
}  // namespace quorvex::test
