// The record field viewer's rows and marks (one routine for the window and the command
// line), and its invariant: re-checking a stored record highlights exactly the fields its
// logged findings name.

#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "errorlog/log_reader.h"
#include "reader/run.h"
#include "results/core/record_view.h"
#include "support/records.h"
#include "support/scripted_services.h"
#include "support/test_support.h"
#include "validation/layouts.h"

namespace quorvex {
namespace {

// Tests `content` as a submission in `folder` and returns the reader of the log it leaves.
LogReader Tested(const test::TempDir& folder, const std::string& content) {
    test::WriteFile(folder / "sub.txt", content);
    test::ScriptedServices services;
    services.files = {(folder / "sub.txt").string()};
    RunOptions options;
    options.programFolder = folder.path();
    options.errorLimit = 25000;
    options.yieldInterval = std::chrono::hours(1);
    Run(services, options).ReadFile();
    return *LogReader::OpenIn(folder.path());
}

std::string Lines(const std::vector<std::string>& records) {
    std::string out;
    for (const auto& r : records) out += r + "\r\n";
    return out;
}

// The field of `type` whose positions a reference names ("... [Position a - b]" or
// "... [Position a]"); -1 when none has them.
int FieldNamed(RecordType type, const std::string& reference) {
    // The wage base rules of RW records name no positions: they are about Social Security Wages.
    if (reference == "Prior Year Max" || reference == "Current Year Max" || reference == "Annual Household Min")
        return FieldNamed(type, "[Position 210 - 220]");
    int first = 0, last = 0;
    const auto at = reference.rfind("[Position ");
    if (at == std::string::npos) return -1;
    const int n = std::sscanf(reference.c_str() + at, "[Position %d - %d]", &first, &last);
    if (n == 1) last = first;
    for (const FieldLayout& f : Layout(type))
        if (f.first == first && f.last == last) return f.index;
    return -1;
}

// A generated submission (blocks of every tax jurisdiction, RO records in every other
// block, every money field filled) with faults planted: a third of the RE records get
// another tax year, employment code or jurisdiction, and random characters are replaced
// in the RA, the RF and one record in eight.
std::string FaultySubmission(std::uint64_t seed) {
    test::SubmissionShape shape = test::UniformShape(12, 9);
    shape.roEvery = 2;
    shape.allMoney = true;
    shape.territories = true;
    shape.seed = seed;
    test::TempDir dir;
    test::WriteSubmission(shape, (dir / "clean.txt").string());
    const std::string clean = test::ReadFile(dir / "clean.txt");

    std::mt19937_64 random(seed);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<std::uint64_t>(n)); };
    const std::string pool = "A9 0Z*-.#a\x01\xe9";
    std::string out;
    int re = 0;
    for (std::size_t at = 0; at < clean.size(); at += 514) {
        std::string rec = clean.substr(at, 512);
        const std::string id = rec.substr(0, 2);
        if (id == "RE" && re++ % 3 == 1) {
            const std::string_view changes[] = {"2007", "X", "H", "Q", "A"};
            const std::string_view change = changes[pick(5)];
            test::Put(rec, change.size() == 4 ? 3 : change == "X" ? 220 : 219, change);
        }
        if (id == "RA" || id == "RF" || pick(8) == 0) {
            for (int n = 1 + pick(3); n > 0; --n) rec[static_cast<std::size_t>(2 + pick(510))] = pool[pick(12)];
        }
        out += rec + "\r\n";
    }
    return out;
}

TEST(RecordViewInvariant, HighlightsExactlyTheFieldsItsLoggedFindingsName) {
    int compared = 0;
    std::map<std::string, int> withFindings;
    for (std::uint64_t seed : {11u, 12u, 13u, 14u}) {
        test::TempDir dir;
        const LogReader log = Tested(dir, FaultySubmission(seed));
        // Backwards, with one set of block contexts: every record is re-checked with its own
        // block's context, never the one a later block left.
        BlockContexts contexts;
        for (std::int64_t recNum = log.LastRecNum(); recNum >= 1; --recNum) {
            const std::vector<ErrorRow> errors = log.ErrorsOf(recNum);
            if (std::any_of(errors.begin(), errors.end(), [](const ErrorRow& e) { return e.critical; })) continue;
            const RecordView view = *ViewRecord(log, recNum, contexts);
            const std::string id = view.rows.front().value;
            const RecordType type = *RecordTypeOf(id);
            std::map<int, std::vector<std::string>> logged;
            for (const ErrorRow& e : errors) {
                const int field = FieldNamed(type, e.reference);
                ASSERT_GE(field, 0) << "record " << recNum << ": " << e.reference;
                logged[field].push_back(e.error);
            }
            std::map<int, std::vector<std::string>> marked;
            for (const ViewerRow& row : view.rows)
                if (row.marked) marked[row.index] = row.messages;
            EXPECT_EQ(marked, logged) << "seed " << seed << ", record " << recNum << " (" << id << ")";
            ++compared;
            if (!errors.empty()) ++withFindings[id];
        }
    }
    for (const char* id : {"RA", "RE", "RW", "RO", "RT", "RU", "RF"}) EXPECT_GT(withFindings[id], 0) << id;
    EXPECT_GT(compared, 500);
    std::printf("records compared: %d\n", compared);
}

// Rows for each kind of stored record: how many, which boxes are highlighted, what the
// identifier's tooltip says.
TEST(RecordView, RowsAndMarksOfEachKindOfRecord) {
    std::string badSsn = test::ValidRecord("RW");
    test::Put(badSsn, 3, "12345678X");
    struct Case {
        const char* name;
        std::vector<std::string> records;
        std::int64_t shown;
        std::size_t rows;
        std::set<int> marked;
        std::string identifierTip;
    };
    const std::vector<Case> cases = {
        {"ordinary errors", {test::ValidRecord("RA"), test::ValidRecord("RE"), badSsn}, 3, 47, {1}, ""},
        {"only a critical length error", {test::ValidRecord("RA"), test::ValidRecord("RE"), badSsn.substr(0, 300)},
         3, 47, {}, ""},
        {"only a critical order error", test::ValidRecords({"RA", "RE", "RT"}), 3, 29, {0},
         "RW record must follow RE record."},
        {"unknown identifier", test::ValidRecords({"RA", "RE", "XX"}), 3, 1, {0},
         "Enter appropriate code: RW, RO, RS, RT, RU, RV, or RF. This condition may also be caused by an incorrect "
         "record length."},
        {"RS record", test::ValidRecords({"RA", "RE", "RW", "RS", "RT", "RF"}), 4, 1, {}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempDir dir;
        const LogReader log = Tested(dir, Lines(c.records));
        BlockContexts contexts;
        const RecordView view = *ViewRecord(log, c.shown, contexts);
        ASSERT_EQ(view.rows.size(), c.rows);
        std::set<int> marked;
        std::string values;
        const std::string stored = log.Record(c.shown)->record;
        for (const ViewerRow& row : view.rows) {
            if (row.marked) marked.insert(row.index);
            values += row.value;
        }
        EXPECT_EQ(marked, c.marked);
        // The rows cover the stored record position by position, as far as it goes.
        EXPECT_EQ(values, c.rows > 1 ? stored : stored.substr(0, 2));
        EXPECT_EQ(view.rows[0].messages, c.identifierTip.empty() ? std::vector<std::string>{}
                                                                  : std::vector<std::string>{c.identifierTip});
        EXPECT_FALSE(ViewRecord(log, 99, contexts).has_value());
    }
}

}  // namespace
}  // namespace quorvex
