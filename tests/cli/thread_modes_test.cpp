// A run leaves the same log, row for row, and tells the user the same, whether its log is
// written on the thread that checks the records or on a thread of its own.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "errorlog/error_log.h"
#include "errorlog/sqlite.h"
#include "reader/run.h"
#include "support/records.h"
#include "support/scripted_services.h"
#include "support/test_support.h"

namespace quorvex::test {
namespace {

namespace fs = std::filesystem;

// Every row of every table of the log, column by column.
std::string Dump(const fs::path& log) {
    sql::Database db(log.string(), false, true);
    std::string out;
    for (const char* table : {"Misc", "Records", "Errors", "TRT", "TRU", "sqlite_sequence"}) {
        auto q = db.prepare(std::string("SELECT * FROM ") + table + " ORDER BY rowid");
        out += std::string(table) + "\n";
        while (q.step()) {
            for (int c = 0; c < q.columnCount(); ++c) out += (q.isNull(c) ? "<null>" : q.text(c)) + "|";
            out += "\n";
        }
    }
    return out;
}

struct Result {
    std::string summary;                   // outcome, counts, the critical error
    std::vector<std::string> messages;     // title: text
    std::string dump;                      // empty when the run left no log
    std::set<std::string> typesWithErrors; // identifiers of the records with an error row
};

// A run over `files`: the first answers the first file dialog, the others the next-file dialogs.
Result RunFiles(const std::vector<fs::path>& files, bool writerThread, int limit) {
    TempDir folder;
    ScriptedServices services;
    for (const auto& f : files) services.files.push_back(f.string());
    RunOptions options;
    options.programFolder = folder.path();
    options.errorLimit = limit;
    options.yieldInterval = std::chrono::microseconds(0);
    options.writerThread = writerThread;
    Result r;
    {
        Run run(services, options);
        const RunSummary s = run.ReadFile();
        run.CloseDatabase();
        r.summary = std::to_string(static_cast<int>(s.outcome)) + " " + std::to_string(s.recordsTested) + " " +
                    std::to_string(s.recordsWithErrors) + " " + std::to_string(s.errorsFound) + " " +
                    std::to_string(s.criticalRecord) + " " + s.criticalReference + " " + s.criticalUserEntry + " " +
                    s.criticalError;
    }
    for (const auto& m : services.messages) r.messages.push_back(m.title + ": " + m.text);
    if (const auto log = ErrorLog::Find(folder.path())) {
        r.dump = Dump(*log);
        sql::Database db(log->string(), false, true);
        auto q = db.prepare("SELECT DISTINCT ID FROM Records WHERE Errors > 0");
        while (q.step()) r.typesWithErrors.insert(q.text(0));
    }
    return r;
}

// Runs `files` in both ways and expects the same; returns the run with the writer thread.
Result ExpectSameInBothModes(const std::vector<fs::path>& files, int limit, const std::string& what) {
    const Result one = RunFiles(files, false, limit);
    Result two = RunFiles(files, true, limit);
    EXPECT_FALSE(one.dump.empty()) << what;
    EXPECT_EQ(one.dump, two.dump) << what;
    EXPECT_EQ(one.summary, two.summary) << what;
    EXPECT_EQ(one.messages, two.messages) << what;
    return two;
}

TEST(ThreadModes, ExamplesAndPeerFilesLeaveTheSameLog) {
    const char* env = std::getenv("QUORVEX_PEER_DIR");
    int files = 0;
    for (const fs::path& folder : {fs::path(QUORVEX_SOURCE_DIR) / "examples", fs::path(env && *env ? env : QUORVEX_PEER_DIR)}) {
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(folder, ec)) {
            if (entry.path().extension() != ".txt") continue;
            ++files;
            ExpectSameInBothModes({entry.path()}, 500, entry.path().string());
        }
    }
    EXPECT_GE(files, 2);
}

// Valid records of three employer blocks with RO records, amounts in every money field and
// territory codes, cut from a generated submission. Forty records in a row without a finding
// reach the writer's statements that store many records at once.
std::vector<std::string> ValidSubmission() {
    TempDir dir;
    auto shape = test::UniformShape(3, 20);
    shape.roEvery = 1;
    shape.allMoney = true;
    shape.territories = true;
    test::WriteSubmission(shape, (dir / "valid.txt").string());
    const std::string text = ReadFile(dir / "valid.txt");
    std::vector<std::string> records;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = text.find("\r\n", at);
        records.push_back(text.substr(at, end - at));
        at = end + 2;
    }
    return records;
}

// Seeded faults in valid submissions: characters changed anywhere (identifiers included),
// records dropped or cut short, the submission split over two files (with an end-of-file
// mark after the first), low error limits. Findings in every record type, critical stops
// and continued files must all leave the same log.
TEST(ThreadModes, FaultySubmissionsLeaveTheSameLog) {
    const std::vector<std::string> valid = ValidSubmission();
    const std::string pool = "09 A-x.\xe9\x01";
    std::mt19937 random(2008);
    auto pick = [&random](std::size_t n) { return static_cast<std::size_t>(random() % n); };
    std::set<std::string> typesWithErrors;
    std::set<int> outcomes;
    int continued = 0;
    for (int round = 0; round < 60; ++round) {
        std::vector<std::string> recs = valid;
        for (int k = 1 + static_cast<int>(pick(3)); k > 0; --k) {
            // Every fourth round the first record (RA) among them, every fourth the last (RF).
            const std::size_t at = k > 1 || round % 4 > 1 ? pick(recs.size()) : round % 4 ? 0 : recs.size() - 1;
            std::string& rec = recs[at];
            const std::size_t pos = pick(20) == 0 ? pick(2) : 2 + pick(510);
            rec[pos] = pool[pick(pool.size())];
        }
        if (pick(10) == 0) recs.erase(recs.begin() + static_cast<long>(1 + pick(recs.size() - 1)));
        if (pick(10) == 0) recs[pick(recs.size())].resize(100 + pick(400));

        TempDir dir;
        std::vector<std::string> contents(1);
        const std::size_t split = pick(3) == 0 ? 2 + pick(recs.size() - 2) : recs.size();
        for (std::size_t i = 0; i < recs.size(); ++i) {
            if (i == split) {
                if (pick(2) == 0) contents.back() += "\x1a";
                contents.emplace_back();
            }
            contents.back() += recs[i] + "\r\n";
        }
        std::vector<fs::path> files;
        for (std::size_t i = 0; i < contents.size(); ++i) {
            files.push_back(dir / ("part" + std::to_string(i) + ".txt"));
            WriteFile(files.back(), contents[i]);
        }
        const int limit = std::vector<int>{1, 4, 500}[pick(3)];
        const Result r = ExpectSameInBothModes(files, limit, "round " + std::to_string(round));
        typesWithErrors.insert(r.typesWithErrors.begin(), r.typesWithErrors.end());
        outcomes.insert(std::stoi(r.summary));
        if (files.size() > 1 && !r.messages.empty() && r.messages.front().rfind("Missing Final Record", 0) == 0)
            ++continued;
    }
    for (const char* type : {"RA", "RE", "RW", "RO", "RT", "RU", "RF"}) EXPECT_TRUE(typesWithErrors.count(type)) << type;
    EXPECT_TRUE(outcomes.count(static_cast<int>(RunOutcome::Errors)));
    EXPECT_TRUE(outcomes.count(static_cast<int>(RunOutcome::Stopped)));
    EXPECT_GT(continued, 0);
}

}  // namespace
}  // namespace quorvex::test
