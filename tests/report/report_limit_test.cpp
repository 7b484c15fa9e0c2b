#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "report/core/html_report.h"
#include "report/core/report_writers.h"
#include "report/core/text_report.h"
#include "report/report_logs.h"
#include "support/scripted_services.h"

using namespace quorvex;
using quorvex::test::ScriptedServices;
using quorvex::test::TempDir;

namespace {

std::string Written(const std::filesystem::path& folder, ReportFormat format) {
    std::ostringstream out;
    WriteReport(LogReader(ErrorLog::PathIn(folder)), format, out);
    return out.str();
}

}  // namespace

// A text report passing 64,000 characters twice: Yes and a file, No, Yes and Cancel.
TEST(ReportLimit, TextSavedInPiecesOrNotAtAll) {
    TempDir dir;
    test::LongLog(dir.path(), 400);
    const LogReader log(ErrorLog::PathIn(dir.path()));
    const std::string full = Written(dir.path(), ReportFormat::Text);
    ASSERT_GT(full.size(), 2 * kReportTextLimit);
    const std::string file = (dir / "report.txt").string();
    for (auto [answer, saveAs] : {std::pair{MsgAnswer::Yes, std::optional(file)}, {MsgAnswer::No, std::nullopt},
                                  {MsgAnswer::Yes, std::nullopt}}) {
        test::WriteFile(file, "an older report");
        ScriptedServices services;
        services.answers = {answer};
        services.saveFiles = {saveAs};
        TextPreview preview = FormatTextReport(log, services, dir.path());
        EXPECT_EQ(preview.text, kTooLargeSentence);
        EXPECT_FALSE(preview.saveEnabled);
        EXPECT_EQ(preview.saveFileName, saveAs.value_or(""));
        EXPECT_EQ(test::ReadFile(file), saveAs ? full : "an older report");
        ASSERT_EQ(services.messages.size(), 1u);  // asked once, however many pieces follow
        EXPECT_EQ(services.messages[0].title, "Report Too Large");
        EXPECT_EQ(services.saveDialogs.size(), answer == MsgAnswer::Yes ? 1u : 0u);
        EXPECT_FALSE(services.busy);
    }
}

TEST(ReportLimit, MoreThan64000CharactersIsTooLarge) {
    auto textSize = [](int entryLength) {
        TempDir dir;
        test::LongLog(dir.path(), 1, entryLength);
        return static_cast<int>(Written(dir.path(), ReportFormat::Text).size());
    };
    const int fits = static_cast<int>(kReportTextLimit) - textSize(0);
    for (int extra : {0, 1}) {
        TempDir dir;
        test::LongLog(dir.path(), 1, fits + extra);
        ScriptedServices services;
        TextPreview preview = FormatTextReport(LogReader(ErrorLog::PathIn(dir.path())), services, dir.path());
        EXPECT_EQ(preview.text.size() == kReportTextLimit, extra == 0);
        EXPECT_EQ(services.messages.size(), extra == 0 ? 0u : 1u);
    }
}

TEST(ReportLimit, HtmlPageWrittenInPiecesReplacesTheOldPage) {
    TempDir dir;
    test::LongLog(dir.path(), 400);
    test::WriteFile(dir / "temphtm.HTM", "an older page");
    const std::string html = Written(dir.path(), ReportFormat::Html);
    ASSERT_GT(html.size(), 2 * kReportTextLimit);
    ScriptedServices services;
    services.browser = "firefox";
    EXPECT_TRUE(FormatHtmlReport(LogReader(ErrorLog::PathIn(dir.path())), services, dir.path(),
                                 kCommandLineScreenWidth, false));
    EXPECT_EQ(test::ReadFile(dir / "temphtm.HTM"), html);
    EXPECT_EQ(services.started.size(), 1u);
}
