// Runs quorvex-check on the example submissions and on generated ones, and reads back the
// error log it leaves: the valid files must give no finding at all, the faulty example
// exactly the findings planted in it (see examples/README.md).

#include <spawn.h>
#include <sys/wait.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "errorlog/error_log.h"
#include "errorlog/sqlite.h"
#include "support/records.h"
#include "support/test_support.h"

extern char** environ;

// The field checks of every record type are in the build (the faulty example needs them all).
#if __has_include("validation/layouts.h") && __has_include("validation/territory_money.h")
#define QUORVEX_HAVE_FIELD_CHECKS 1
#else
#define QUORVEX_HAVE_FIELD_CHECKS 0
#endif

namespace quorvex {
namespace {

namespace fs = std::filesystem;

// Runs quorvex-check with `args`; returns its exit code (-1 when it did not exit normally).
int RunCheck(std::vector<std::string> args) {
    args.insert(args.begin(), QUORVEX_CHECK_EXE);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct Finding {
    long long recNum;
    std::string type;
    std::string reference;
    bool operator==(const Finding&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Finding& f) {
    return os << "{" << f.recNum << ", \"" << f.type << "\", \"" << f.reference << "\"}";
}

std::vector<Finding> ReadFindings(const fs::path& dataDir) {
    sql::Database db(ErrorLog::PathIn(dataDir).string(), false, true);
    auto st = db.prepare("SELECT Rec_Num, Type, Reference FROM Errors ORDER BY Err_Num");
    std::vector<Finding> out;
    while (st.step()) out.push_back({st.int64(0), st.isNull(1) ? "" : st.text(1), st.text(2)});
    return out;
}

long long CountRecords(const fs::path& dataDir) {
    sql::Database db(ErrorLog::PathIn(dataDir).string(), false, true);
    auto st = db.prepare("SELECT COUNT(*) FROM Records");
    return st.step() ? st.int64(0) : -1;
}

struct ExampleCase {
    const char* file;
    int exitCode;
    std::vector<Finding> findings;
};

class ExampleFiles : public ::testing::TestWithParam<ExampleCase> {};

TEST_P(ExampleFiles, GiveExactlyThePlantedFindings) {
    const ExampleCase& c = GetParam();
    if (!QUORVEX_HAVE_FIELD_CHECKS && !c.findings.empty()) GTEST_SKIP() << "the field checks are not built yet";
    test::TempDir data;
    const fs::path file = fs::path(QUORVEX_SOURCE_DIR) / "examples" / c.file;
    ASSERT_TRUE(fs::exists(file)) << file;

    EXPECT_EQ(RunCheck({"--quiet", "--data-dir", data.path().string(), file.string()}), c.exitCode);
    EXPECT_EQ(CountRecords(data.path()), 16);
    EXPECT_EQ(ReadFindings(data.path()), c.findings);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, ExampleFiles,
    ::testing::Values(
        ExampleCase{"valid-2008.txt", 0, {}},
        ExampleCase{"faulty-2008.txt",
                    1,
                    {
                        {1, "", "Contact Phone Number [Position 423 - 437]"},
                        {2, "", "State Abbreviation [Position 163 - 164]"},
                        {3, "", "SSN [Position 3 - 11]"},
                        {5, "", "Federal Income Tax Withheld [Position 199 - 209]"},
                        {6, "", "Allocated Tips [Position 12 - 22]"},
                        {7, "", "Employee Last Name [Position 42 - 61]"},
                        {9, "", "Federal Income Tax Withheld [Position 25 - 39]"},
                        {10, "", "Allocated Tips [Position 10 - 24]"},
                        {13, "", "Zip Code [Position 134 - 138]"},
                        {15, "", "Wages, Tips and Other Compensation [Position 10 - 24]"},
                    }}),
    [](const auto& info) { return std::string(info.param.exitCode == 0 ? "Valid" : "Faulty"); });

// Generated submissions of every shape the generator offers must be free of findings: they are
// what the benchmark measures, and they exercise every money field, territory rule and total.
struct GeneratedCase {
    const char* name;
    int roEvery;
    bool allMoney;
    bool territories;
};

class GeneratedFiles : public ::testing::TestWithParam<GeneratedCase> {};

TEST_P(GeneratedFiles, AreValid) {
    const GeneratedCase& c = GetParam();
    test::TempDir dir;
    auto shape = test::UniformShape(12, 150);
    shape.roEvery = c.roEvery;
    shape.allMoney = c.allMoney;
    shape.territories = c.territories;
    shape.seed = 42;
    const fs::path file = dir / "generated.txt";
    const auto written = test::WriteSubmission(shape, file.string());
    ASSERT_EQ(written.records, test::RecordCount(shape));

    const fs::path data = dir / "data";
    fs::create_directories(data);
    EXPECT_EQ(RunCheck({"--quiet", "--data-dir", data.string(), file.string()}), 0);
    EXPECT_EQ(CountRecords(data), written.records);
    EXPECT_EQ(ReadFindings(data), std::vector<Finding>{});
}

INSTANTIATE_TEST_SUITE_P(Shapes, GeneratedFiles,
                         ::testing::Values(GeneratedCase{"Plain", 0, false, false},
                                           GeneratedCase{"WithRo", 1, false, false},
                                           GeneratedCase{"AllMoney", 1, true, false},
                                           GeneratedCase{"AllMoneyTerritories", 1, true, true},
                                           GeneratedCase{"SomeBlocksWithRo", 3, false, true}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quorvex
