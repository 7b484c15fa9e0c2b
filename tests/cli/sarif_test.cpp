// The SARIF findings as code scanning takes them: keyed fingerprints, rules that say what the
// rule says, how the run ended, and the most results a run may hold.
#include <cstdlib>
#include <map>
#include <sstream>

#include <gtest/gtest.h>

#include "cli/check_in_process.h"
#include "history/run_record.h"
#include "report/core/findings_formats.h"
#include "support/test_support.h"

namespace quorvex::test {
namespace {

namespace fs = std::filesystem;

const fs::path kFaulty = fs::path(QUORVEX_SOURCE_DIR) / "examples/faulty-2008.txt";

// The document the SARIF writer makes of `rows`.
std::string Sarif(const std::vector<FindingRow>& rows, FindingsContext context = {}) {
    std::ostringstream out;
    FindingsWriter writer(FindingsFormat::Sarif, out, std::move(context));
    for (const FindingRow& row : rows) writer.Add(row);
    writer.Finish();
    return out.str();
}

FindingRow Row(std::string_view type, std::string_view reference, std::string_view message, std::int64_t record = 1) {
    FindingRow row;
    row.errNum = record, row.recNum = record, row.id = type, row.reference = reference, row.error = message;
    return row;
}

TEST(Sarif, FingerprintsAreKeyed) {
    // RFC 4231, cases 2 and 6 (a key longer than a block).
    EXPECT_EQ(HmacSha256("Jefe").Hex("what do ya want for nothing?"),
              "5bdcc146bf60754e6a042426089575c75a003f089d2739839dec58b964ec3843");
    EXPECT_EQ(HmacSha256(std::string(131, '\xaa')).Hex("Test Using Larger Than Block-Size Key - Hash Key First"),
              "60e431591ee0b67f0d8a26aacbf5b77f8e0bc6213728c5140546040f0ee37f54");
    TempDir dir;
    std::map<std::pair<std::string, std::string>, std::vector<std::string>> prints;
    auto print = [&](const std::string& key, const std::string& folder) -> const std::vector<std::string>& {
        std::vector<std::string>& p = prints[{key, folder}];
        Environment env;
        if (!key.empty()) env.fingerprintKey = key;
        if (p.empty())
            p = Fingerprints(CheckInProcess({"--data-dir", (dir / folder).string(), "--findings", "sarif", kFaulty}, {}, env).out);
        EXPECT_EQ(p.size(), 10u);
        return p;
    };
    // The pipeline's key gives the same fingerprints in every folder; without it, each folder
    // keeps its own key.
    const struct {
        const char *keyA, *folderA, *keyB, *folderB;
        bool same;
    } rows[] = {{"k1", "a", "k1", "b", true},
                {"", "a", "", "a", true},
                {"", "a", "", "b", false},
                {"k1", "a", "k2", "a", false},
                {"k1", "a", "", "a", false}};
    for (const auto& r : rows)
        EXPECT_EQ(print(r.keyA, r.folderA) == print(r.keyB, r.folderB), r.same)
            << r.keyA << r.folderA << " " << r.keyB << r.folderB;
    EXPECT_EQ(fs::status(dir / "a" / "FingerprintKey.txt").permissions(), kPrivateFile);
}

// A rule's texts keep its own words and numbers and lose what a finding put in its message.
TEST(Sarif, RulesSayWhatTheRuleSays) {
    const struct {
        const char *message, *rule;
    } rows[] = {
        {"The Postal Abbreviation is invalid (see ZRW5).", "invalid (see ZRW5)."},
        {"Must be either 98 or 99.", "Must be either 98 or 99."},
        {"Must not be 111111111 or 333333333 or 123456789 or may not begin with an 8 or 9.",
         "Must not be 111111111 or 333333333 or 123456789 or may not begin with an 8 or 9."},
        {"Invalid character found in position(s) 12, 13 and 150 of this record. Letters (A-Z), numbers (0-9).",
         "position(s) # of this record. Letters (A-Z), numbers (0-9)."},
        {"The calculated sum of the RW amounts for the Tips of the RT record is 12413057. The reported sum of the RW "
         "amounts for the Tips of the RT record is -4.",
         "RT record is #. The reported sum of the RW amounts for the Tips of the RT record is #."},
        {"The number of RW records (12) since the last RE record does not equal the value in the RT record.",
         "RW records (#) since"},
        {"Tips for Tax Year 2008 should not exceed $102,000.00.", "Tips for Tax Year # should not exceed $#."},
        {"entered in the RW record with SSN#: 12345678X.", "with SSN#: #."},
    };
    for (const auto& r : rows) {
        const std::string sarif = Sarif({Row("RW", "Field [Position 3 - 11]", r.message)});
        const std::string rules = sarif.substr(sarif.find("\"rules\":"));
        EXPECT_NE(rules.find(r.rule), std::string::npos) << rules;
        for (const char* data : {"12413057", "-4.", "(12)", "2008", "102,000", "12345678X", "150"})
            EXPECT_EQ(rules.find(data), std::string::npos) << data << " in " << rules;
    }
}

// The error limit is one rule whatever the limit; two kinds of check of one field are two
// rules with names of their own, whichever document they are in.
TEST(Sarif, OneRuleForTheErrorLimitAndANameForEachRule) {
    const std::string limit = "or more errors were encountered. Please correct the errors.";
    const struct {
        std::string reference, message;
    } rows[] = {{"5 or more Errors in submission", "5 " + limit},
                {"500 or more Errors in submission", "500 " + limit},
                {"Zip Code [Position 134 - 138]", "Must be numeric or blank."},
                {"Zip Code [Position 134 - 138]", "Must not be blank."}};
    std::vector<std::string> rules;
    for (const auto& r : rows) {
        FindingRow row = Row("RW", r.reference, r.message);
        row.critical = true;
        const std::string sarif = Sarif({row});
        const std::size_t at = sarif.find("\"rules\":[\n{\"id\":");
        rules.push_back(sarif.substr(at + 17, sarif.find("\"shortDescription\"", at) - at - 17));
    }
    EXPECT_EQ(rules[0], rules[1]);
    EXPECT_NE(rules[0].find("\"name\":\"ErrorLimitReached\""), std::string::npos) << rules[0];
    EXPECT_NE(rules[2].substr(rules[2].find("\"name\"")), rules[3].substr(rules[3].find("\"name\"")));
}

// No run holds more than code scanning takes; a notification says what was left out. A fixed
// finding of a comparison is no error.
TEST(Sarif, ARunHoldsAtMost25000Results) {
    const struct {
        bool compared;
        std::int64_t findings;
        const char* told;
    } rows[] = {{false, 25001,
                 "the first 25,000 of 25,001 findings: code scanning takes no more than 25,000 results "
                 "in a run. The 1 left out begin at record 25,001;"},
                {true, 50018, "The 25,018 left out begin at record 25,001 (25,017 new, 1 still there, 0 fixed)"}};
    for (const auto& r : rows) {
        std::vector<FindingRow> findings(static_cast<std::size_t>(r.findings), Row("RW", "Zip Code", "Must be."));
        for (std::int64_t n = 0; n < r.findings; ++n) {
            findings[n].recNum = n + 1;
            findings[n].status = !r.compared ? "" : n == 0 ? "fixed" : n == 25000 ? "still" : "new";
        }
        FindingsContext context;
        context.compared = r.compared;
        const std::string sarif = Sarif(findings, context);
        EXPECT_EQ(Count(sarif, "\"ruleId\""), 25000u);
        EXPECT_NE(sarif.find(r.told), std::string::npos) << sarif.substr(sarif.size() - 3000);
        EXPECT_EQ(Count(sarif, "\"kind\":\"pass\",\"level\":\"none\""), r.compared ? 1u : 0u);
    }
}

// The invocation: the exit status of a run that finished, what stopped it, where a run that
// did not finish ended.
TEST(Sarif, TheInvocationSaysHowTheRunEnded) {
    TempDir dir;
    const std::string faulty = ReadFile(kFaulty);
    WriteFile(dir / "cut.txt", faulty.substr(0, 15 * 514) + "RF" + std::string(98, ' '));
    auto run = [&](std::vector<std::string> args) {
        args.insert(args.begin(), {"--data-dir", (dir / "data").string(), "--findings", "sarif"});
        return CheckInProcess(args).out;
    };
    FindingRow aborted = Row("RW", "Test Aborted", "The last file did not complete testing.", 7);
    FindingsContext unfinished;
    unfinished.unfinishedAt = 9;
    unfinished.exitCode = 1;
    const struct {
        std::string sarif;
        const char* invocation;
    } rows[] = {
        {run({kFaulty}), R"("invocations":[{"executionSuccessful":true,"exitCode":1}])"},
        {run({(dir / "cut.txt").string()}),
         R"("invocations":[{"executionSuccessful":true,"exitCode":2,"toolExecutionNotifications":[{"level":"note",)"
         R"("message":{"text":"Testing was stopped by the critical error in record 16: )"},
        {run({"--limit", "5", kFaulty}),
         "Testing stopped at record 6, where the error limit was reached (5 or more "
         "Errors in submission)."},
        {run({}), R"("executionSuccessful":true,"exitCode":2,"toolExecutionNotifications":[{"level":"note",)"
                  R"("message":{"text":"Testing stopped at record 6)"},
        {Sarif({aborted}), R"("executionSuccessful":false,"toolExecutionNotifications":[{"level":"error","message":)"
                           R"({"text":"Testing was aborted at record 7 )"},
        {Sarif({}, unfinished), R"("executionSuccessful":false,"toolExecutionNotifications":[{"level":"error",)"
                                R"("message":{"text":"Testing did not finish: the results end at Record Number 9.)"},
    };
    for (const auto& r : rows) EXPECT_NE(r.sarif.find(r.invocation), std::string::npos) << r.sarif;
}

}  // namespace
}  // namespace quorvex::test
