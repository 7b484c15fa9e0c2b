// Whole submissions through quorvex-check, each run with the log written on the checking
// thread (--threads 1) and on a thread of its own (2): both leave the same log, row for row,
// and say the same.
#include <random>
#include <set>

#include "cli/cli_support.h"

namespace quorvex::test {
namespace {

namespace fs = std::filesystem;

struct Outcome {
    int status;
    std::string findings;  // "record reference" lines
    std::string scalars;   // records, and the identifiers of those with errors
};

Outcome RunBothModes(const std::vector<fs::path>& files, const std::string& limit = "25000") {
    TempDir one, two;
    std::string dumps[2];
    CliResult runs[2];
    for (int k = 0; k < 2; ++k) {
        std::vector<std::string> args = {"--quiet", "--today", "2009-01-15", "--limit", limit, "--threads",
                                         k ? "2" : "1", "--data-dir", (k ? two : one).path().string()};
        for (const auto& f : files) args.push_back(f.string());
        runs[k] = Main(args, [](RunOptions& o) { o.yieldInterval = std::chrono::microseconds(0); });
        sql::Database db(((k ? two : one) / "Errorlog.mdb").string(), false, true);
        for (const char* table : {"Misc", "Records", "Errors", "TRT", "TRU", "sqlite_sequence"}) {
            auto q = db.prepare(std::string("SELECT * FROM ") + table + " ORDER BY rowid");
            for (dumps[k] += std::string(table) + "\n"; q.step(); dumps[k] += "\n")
                for (int c = 0; c < q.columnCount(); ++c) dumps[k] += (q.isNull(c) ? "<null>" : q.text(c)) + "|";
        }
    }
    EXPECT_EQ(std::tuple(runs[0].status, runs[0].err), std::tuple(runs[1].status, runs[1].err));
    EXPECT_EQ(dumps[0], dumps[1]);
    const fs::path log = one / "Errorlog.mdb";
    return {runs[0].status,
            LogScalar(log, "SELECT GROUP_CONCAT(Rec_Num || ' ' || Reference, char(10)) FROM (SELECT * FROM Errors ORDER BY Err_Num)"),
            LogScalar(log, "SELECT COUNT(*) || ' ' || COALESCE((SELECT GROUP_CONCAT(DISTINCT ID) FROM Records WHERE Errors > 0), "
                           "'') FROM Records")};
}

TEST(WholeRuns, ExamplesGiveExactlyThePlantedFindings) {
    const fs::path examples = fs::path(QUORVEX_SOURCE_DIR) / "examples";
    EXPECT_EQ(RunBothModes({examples / "valid-2008.txt"}).findings, "NULL");
    const Outcome faulty = RunBothModes({examples / "faulty-2008.txt"});
    EXPECT_EQ(faulty.status, 1);
    EXPECT_EQ(faulty.findings,
              "1 Contact Phone Number [Position 423 - 437]\n2 State Abbreviation [Position 163 - 164]\n"
              "3 SSN [Position 3 - 11]\n5 Federal Income Tax Withheld [Position 199 - 209]\n"
              "6 Allocated Tips [Position 12 - 22]\n7 Employee Last Name [Position 42 - 61]\n"
              "9 Federal Income Tax Withheld [Position 25 - 39]\n10 Allocated Tips [Position 10 - 24]\n"
              "13 Zip Code [Position 134 - 138]\n15 Wages, Tips and Other Compensation [Position 10 - 24]");
}

// A generated submission (blocks with and without RO records, every money field, every
// jurisdiction) is valid and reconciles; one amount changed in the second block's RT gives
// exactly one finding, on that record.
TEST(WholeRuns, GeneratedSubmissionsReconcile) {
    TempDir dir;
    auto shape = UniformShape(12, 150);
    shape.roEvery = 3, shape.allMoney = true, shape.territories = true;
    EXPECT_EQ(WriteSubmission(shape, (dir / "g.txt").string()).records, 2430);
    Outcome o = RunBothModes({dir / "g.txt"});
    EXPECT_EQ(std::tuple(o.status, o.scalars), std::tuple(0, "2430 "));
    shape = UniformShape(3, 4);
    shape.allMoney = true;
    WriteSubmission(shape, (dir / "g.txt").string());
    std::string text = ReadFile(dir / "g.txt");
    const std::size_t rt = text.find("\nRT", text.find("\nRT") + 1) + 1;  // the second RT: record 13
    Put(text, static_cast<int>(rt) + 85, Digits(std::stod(text.substr(rt + 84, 15)) + 1, 15));
    WriteFile(dir / "g.txt", text);
    o = RunBothModes({dir / "g.txt"});
    EXPECT_EQ(std::tuple(o.status, o.findings), std::tuple(1, "13 Medicare Tax Withheld [Position 85 - 99]"));
}

// Seeded faults in a valid submission: characters changed anywhere (identifiers included),
// records dropped or cut short, the submission split over two files (with an end-of-file
// mark after the first), low error limits.
TEST(WholeRuns, FaultySubmissionsLeaveTheSameLogInBothModes) {
    TempDir dir;
    auto shape = UniformShape(3, 20);
    shape.roEvery = 1, shape.allMoney = true, shape.territories = true;
    WriteSubmission(shape, (dir / "valid.txt").string());
    const std::string text = ReadFile(dir / "valid.txt");
    std::vector<std::string> valid;
    for (std::size_t at = 0; at < text.size(); at += 514) valid.push_back(text.substr(at, 512));
    const std::string pool = "09 A-x.\xe9\x01";
    std::mt19937 random(2008);
    auto pick = [&random](std::size_t n) { return static_cast<std::size_t>(random() % n); };
    std::string seen;
    std::set<int> statuses;
    for (int round = 0; round < 60; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        std::vector<std::string> recs = valid;
        for (int k = 1 + static_cast<int>(pick(3)); k > 0; --k) {
            // Every fourth round the first record (RA) among them, every fourth the last (RF).
            const std::size_t at = k > 1 || round % 4 > 1 ? pick(recs.size()) : round % 4 ? 0 : recs.size() - 1;
            recs[at][pick(20) == 0 ? pick(2) : 2 + pick(510)] = pool[pick(pool.size())];
        }
        if (pick(10) == 0) recs.erase(recs.begin() + static_cast<long>(1 + pick(recs.size() - 1)));
        if (pick(10) == 0) recs[pick(recs.size())].resize(100 + pick(400));
        const auto split = recs.begin() + static_cast<long>(pick(3) == 0 ? 2 + pick(recs.size() - 2) : recs.size());
        WriteFile(dir / "a.txt", Lines(std::vector<std::string>(recs.begin(), split)) + (pick(2) ? "\x1a" : ""));
        WriteFile(dir / "b.txt", Lines(std::vector<std::string>(split, recs.end())));
        std::vector<fs::path> files = {dir / "a.txt"};
        if (split != recs.end()) files.push_back(dir / "b.txt");
        const Outcome o = RunBothModes(files, std::vector<std::string>{"1", "4", "500"}[pick(3)]);
        seen += o.scalars;
        statuses.insert(o.status);
    }
    for (const char* type : {"RA", "RE", "RW", "RO", "RT", "RU", "RF"}) EXPECT_NE(seen.find(type), std::string::npos) << type;
    EXPECT_TRUE(statuses.count(1) && statuses.count(2));
}

}  // namespace
}  // namespace quorvex::test
