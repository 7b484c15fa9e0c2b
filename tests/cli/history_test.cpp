// The history of runs: what a run leaves in it, its bound, a damaged or locked history, the
// comparison of two runs and the SARIF findings.
#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <tuple>

#include <gtest/gtest.h>

#include "cli/check_in_process.h"
#include "cli/check_main.h"
#include "errorlog/log_reader.h"
#include "errorlog/run_history.h"
#include "errorlog/sqlite.h"
#include "history/compare_runs.h"
#include "history/run_record.h"
#include "reader/run.h"
#include "report/core/report_writers.h"
#include "support/db_faults.h"
#include "support/test_support.h"
#include "validation/field_names.h"
#include "validation/layouts.h"

namespace quorvex::test {
namespace {

namespace fs = std::filesystem;

CliResult Check(const TempDir& dir, std::vector<std::string> args,
                const std::function<void(RunOptions&)>& adjust = {}) {
    args.insert(args.begin(), {"--data-dir", (dir / "data").string()});
    return CheckInProcess(std::move(args), adjust);
}

// Appends `run` to `h` with all of `findings` handed over at once.
std::int64_t AddRun(RunHistory& h, const HistoryRun& run, const std::vector<HistoryFinding>& findings, int keep) {
    struct All : FindingSource {
        explicit All(const std::vector<HistoryFinding>& all) : rest(all) {}
        std::span<const HistoryFinding> Next() override { return std::exchange(rest, {}); }
        std::span<const HistoryFinding> rest;
    } all(findings);
    return h.Add(run, all, keep);
}

const fs::path kExamples = fs::path(QUORVEX_SOURCE_DIR) / "examples";

// The faulty example edited: the state abbreviation of record 2 still wrong but another, the
// zip code of record 13 fixed, the last name of record 14
// blanked, a valid block of three employees of another employer put before the rest (every
// record number moves by 5), the RF count raised to match.
std::string Edited() {
    std::string text = ReadFile(kExamples / "faulty-2008.txt");
    const std::string valid = ReadFile(kExamples / "valid-2008.txt");
    auto record = [](std::string& t, int n) { return t.begin() + (n - 1) * 514; };
    std::copy_n("83701", 5, record(text, 13) + 133);
    std::copy_n("QQ", 2, record(text, 2) + 162);
    std::fill_n(record(text, 14) + 41, 20, ' ');
    std::copy_n("000000009", 9, record(text, 16) + 7);
    std::string block = valid.substr(10 * 514, 5 * 514);
    std::copy_n("124245051", 9, block.begin() + 7);
    return text.insert(514, block);
}

TEST(History, AnEditedSubmissionComparedWithItsLastRun) {
    TempDir dir;
    EXPECT_EQ(Check(dir, {"--compare"}).status, 3);  // no history yet
    WriteFile(dir / "edited.txt", Edited());
    ASSERT_EQ(Check(dir, {"-q", (kExamples / "faulty-2008.txt").string()}).status, 1);
    ASSERT_EQ(Check(dir, {"-q", (dir / "edited.txt").string()}).status, 1);

    EXPECT_EQ(fs::status(dir / "data" / "RunHistory.db").permissions(), kPrivateFile);
    // What each output of the list and the comparison holds, how often. In JSON, record: in run
    // B (none for a fixed one); baseline_record: in run A (none for a new one); err_num: its
    // number in the run it comes from; each at its line in its file.
    const std::string faulty = (kExamples / "faulty-2008.txt").string(), edited = (dir / "edited.txt").string();
    const std::vector<std::string> text = {"--compare"}, json = {"--compare", "1", "2", "--findings", "json"},
                                   sarif = {"--compare", "--findings", "sarif"};
    const std::tuple<std::vector<std::string>, int, std::string, std::size_t> rows[] = {
        {{"--history"}, 0, "finished              16           10       10  " + faulty, 1},
        {text, 1, "Fixed: 1   New: 1   Still: 9\n", 1},
        {text, 1, "New\n  record 19, RW 363862400/124245050: Employee Last Name", 1},
        {text, 1, "Fixed\n  was record 13, RW 363862363/124245050: Zip Code", 1},
        {text, 1, "  record 20 (was 15), RT 124245050: Wages", 1},  // its sums differ
        {text, 1, "  record 7 (was 2), RE 162309797: State Abbreviation", 1},
        {json, 1, R"({"err_num":9,"record":null,"id":"RW","critical":false,"reference":"Zip Code)", 1},
        {json, 1, R"("status":"fixed","baseline_record":13,"file":")" + faulty + R"(","line":13,"column":134,)"
                  R"("end_column":138})", 1},
        {json, 1, R"({"err_num":10,"record":20,"id":"RT")", 1},
        {json, 1, R"("status":"still","baseline_record":15,"file":")" + edited + R"(","line":20,"column":10,)"
                  R"("end_column":24})", 1},
        {json, 1, R"("status":"new","baseline_record":null)", 1},
        {json, 1, R"("status":"still")", 9},
        {{"--compare", "1", "--findings", "csv"}, 1, ",still,", 9},
        {sarif, 1, R"("baselineState":"absent")", 1},
        {sarif, 1, R"("baselineState":"new")", 1},
        {sarif, 1, R"("baselineState":"unchanged")", 8},
        {sarif, 1, R"("baselineState":"updated")", 1},
        {sarif, 1, R"("region":{"startLine":)", 11},  // placed in the files of either run
    };
    for (const auto& [args, status, shown, n] : rows) {
        const CliResult r = Check(dir, args);
        EXPECT_EQ(std::tuple(r.status, Count(r.out, shown)), std::tuple(status, n)) << shown << "\n" << r.out;
    }

    // A clean run after the faulty one: everything fixed, nothing new or still.
    ASSERT_EQ(Check(dir, {"-q", (kExamples / "valid-2008.txt").string()}).status, 0);
    const CliResult clean = Check(dir, {"--compare", "2"});
    EXPECT_EQ(clean.status, 0);
    EXPECT_NE(clean.out.find("Fixed: 10   New: 0   Still: 0"), std::string::npos);
}

// Records that share a type and key are told apart by their occurrence, over many keys; a key
// keeps every byte of its record, a NUL and a letter of the code page as well.
TEST(History, RepeatedKeysCountTheirOccurrences) {
    TempDir dir;
    ErrorLog log = ErrorLog::CreateMDB(dir.path());
    const std::string ssn("36\0\xC9" "62215", 9);
    for (int n = 0; n <= 300; ++n) {
        log.AddRecord("RW", "RW" + (n < 300 ? std::to_string(100000000 + n % 100) : ssn));  // 100 SSNs, 3 times each
        log.LogError("r", "u", "e");
    }
    log.Sync();
    std::vector<RecordKey> keys;
    RecordKeyer keyer(log.Read());
    log.Read().ForEachKeyedRow([&](ReportRow& row, const BlockRecords&) {
        keys.push_back(keyer.Key(row.record));
        return true;
    });
    ASSERT_EQ(keys.size(), 301u);
    EXPECT_EQ(std::tuple(keys[250].key, keys[300].key), std::tuple("100000050/", ssn + "/"));
    EXPECT_EQ(std::tuple(keys[99].occurrence, keys[100].occurrence, keys[250].occurrence), std::tuple(0, 1, 2));
    // What the log keeps of a record for its key holds the fields that key it.
    EXPECT_LE(std::max(Field(RecordType::RW, rw::kSsn).last, Field(RecordType::RE, re::kEin).last),
              LogReader::kKeyChars);
}

TEST(History, FindingsAsSarif) {
    TempDir dir;
    const std::string file = (kExamples / "faulty-2008.txt").string();
    const CliResult run = Check(dir, {"--findings", "sarif", "--sarif-root", kExamples.string(), file});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out.rfind("{\"$schema\":\"https://json.schemastore.org/sarif-2.1.0.json\",\"version\":\"2.1.0\"", 0),
              0u);
    EXPECT_EQ(Count(run.out, "\"ruleId\""), 10u);
    EXPECT_EQ(Count(run.out, "\"defaultConfiguration\":{\"level\":\"error\"}"), 10u);  // one rule per kind of check
    // Relative to the root given, at the field's columns.
    EXPECT_NE(
        run.out.find(R"("artifactLocation":{"uri":"faulty-2008.txt","uriBaseId":"%SRCROOT%"},"region":{"startLine":13,)"
                     R"("startColumn":134,"endColumn":139})"),
        std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("\"semanticVersion\":\""), std::string::npos);
    // A rule: its name, the field, its positions and what it requires, in text and Markdown.
    EXPECT_NE(
        run.out.find(R"("name":"RwZipCodeNumericBlank","shortDescription":{"text":"RW Zip Code: Must be numeric or blank."},)"
                     R"("fullDescription":{"text":"Zip Code of the RW record (positions 134 to 138): Must be )"
                     R"(numeric or blank."},"help":{"text":"Zip Code of the RW record (positions 134 to 138): Must )"
                     R"(be numeric or blank. Each result names the record, the entry found there and the numbers )"
                     R"(of its message.","markdown":"**Zip Code** of the **RW** record (positions 134 to 138)\n\n)"
                     R"(Must be numeric or blank.\n\nEach result names)"),
        std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find(R"(Compensation of the RT record is \\#. The reported sum)"), std::string::npos);
    // A file outside the root is named by its absolute URI; the findings of the log alone are
    // placed in the files its run read, and followed by the same fingerprints.
    const CliResult outside = Check(dir, {"--findings", "sarif", "--sarif-root", (dir / "data").string(), file});
    EXPECT_NE(outside.out.find("\"uri\":\"file://" + file + '"'), std::string::npos);
    const CliResult logOnly = Check(dir, {"--findings", "sarif", "--sarif-root", kExamples.string()});
    EXPECT_EQ(logOnly.out, run.out);
    // Every record moved by 5 and one field fixed: the same findings keep their fingerprints.
    WriteFile(dir / "edited.txt", Edited());
    const auto before = Fingerprints(run.out),
               after = Fingerprints(Check(dir, {"--findings", "sarif", (dir / "edited.txt").string()}).out);
    EXPECT_EQ(before.size(), 10u);
    EXPECT_EQ(
        std::count_if(after.begin(), after.end(),
                      [&](const std::string& p) { return std::find(before.begin(), before.end(), p) != before.end(); }),
        9);
    // Rule ids hold from run to run and ignore the numbers in a message, not its field.
    EXPECT_EQ(RuleId("RT", "Wages", "The sum is 12 of 3."), RuleId("RT", "Wages", "The sum is 4567 of 0."));
    EXPECT_NE(RuleId("RT", "Wages", "The sum is 12 of 3."), RuleId("RT", "Wages", "The sum is 12 or 3."));
    EXPECT_NE(RuleId("RT", "Wages", "The sum is 12 of 3."), RuleId("RT", "Tips", "The sum is 12 of 3."));
}

TEST(History, HashesOfTheFilesTested) {
    EXPECT_EQ(Sha256Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(Sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(Sha256Hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),  // padding in a block of its own
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    Sha256 plain(false);  // the rounds without the processor's SHA instructions
    plain.Update("abc", 3);
    EXPECT_EQ(plain.Hex(), Sha256Hex("abc"));
    // A file is kept with its size and hash; a folder with neither.
    TempDir dir;
    WriteFile(dir / "f.txt", "abc");
    const HistoryFile f = DescribeFile("f.txt", dir / "f.txt"), d = DescribeFile("d", dir.path());
    EXPECT_EQ(std::tuple(f.size, f.sha256, d.size, d.sha256), std::tuple(3, Sha256Hex("abc"), -1, std::string()));
}

// Damaged histories are set aside as numbered copies, the last three kept, and the run told
// once; a link is left alone; a history of the right kind but another layout is set aside, one that only lacks a
// table gets it.
TEST(History, DamagedCopiesKeptAndLayoutsChecked) {
    TempDir dir;
    const std::string file = (kExamples / "faulty-2008.txt").string();
    const fs::path history = dir / "data" / "RunHistory.db";
    fs::create_directories(dir / "data");
    for (char damage : {'a', 'b', 'c', 'd'}) {
        WriteFile(history, std::string(8192, damage));
        const std::string told = Check(dir, {"-q", file}).err;
        EXPECT_EQ(Count(told, "Run History: "), 1u) << told;
        EXPECT_NE(told.find("set aside as RunHistory.damaged.db"), std::string::npos);
        EXPECT_EQ(RunHistory(history, false).Runs().size(), 1u);
    }
    EXPECT_EQ(ReadFile(RunHistory::DamagedPathIn(dir / "data", 1)), std::string(8192, 'd'));
    EXPECT_EQ(ReadFile(RunHistory::DamagedPathIn(dir / "data", 2)), std::string(8192, 'c'));
    EXPECT_EQ(ReadFile(RunHistory::DamagedPathIn(dir / "data", 3)), std::string(8192, 'b'));
    EXPECT_FALSE(fs::exists(RunHistory::DamagedPathIn(dir / "data", 4)));
    // A link in the history's place is never written through; the run is told once and goes on.
    fs::remove(history), WriteFile(dir / "other.txt", "kept"), fs::create_symlink(dir / "other.txt", history);
    const CliResult linked = Check(dir, {"-q", file});
    EXPECT_EQ(std::tuple(linked.status, Count(linked.err, "is a symbolic link"), ReadFile(dir / "other.txt")),
              std::tuple(1, 1u, "kept"));

    const std::string runs =
        "CREATE TABLE runs (id INTEGER PRIMARY KEY, ended TEXT NOT NULL, outcome TEXT NOT NULL, records INTEGER NOT "
        "NULL, records_with_errors INTEGER NOT NULL, errors INTEGER NOT NULL);";
    const std::pair<std::string, bool> layouts[] = {
        {"CREATE TABLE runs (id INTEGER PRIMARY KEY, outcome TEXT)", true},  // no column "ended"
        {runs, false},                                                       // the other tables are added
        // Anything this version does not make: it would run, or be changed, with every run added.
        {runs + "CREATE TRIGGER t AFTER INSERT ON runs BEGIN DELETE FROM runs; END", true},
        {runs + "CREATE VIEW v AS SELECT 1", true},
        {runs + "CREATE TABLE other (x)", true},
        {runs + "CREATE INDEX i ON runs (outcome)", true},
    };
    for (const auto& [layout, setAside] : layouts) {
        SCOPED_TRACE(layout);
        fs::remove(history);
        {
            sql::Database db(history.string(), true);
            db.exec("PRAGMA application_id = 1363694129; " + layout);
        }
        EXPECT_EQ(Check(dir, {"--history"}).status, 3);  // read as it is, never changed by a reader
        const CliResult run = Check(dir, {"-q", file});
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err.find("is laid out as no history of this version") != std::string::npos, setAside) << run.err;
        EXPECT_EQ(RunHistory(history, false).Runs().size(), 1u);
        EXPECT_EQ(Check(dir, {"--history"}).status, 0);
    }
}

// A signal that comes after the run has written its end (here while the history is held by
// another program, which the run tells once) says so: the log and the history agree with what
// is said.
TEST(History, ASignalAfterTheEndOfTheRunSaysItHadFinished) {
    TempDir dir;
    ASSERT_EQ(Check(dir, {"-q", (kExamples / "valid-2008.txt").string()}).status, 0);
    sql::Database other((dir / "data" / "RunHistory.db").string(), false);
    other.exec("BEGIN EXCLUSIVE");
    const CliResult run = Check(dir, {"-q", (kExamples / "valid-2008.txt").string()}, [](RunOptions& o) {
        o.noErrors = [] { std::raise(SIGTERM); };  // the log's end is written before
    });
    other.exec("ROLLBACK");
    EXPECT_EQ(run.status, 128 + SIGTERM);
    EXPECT_NE(run.err.find("stopped after the run had finished: the error log is complete"), std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("This run is not in the history"), std::string::npos) << run.err;
    EXPECT_EQ(Count(run.err, "Run History: "), 1u) << run.err;
    EXPECT_EQ(Check(dir, {"--report", "text", "--report-file", "-"}).status, 0);  // a finished log, no "Test Aborted"
    EXPECT_EQ(RunHistory(dir / "data" / "RunHistory.db", false).Runs().size(), 1u);
}

// The history keeps the size and hash of the file the run tested, by its own bytes: never of
// a file whose name reads the same once made text.
TEST(History, ANameThatIsNoUtf8KeepsItsOwnFile) {
    TempDir dir;
    const fs::path tested = dir / "a\xFF.txt", lookAlike = dir / "a\xEF\xBF\xBD.txt";
    WriteFile(tested, ReadFile(kExamples / "faulty-2008.txt"));
    WriteFile(lookAlike, "another file");
    const CliResult run = Check(dir, {"--findings", "sarif", tested.string()});
    ASSERT_EQ(Check(dir, {"-q", tested.string()}).status, 1);
    const auto runs = RunHistory(dir / "data" / "RunHistory.db", false).Runs();
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].files.at(0).sha256, Sha256Hex(ReadFile(tested)));
    // One URI form in a run and in a comparison: the name's own bytes.
    const CliResult compared = Check(dir, {"--compare", "--findings", "sarif"});
    for (const std::string& out : {run.out, compared.out}) {
        EXPECT_NE(out.find("a%FF.txt\""), std::string::npos);
        EXPECT_EQ(out.find("%EF%BF%BD"), std::string::npos);
    }
    // JSON and CSV show the name as the program shows it everywhere, and stay valid UTF-8; gnu lines name the
    // file by its own bytes, for the editor to open it.
    for (const auto& [format, shown, other] : {std::tuple{"json", "a\xEF\xBF\xBD.txt", "\xFF"},
                                               {"csv", "a\xEF\xBF\xBD.txt", "\xFF"},
                                               {"gnu", "a\xFF.txt:1:423: error", "\xEF"}}) {
        const std::string out = Check(dir, {"--findings", format, tested.string()}).out;
        EXPECT_NE(out.find(shown), std::string::npos) << format;
        EXPECT_EQ(out.find(other), std::string::npos) << format;
    }
    // The log alone still places its findings in that file; the history shows the name's bytes.
    const std::string logged = Check(dir, {"--findings", "csv"}).out;
    EXPECT_TRUE(logged.find("a\xEF\xBF\xBD.txt,") != std::string::npos &&
                logged.find("a\xEF\xBF\xBD.txt,,,") == std::string::npos)
        << logged;
    EXPECT_NE(Check(dir, {"--history"}).out.find("/a\\xFF.txt ("), std::string::npos);
}

// --redact (QUORVEX_REDACT): an SSN in a user entry and a record heading (987651234, not allowed) and one an RT
// message names (234567891) show as their last four digits in every report, findings format and comparison, and
// in --show-record, while the rule's own numbers stay (an SSN 123456789 is refused by a text that names it);
// SARIF's fingerprints stay those of the SSNs; the log keeps them.
TEST(History, RedactedOutputsShowNoSsn) {
    TempDir dir;
    std::string unreadable = MakeRW("234567891");
    Put(unreadable, 199, "0000000001 ");
    const std::string file = (dir / "ssn.txt").string();
    WriteFile(file, MakeRE().insert(0, BaselineRA() + "\n") + "\n" + MakeRW("987651234") + "\n" + MakeRW("123456789") +
                        "\n" + unreadable + "\n" + MakeRT(3, {}) + "\n" + MakeRF(3) + "\n");
    ASSERT_EQ(Check(dir, {"-q", file}).status, 1);
    const std::string sarif = Check(dir, {"--findings", "sarif"}).out;
    const std::vector<std::string> both = {"*****1234", "*****7891", "[*****6789]", "or 123456789 or"};
    const struct {
        std::vector<std::string> args;
        std::vector<std::string> shown;  // each of these, and neither SSN
    } rows[] = {
        {{"--report", "text", "--report-file", "-"}, both},
        {{"--report", "html", "--report-file", "-"}, both},
        {{"--findings", "json"}, both},
        {{"--findings", "csv"}, both},
        {{"--findings", "sarif"}, both},
        {{"--findings", "github"}, both},
        {{"--findings", "junit"}, both},
        {{"-q", "--findings", "gnu", file}, both},
        {{"--compare"}, both},
        {{"--compare", "--findings", "json"}, both},
        {{"--compare", "--findings", "sarif"}, both},
        {{"--show-record", "3"}, {"\t[*****1234]\t*"}},
    };
    for (const auto& [args, shown] : rows) {
        std::vector<std::string> redacted = args;
        redacted.push_back("--redact");
        const std::string out = Check(dir, redacted).out;
        for (const std::string& masked : shown) EXPECT_NE(out.find(masked), std::string::npos) << args[1] << out;
        EXPECT_EQ(out.find("987651234") & out.find("234567891"), std::string::npos) << args[1] << out;
        // The same rules and fingerprints: only the texts differ.
        const std::regex texts("\"(text|markdown|userEntry)\":\"[^\"]*\"");
        if (args == rows[4].args) {
            EXPECT_EQ(std::regex_replace(out, texts, ""), std::regex_replace(sarif, texts, ""));
        }
    }
    const std::string env = "QUORVEX_REDACT=yes '" + std::string(QUORVEX_CHECK_EXE) + "' --data-dir '" +
                            (dir / "data").string() + "' --findings csv > " + (dir / "env.csv").string();
    EXPECT_EQ(std::system(env.c_str()) == -1 ? "" : ReadFile(dir / "env.csv"),
              Check(dir, {"--findings", "csv", "--redact"}).out);
    EXPECT_NE(sarif.find("[987651234]"), std::string::npos);
    EXPECT_EQ(LogReader(dir / "data" / "Errorlog.mdb").ErrorsOf(3).at(0).userEntry, "[987651234]");
}

// The history keeps the bytes the run read: a file written to, cut short or replaced while it
// is tested is kept as changed, with the size the run read and no hash.
TEST(History, AFileChangedWhileTestedIsKeptAsSuch) {
    const std::string text = ReadFile(kExamples / "valid-2008.txt"), size = std::to_string(text.size());
    const struct {
        const char* change;
        std::function<void(const fs::path&)> make;
        std::string kept;  // in the run list as JSON
    } rows[] = {
        {"none", [](const fs::path&) {}, size + R"(,"sha256":")" + Sha256Hex(text) + R"(","changed_while_tested":false})"},
        {"appended, its time kept",
         [](const fs::path& f) {
             const auto written = fs::last_write_time(f);
             std::ofstream(f, std::ios::app) << "RF";
             fs::last_write_time(f, written);
         },
         size + R"(,"sha256":null,"changed_while_tested":true})"},
        {"cut short", [](const fs::path& f) { fs::resize_file(f, 1028); },
         R"(1028,"sha256":null,"changed_while_tested":true})"},
        {"written over", [](const fs::path& f) { std::fstream(f, std::ios::in | std::ios::out) << "RA"; },
         size + R"(,"sha256":null,"changed_while_tested":true})"},
        {"replaced", [&](const fs::path& f) { WriteFile(f.string() + "~", text), fs::rename(f.string() + "~", f); },
         size + R"(,"sha256":null,"changed_while_tested":true})"},
    };
    for (const auto& row : rows) {
        TempDir dir;
        const fs::path file = dir / "f.txt";
        WriteFile(file, text);
        fs::last_write_time(file, fs::last_write_time(file) - std::chrono::hours(1));
        Check(dir, {"-q", file.string()}, [&](RunOptions& o) {
            o.pieceSize = 1028;
            o.recordOrigin = [&](const RecordOrigin& r) {
                if (r.recNum == 1) row.make(file);
            };
        });
        const std::string json = Check(dir, {"--history", "--findings", "json"}).out;
        EXPECT_NE(json.find(R"(f.txt","size":)" + row.kept), std::string::npos) << row.change << json;
        EXPECT_EQ(Check(dir, {"--history"}).out.find(" bytes, changed while tested)") != std::string::npos,
                  row.kept.ends_with("true}"));
    }
}

// The history that cannot be made, the submission's name.
TEST(History, NameAndCreation) {
    for (const auto& [name, shown] : std::vector<std::pair<std::string, std::string>>{
             {"/a/b/c.txt", "c.txt"}, {"c.txt", "c.txt"}, {"a\\b.txt", "b.txt"}})
        EXPECT_EQ((HistoryRun{0, "", "", 0, 0, 0, {{name, -1, ""}}}.Submission()), shown);
    EXPECT_EQ(HistoryRun{}.Submission(), "");
    TempDir dir;
    {
        RunHistory h(dir / "RunHistory.db", true);  // an empty file keeps its size
        AddRun(h, HistoryRun{0, "", "finished", 1, 0, 0, {{"e", 0, Sha256Hex("")}, {"p", -1, ""}}}, {}, 50);
        const auto files = h.Runs().at(0).files;
        EXPECT_EQ(std::tuple(files.at(0).size, files.at(1).size), std::tuple(0, -1));
    }
    try {
        RunHistory(dir / "none" / "RunHistory.db", true);
        ADD_FAILURE() << "made in a folder that is not there";
    } catch (const HistoryError& e) {
        EXPECT_NE(std::string(e.what()).find("cannot be created: No such file or directory"), std::string::npos)
            << e.what();
    }
}

// 51 runs keep 50, and the texts only the dropped run used go with it. A run of 25,000
// findings takes less than 3 MB, and two of them compare finding by finding.
TEST(History, BoundedInRunsAndSize) {
    TempDir dir;
    const fs::path file = dir / "RunHistory.db";
    auto findings = [](int run, int n) {
        std::vector<HistoryFinding> f;
        for (int i = 0; i < n; ++i) {
            const std::string ssn = std::to_string(100000000 + i);
            f.push_back(HistoryFinding{i + 3, "RW", ssn + "/162309797", 0, false,
                                       "Federal Income Tax Withheld [Position 199 - 209]", 199, 209, "[0000055925A]",
                                       "The calculated sum is " + std::to_string(run * 1000 + i % 7) + " and kind " +
                                           std::to_string(i % 20) + ". Must be numeric. No negative amounts."});
        }
        return f;
    };
    {
        RunHistory h(file, true);
        for (int run = 1; run <= 51; ++run)
            AddRun(h, HistoryRun{0, "2009-01-15 10:00:00", "finished", 5, 1, 1, {{"s.txt", 10, "ab"}}},
                  {HistoryFinding{3, "RW", "1/2", 0, false, "SSN [Position 3 - 11]", 3, 11, "",
                                  "only run " + std::to_string(run)}},
                  50);
        const auto runs = h.Runs();
        ASSERT_EQ(runs.size(), 50u);
        EXPECT_EQ(runs.front().id, 2);
        EXPECT_EQ(runs.front().files.size(), 1u);
        EXPECT_EQ(h.Findings(2).front().message, "only run 2");
    }
    EXPECT_EQ(LogScalar(file, "SELECT count(*) FROM texts WHERE text LIKE 'only run 1'"), "0");
    const auto before = fs::file_size(file);
    RunHistory h(file, true);
    const auto a =
        AddRun(h, HistoryRun{0, "2009-01-15 10:00:00", "stopped", 25000, 25000, 25000, {}}, findings(1, 25000), 50);
    const auto b =
        AddRun(h, HistoryRun{0, "2009-01-15 10:05:00", "stopped", 25000, 25000, 25000, {}}, findings(2, 25000), 50);
    const double perRun = static_cast<double>(fs::file_size(file) - before) / 2 / 1e6;
    EXPECT_LT(perRun, 3.0);
    const Comparison c = CompareRuns(h.Findings(a), h.Findings(b));
    EXPECT_EQ(c.Count(FindingStatus::Still), 25000);  // the sums changed, the findings did not
}

}  // namespace
}  // namespace quorvex::test
