#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "common/text_1252.h"
#include "report/core/html_report.h"
#include "report/core/report_writers.h"
#include "report/core/text_report.h"
#include "report/report_logs.h"
#include "support/scripted_services.h"

using namespace quorvex;
using quorvex::test::ScriptedServices;
using quorvex::test::TempDir;

namespace {

constexpr char kQuestion[] =
    "This report is too large to fit into the text preview.  Do you want to save it as a text file?";

// A log whose text report passes 64,000 characters twice.
class LongReport : public ::testing::Test {
protected:
    void SetUp() override {
        test::LongLog(dir.path(), 400);
        log.emplace(ErrorLog::PathIn(dir.path()));
        std::ostringstream out;
        WriteReport(*log, ReportFormat::Text, out);
        fullText = out.str();
        ASSERT_GT(fullText.size(), 2 * kReportTextLimit);
    }

    TempDir dir;
    std::optional<LogReader> log;
    ScriptedServices services;
    std::string fullText;
};

}  // namespace

TEST_F(LongReport, SavedInPiecesToTheChosenFile) {
    const auto file = dir / "report.txt";
    test::WriteFile(file, "an older report, longer than nothing");
    services.answers = {MsgAnswer::Yes};
    services.saveFiles = {file.string()};
    TextPreview preview = FormatTextReport(*log, services, dir.path());

    EXPECT_EQ(test::ReadFile(file), fullText);
    EXPECT_EQ(preview.text, kTooLargeSentence);
    EXPECT_FALSE(preview.saveEnabled);
    EXPECT_EQ(preview.saveFileName, file.string());
    ASSERT_EQ(services.messages.size(), 1u);  // asked once, however many pieces follow
    EXPECT_EQ(services.messages[0].text, kQuestion);
    EXPECT_EQ(services.messages[0].title, "Report Too Large");
    EXPECT_EQ(services.messages[0].icon, MsgIcon::Exclamation);
    EXPECT_EQ(services.messages[0].buttons, MsgButtons::YesNo);
    EXPECT_EQ(services.saveDialogs, (std::vector<std::vector<std::string>>{
                                        {"Please Enter File Name", dir.path().string(),
                                         "ASCII Text Files (*.txt)|*.txt|All Files (*.*)|*.*|"}}));
    EXPECT_FALSE(services.busy);
}

TEST_F(LongReport, RefusedOrCancelledLeavesOnlyTheSentence) {
    for (MsgAnswer answer : {MsgAnswer::No, MsgAnswer::Yes}) {
        services = {};
        services.answers = {answer};  // Yes, then the save dialog is cancelled
        TextPreview preview = FormatTextReport(*log, services, dir.path());
        EXPECT_EQ(preview.text, kTooLargeSentence);
        EXPECT_FALSE(preview.saveEnabled);
        EXPECT_TRUE(preview.saveFileName.empty());
        EXPECT_EQ(services.messages.size(), 1u);
        EXPECT_EQ(services.saveDialogs.size(), answer == MsgAnswer::Yes ? 1u : 0u);
    }
}

TEST(ReportLimit, MoreThan64000CharactersIsTooLarge) {
    auto textSize = [](int entryLength) {
        TempDir dir;
        test::LongLog(dir.path(), 1, entryLength);
        std::ostringstream out;
        WriteReport(LogReader(ErrorLog::PathIn(dir.path())), ReportFormat::Text, out);
        return static_cast<int>(out.str().size());
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

TEST_F(LongReport, HtmlPageWrittenInPiecesReplacesTheOldPage) {
    test::WriteFile(dir / "temphtm.HTM", "an older page");
    std::ostringstream html;
    WriteReport(*log, ReportFormat::Html, html);
    ASSERT_GT(html.str().size(), 2 * kReportTextLimit);
    services.browser = "firefox";
    EXPECT_TRUE(FormatHtmlReport(*log, services, dir.path(), kCommandLineScreenWidth, false));
    EXPECT_EQ(test::ReadFile(dir / "temphtm.HTM"), html.str());
    EXPECT_EQ(services.started.size(), 1u);
}
