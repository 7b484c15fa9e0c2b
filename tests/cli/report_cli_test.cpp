#include <gtest/gtest.h>

#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/check_main.h"
#include "errorlog/error_log.h"
#include "report/core/report_writers.h"
#include "support/test_support.h"
#include "support/records.h"

using quorvex::test::ReadFile;
using quorvex::test::TempDir;
using quorvex::test::WriteFile;

namespace {

struct Result {
    int status;
    std::string out, err;
};

// quorvex-check in this process, with its standard output and error captured.
Result Check(std::vector<std::string> args) {
    args.insert(args.begin(), "quorvex-check");
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    Result r;
    r.status = quorvex::CheckMain(static_cast<int>(argv.size()), argv.data());
    std::cout.flush();
    r.out = testing::internal::GetCapturedStdout();
    r.err = testing::internal::GetCapturedStderr();
    return r;
}

std::string Written(const std::filesystem::path& folder, quorvex::ReportFormat format) {
    std::ostringstream out;
    quorvex::WriteReport(quorvex::LogReader(quorvex::ErrorLog::PathIn(folder)), format, out);
    return out.str();
}

std::string Findings(const std::filesystem::path& folder, quorvex::FindingsFormat format) {
    std::ostringstream out;
    quorvex::WriteFindings(quorvex::LogReader(quorvex::ErrorLog::PathIn(folder)), format, out);
    return out.str();
}

}  // namespace

// A submission in two files: an RE record with an unknown state on line 3 of the first, and
// a short record on line 3 of the second that stops the run.
TEST(QuorvexCheckReports, OfTheRunAndOfTheLogItLeft) {
    TempDir dir;
    const std::string data = dir.path().string();
    std::vector<std::string> records = quorvex::test::ValidRecords({"RA", "RE", "RW", "RT"});
    quorvex::test::Put(records[1], 163, "XX");
    const auto first = dir / "part one.txt", second = dir / "part2.txt";
    WriteFile(first, records[0] + "\r\n\r\n" + records[1] + "\r\n" + records[2] + "\r\n");
    WriteFile(second, "\n" + records[3] + "\r\n" + "RF" + std::string(98, ' '));

    Result r = Check({"--data-dir", data, "--report", "text", "--findings", "gnu", "--findings-file",
                      (dir / "gnu.txt").string(), first.string(), second.string()});
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_NE(r.out.find("Error report:              " + (dir / "ErrorReport.txt").string()), std::string::npos);
    EXPECT_EQ(ReadFile(dir / "ErrorReport.txt"), Written(dir.path(), quorvex::ReportFormat::Text));
    EXPECT_EQ(ReadFile(dir / "gnu.txt"),
              first.string() + ":3:163: error: State Abbreviation [Position 163 - 164]: The Postal Abbreviation is "
                               "invalid (see ZRW5). [XX]\n" +
                  second.string() + ":3:1: critical: Record Length: Must be 512 bytes for ZRW5 files. This condition "
                                    "may also be generated if the previous record is greater than 512 bytes or if "
                                    "there is a Carriage Return/Line Feed within a record. [100 bytes.]\n");

    // Without FILE: the log left in the data folder; the status tells what it holds.
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string out;  // standard output, or the file named
        std::string errContains;
    };
    const std::string csv = (dir / "findings.csv").string();
    const Case cases[] = {
        {{"--report", "html", "--report-file", "-"}, 2, Written(dir.path(), quorvex::ReportFormat::Html), ""},
        {{"--quiet", "--findings=csv", "--findings-file", csv}, 2, Findings(dir.path(), quorvex::FindingsFormat::Csv), ""},
        {{"--findings", "json"}, 2, Findings(dir.path(), quorvex::FindingsFormat::Json), ""},
        {{"--findings", "gnu"}, 3, "", "--findings gnu needs the run"},
        {{"--report", "text", "--report-file", (dir / "no folder/r.txt").string()}, 5, "", "Could not write"},
        {{"--report", "pdf"}, 3, "", "--report must be text or html"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"--data-dir", data};
        args.insert(args.end(), c.args.begin(), c.args.end());
        r = Check(args);
        EXPECT_EQ(r.status, c.status) << c.args[1] << r.err;
        EXPECT_EQ(c.args[1] == "--findings=csv" ? ReadFile(csv) : r.out, c.out) << c.args[1];
        EXPECT_NE(r.err.find(c.errContains), std::string::npos) << r.err;
    }
}

TEST(QuorvexCheckReports, NoErrorsNoReport) {
    TempDir dir;
    std::string file;
    for (const auto& record : quorvex::test::ValidRecords({"RA", "RE", "RW", "RT", "RF"})) file += record + "\r\n";
    WriteFile(dir / "clean.txt", file);
    Result r = Check({"--data-dir", dir.path().string(), "--today", "2010-01-01", "--report", "text", "--findings",
                      "json", (dir / "clean.txt").string()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("Results: No errors found in the submission!\n"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(dir / "ErrorReport.txt"));
    EXPECT_EQ(r.out, "[]\n");

    r = Check({"--data-dir", (dir / "empty").string(), "--report", "text"});
    EXPECT_EQ(r.status, 3);
    EXPECT_NE(r.err.find("there is no error log"), std::string::npos) << r.err;
}
