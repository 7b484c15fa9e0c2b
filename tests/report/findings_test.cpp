#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "report/core/report_writers.h"
#include "report/report_logs.h"

using namespace quorvex;
using quorvex::test::TempDir;

namespace {

std::string Findings(const std::filesystem::path& folder, FindingsFormat format) {
    std::ostringstream out;
    WriteFindings(LogReader(ErrorLog::PathIn(folder)), format, out);
    return out.str();
}

}  // namespace

TEST(Findings, JsonAndCsv) {
    TempDir dir;
    {
        ErrorLog log = ErrorLog::CreateMDB(dir.path());
        log.AddRecord("RA", test::Record("RA"));
        log.AddRecord("RW", test::Record("RW"));
        log.LogError("Employee Name, First [Position 42 - 56]", "[\"Jos\xE9\"\\\t\x01]", "Line one\r\nline two.");
        log.LogCritError("Record Length", "", "Must be 512 bytes.");
        log.CloseDatabase();
    }
    EXPECT_EQ(Findings(dir.path(), FindingsFormat::Json),
              "[\n"
              R"({"err_num":1,"record":2,"id":"RW","critical":false,"reference":"Employee Name, First [Position 42 - 56]",)"
              R"("user_entry":"[\"Jos)" "\xC3\xA9" R"(\"\\\t\u0001]","error":"Line one\r\nline two."},)" "\n"
              R"({"err_num":2,"record":2,"id":"RW","critical":true,"reference":"Record Length","user_entry":"",)"
              R"("error":"Must be 512 bytes."})" "\n]\n");
    EXPECT_EQ(Findings(dir.path(), FindingsFormat::Csv),
              "err_num,record,id,critical,reference,user_entry,error\r\n"
              "1,2,RW,false,\"Employee Name, First [Position 42 - 56]\",\"[\"\"Jos\xC3\xA9\"\"\\\t\x01]\","
              "\"Line one\r\nline two.\"\r\n"
              "2,2,RW,true,Record Length,,Must be 512 bytes.\r\n");
}

TEST(Findings, EmptyLog) {
    TempDir dir;
    ErrorLog::CreateMDB(dir.path()).CloseDatabase();
    EXPECT_EQ(Findings(dir.path(), FindingsFormat::Json), "[]\n");
    EXPECT_EQ(Findings(dir.path(), FindingsFormat::Csv), "err_num,record,id,critical,reference,user_entry,error\r\n");
}
