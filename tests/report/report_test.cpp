#include "common/text_1252.h"
#include "report/core/html_report.h"
#include "report/core/text_report.h"
#include "report/report_logs.h"
#include "support/scripted_services.h"

namespace quorvex::test {
namespace {

// The command line's writer and the report window's builders give the same reports.
TEST(ErrorReport, GoldenReports) {
    for (auto [make, golden] : {std::pair{&CriticalLog, "critical.txt"}, {&SeveralLog, "several.htm"}}) {
        TempDir dir;
        make(dir.path());
        const LogReader log(ErrorLog::PathIn(dir.path()));
        const std::string text = Written(dir.path(), ReportFormat::Text), html = Written(dir.path(), ReportFormat::Html);
        ExpectGolden(golden, std::string(golden).ends_with(".txt") ? text : html);
        ScriptedServices services;
        const TextPreview preview = FormatTextReport(log, services, dir.path());
        EXPECT_EQ(std::tuple(Cp1252ToUtf8(preview.text), preview.saveEnabled), std::tuple(text, true));
        services.browser = "/usr/bin/firefox";
        EXPECT_TRUE(FormatHtmlReport(log, services, dir.path(), 1280, false) && services.messages.empty());
        EXPECT_EQ(ReadFile(dir / "temphtm.HTM"), html);
    }
    EXPECT_EQ(SummaryField(7) + SummaryField(98765432109), "         78765432109");
}

TEST(ErrorReport, UserEntriesCutForTheScreenAndEscaped) {
    for (auto [pixels, width] : {std::pair{1024, 57}, {1280, 83}, {1285, 84}, {1275, 82}, {1286, 84}})
        EXPECT_EQ(BreakWidth(pixels), width) << pixels;  // halves to even
    const std::string x(120, 'x');
    EXPECT_EQ(BreakPre(x, 57), x.substr(0, 56) + "</pre><pre>" + x.substr(56, 57) + "</pre><pre>" + x.substr(113));
    EXPECT_EQ(BreakPre(x.substr(0, 56), 57), x.substr(0, 56));
    EXPECT_EQ(BreakPre("abc", 0), "abc");  // a screen too narrow for any break
    EXPECT_EQ(BreakPreEscaped("a<&\xE9'\"", 2), "a</pre><pre>&lt;&amp;</pre><pre>&#233;&#39;</pre><pre>&quot;");
}

TEST(Findings, JsonAndCsv) {
    TempDir dir;
    {
        ErrorLog log = ErrorLog::CreateMDB(dir.path());
        log.AddRecord("RA", Record("RA")), log.AddRecord("RW", Record("RW"));
        log.LogError("Employee Name, First [Position 42 - 56]", "[\"Jos\xE9\"\\\t\x01]", "Line one\r\nline two.");
        log.LogCritError("Record Length", "", "Must be 512 bytes.");
        log.CloseDatabase();
    }
    EXPECT_EQ(Written(dir.path(), FindingsFormat::Json),
              "[\n"
              R"({"err_num":1,"record":2,"id":"RW","critical":false,"reference":"Employee Name, First [Position 42 - 56]",)"
              R"("user_entry":"[\"Jos)" "\xC3\xA9" R"(\"\\\t\u0001]","error":"Line one\r\nline two."},)" "\n"
              R"({"err_num":2,"record":2,"id":"RW","critical":true,"reference":"Record Length","user_entry":"",)"
              R"("error":"Must be 512 bytes."})" "\n]\n");
    EXPECT_EQ(Written(dir.path(), FindingsFormat::Csv),
              "err_num,record,id,critical,reference,user_entry,error\r\n"
              "1,2,RW,false,\"Employee Name, First [Position 42 - 56]\",\"[\"\"Jos\xC3\xA9\"\"\\\t\x01]\","
              "\"Line one\r\nline two.\"\r\n2,2,RW,true,Record Length,,Must be 512 bytes.\r\n");
}

// A text report of more than 64,000 characters is "Report Too Large": asked once, then saved
// whole to the file chosen (Yes) or not at all (No, or Yes and Cancel).
TEST(ReportLimit, TextSavedInPiecesOrNotAtAll) {
    TempDir dir;
    const int fits = static_cast<int>(kReportTextLimit) - [] {
        TempDir empty;
        LongLog(empty.path(), 1, 0);
        return static_cast<int>(Written(empty.path(), ReportFormat::Text).size());
    }();
    const std::string file = (dir / "report.txt").string();
    const std::tuple<int, int, MsgAnswer, std::optional<std::string>> cases[] = {
        {1, fits, MsgAnswer::Yes, file}, {1, fits + 1, MsgAnswer::No, std::nullopt},
        {400, 400, MsgAnswer::Yes, file}, {400, 400, MsgAnswer::No, std::nullopt}, {400, 400, MsgAnswer::Yes, std::nullopt}};
    for (const auto& [errors, length, answer, saveAs] : cases) {
        SCOPED_TRACE(std::to_string(errors) + " " + std::to_string(length));
        TempDir logDir;
        LongLog(logDir.path(), errors, length);
        const std::string full = Written(logDir.path(), ReportFormat::Text);
        const bool tooLarge = full.size() > kReportTextLimit;
        WriteFile(file, "an older report");
        ScriptedServices services;
        services.answers = {answer};
        services.saveFiles = {saveAs};
        const TextPreview preview = FormatTextReport(LogReader(ErrorLog::PathIn(logDir.path())), services, logDir.path());
        EXPECT_EQ(std::tuple(preview.text, preview.saveEnabled, preview.saveFileName),
                  std::tuple(tooLarge ? std::string(kTooLargeSentence) : full, !tooLarge, tooLarge ? saveAs.value_or("") : ""));
        EXPECT_EQ(ReadFile(file), tooLarge && saveAs ? full : "an older report");
        // Asked once, however many pieces follow.
        EXPECT_EQ(services.messages.size() == 1 ? services.messages[0].title : std::to_string(services.messages.size()),
                  tooLarge ? "Report Too Large" : "0");
        EXPECT_EQ(std::tuple(services.saveDialogs.size(), services.busy), std::tuple(tooLarge && answer == MsgAnswer::Yes, false));
    }
}

TEST(ReportLimit, HtmlPageWrittenInPiecesReplacesTheOldPage) {
    TempDir dir;
    LongLog(dir.path(), 400);
    WriteFile(dir / "temphtm.HTM", "an older page");
    ScriptedServices services;
    services.browser = "firefox";
    EXPECT_TRUE(FormatHtmlReport(LogReader(ErrorLog::PathIn(dir.path())), services, dir.path(), 1280, false));
    EXPECT_EQ(ReadFile(dir / "temphtm.HTM"), Written(dir.path(), ReportFormat::Html));  // over 2 x 64,000 characters
}

}  // namespace
}  // namespace quorvex::test
