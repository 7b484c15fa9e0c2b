// Whole submissions through quorvex-check, each run with the log written on the checking
// thread (--threads 1) and on a thread of its own (2): the two must leave the same log row
// for row and say the same.
#include <random>
#include <set>

#include "cli/cli_support.h"

namespace quorvex::test {
namespace {

namespace fs = std::filesystem;

std::string Dump(const fs::path& log) {
    sql::Database db(log.string(), false, true);
    std::string out;
    for (const char* table : {"Misc", "Records", "Errors", "TRT", "TRU", "sqlite_sequence"}) {
        auto q = db.prepare(std::string("SELECT * FROM ") + table + " ORDER BY rowid");
        for (out += std::string(table) + "\n"; q.step(); out += "\n")
            for (int c = 0; c < q.columnCount(); ++c) out += (q.isNull(c) ? "<null>" : q.text(c)) + "|";
    }
    return out;
}

struct Outcome {
    int status;
    std::string findings;  // "record reference" lines
    std::set<std::string> typesWithErrors;
    std::string records;
    std::string sums;  // errors of totals that do not add up
};

Outcome RunBothModes(const std::vector<fs::path>& files, const std::string& limit = "25000") {
    TempDir one, two;
    auto run = [&](const TempDir& data, const char* threads) {
        std::vector<std::string> args = {"--quiet", "--today", "2009-01-15", "--limit", limit, "--threads", threads,
                                         "--data-dir", data.path().string()};
        for (const auto& f : files) args.push_back(f.string());
        return Main(args, [](RunOptions& o) { o.yieldInterval = std::chrono::microseconds(0); });
    };
    const CliResult a = run(one, "1"), b = run(two, "2");
    EXPECT_EQ(a.status, b.status);
    EXPECT_EQ(a.err, b.err);
    EXPECT_EQ(Dump(one / "Errorlog.mdb"), Dump(two / "Errorlog.mdb"));
    Outcome o{a.status, Findings(one.path()), {}, LogScalar(one / "Errorlog.mdb", "SELECT COUNT(*) FROM Records"),
              LogScalar(one / "Errorlog.mdb", "SELECT COUNT(*) FROM Errors WHERE Error LIKE 'The sum of%' OR "
                                              "Error LIKE 'The number of%' OR Error LIKE 'The calculated sum%'")};
    sql::Database db((one / "Errorlog.mdb").string(), false, true);
    for (auto q = db.prepare("SELECT DISTINCT ID FROM Records WHERE Errors > 0"); q.step();) o.typesWithErrors.insert(q.text(0));
    return o;
}

TEST(WholeRuns, ExamplesGiveExactlyThePlantedFindings) {
    const fs::path examples = fs::path(QUORVEX_SOURCE_DIR) / "examples";
    EXPECT_EQ(RunBothModes({examples / "valid-2008.txt"}).findings, "");
    const Outcome faulty = RunBothModes({examples / "faulty-2008.txt"});
    EXPECT_EQ(faulty.status, 1);
    EXPECT_EQ(faulty.findings,
              "1 Contact Phone Number [Position 423 - 437]\n2 State Abbreviation [Position 163 - 164]\n"
              "3 SSN [Position 3 - 11]\n5 Federal Income Tax Withheld [Position 199 - 209]\n"
              "6 Allocated Tips [Position 12 - 22]\n7 Employee Last Name [Position 42 - 61]\n"
              "9 Federal Income Tax Withheld [Position 25 - 39]\n10 Allocated Tips [Position 10 - 24]\n"
              "13 Zip Code [Position 134 - 138]\n15 Wages, Tips and Other Compensation [Position 10 - 24]\n");
}

// Files written by other payroll programs: their totals agree with their records.
TEST(WholeRuns, PeerFilesReconcile) {
    const char* env = std::getenv("QUORVEX_PEER_DIR");
    const fs::path peer = env && *env ? env : QUORVEX_PEER_DIR;
    if (!fs::is_directory(peer)) GTEST_SKIP() << "no peer files at " << peer;
    int files = 0;
    for (const auto& entry : fs::directory_iterator(peer)) {
        if (entry.path().extension() != ".txt") continue;
        ++files;
        const Outcome o = RunBothModes({entry.path()});
        EXPECT_LE(o.status, 2) << entry.path();  // a state-only file stops on its record order
        EXPECT_EQ(o.sums, "0") << entry.path();
    }
    EXPECT_GT(files, 0);
}

// Generated submissions of every shape are valid and reconcile; one amount changed in the
// second block's RT gives exactly one finding, on that record.
TEST(WholeRuns, GeneratedSubmissionsReconcile) {
    for (auto [roEvery, allMoney, territories] : {std::tuple{0, false, false}, {1, false, false}, {1, true, false},
                                                  {1, true, true}, {3, false, true}}) {
        SCOPED_TRACE(std::to_string(roEvery) + " " + std::to_string(allMoney) + " " + std::to_string(territories));
        TempDir dir;
        auto shape = UniformShape(12, 150);
        shape.roEvery = roEvery, shape.allMoney = allMoney, shape.territories = territories, shape.seed = 42;
        const auto written = WriteSubmission(shape, (dir / "g.txt").string());
        const Outcome o = RunBothModes({dir / "g.txt"});
        EXPECT_EQ(o.status, 0);
        EXPECT_EQ(o.findings, "");
        EXPECT_EQ(o.records, std::to_string(written.records));
        EXPECT_EQ(written.records, RecordCount(shape));
    }
    TempDir dir;
    auto shape = UniformShape(3, 4);
    shape.allMoney = true;
    WriteSubmission(shape, (dir / "g.txt").string());
    std::string text = ReadFile(dir / "g.txt");
    const std::size_t rt = text.find("\nRT", text.find("\nRT") + 1) + 1;  // the second RT: record 13
    Put(text, static_cast<int>(rt) + 85, Digits(std::stod(text.substr(rt + 84, 15)) + 1, 15));
    WriteFile(dir / "g.txt", text);
    const Outcome o = RunBothModes({dir / "g.txt"});
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.findings, "13 Medicare Tax Withheld [Position 85 - 99]\n");
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
    std::set<std::string> typesWithErrors;
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
        const std::size_t split = pick(3) == 0 ? 2 + pick(recs.size() - 2) : recs.size();
        WriteFile(dir / "a.txt", Lines(std::vector<std::string>(recs.begin(), recs.begin() + static_cast<long>(split))) + (pick(2) ? "\x1a" : ""));
        WriteFile(dir / "b.txt", Lines(std::vector<std::string>(recs.begin() + static_cast<long>(split), recs.end())));
        std::vector<fs::path> files = {dir / "a.txt"};
        if (split < recs.size()) files.push_back(dir / "b.txt");
        const Outcome o = RunBothModes(files, std::vector<std::string>{"1", "4", "500"}[pick(3)]);
        typesWithErrors.insert(o.typesWithErrors.begin(), o.typesWithErrors.end());
        statuses.insert(o.status);
    }
    for (const char* type : {"RA", "RE", "RW", "RO", "RT", "RU", "RF"}) EXPECT_TRUE(typesWithErrors.count(type)) << type;
    EXPECT_TRUE(statuses.count(1) && statuses.count(2));
}

}  // namespace
}  // namespace quorvex::test
