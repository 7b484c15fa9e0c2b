#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "common/text_1252.h"
#include "report/core/browser.h"
#include "report/core/html_report.h"
#include "report/core/report_writers.h"
#include "report/core/text_report.h"
#include "report/report_logs.h"
#include "support/scripted_services.h"

using namespace quorvex;
using quorvex::test::ScriptedServices;
using quorvex::test::TempDir;

namespace {

std::string Written(const LogReader& log, ReportFormat format) {
    std::ostringstream out;
    WriteReport(log, format, out);
    return out.str();
}

}  // namespace

// The same report from the command line's writer and from the report window's builders.
TEST(ErrorReport, GoldenReports) {
    for (auto [name, make] : {std::pair{"critical", &test::CriticalLog}, std::pair{"several", &test::SeveralLog}}) {
        TempDir dir;
        make(dir.path());
        LogReader log(ErrorLog::PathIn(dir.path()));
        const std::string text = Written(log, ReportFormat::Text);
        const std::string html = Written(log, ReportFormat::Html);
        test::ExpectGolden(std::string(name) + ".txt", text);
        test::ExpectGolden(std::string(name) + ".htm", html);

        ScriptedServices services;
        TextPreview preview = FormatTextReport(log, services, dir.path());
        EXPECT_EQ(Cp1252ToUtf8(preview.text), text);
        EXPECT_TRUE(preview.saveEnabled);
        EXPECT_TRUE(preview.saveFileName.empty());

        services.browser = "/usr/bin/firefox";
        EXPECT_TRUE(FormatHtmlReport(log, services, dir.path(), 1280, false));
        EXPECT_EQ(test::ReadFile(dir / "temphtm.HTM"), html);
        EXPECT_TRUE(services.messages.empty());
        EXPECT_FALSE(services.busy);
    }
}

TEST(ErrorReport, SummaryFieldsKeepTheirLastTenDigits) {
    EXPECT_EQ(SummaryField(7), "         7");
    EXPECT_EQ(SummaryField(1234567890), "1234567890");
    EXPECT_EQ(SummaryField(98765432109), "8765432109");
}

TEST(ErrorReport, BreakPreCutsUserEntriesForTheScreen) {
    EXPECT_EQ(BreakWidth(1024), 57);
    EXPECT_EQ(BreakWidth(1280), 83);
    EXPECT_EQ(BreakWidth(1285), 84);  // 83.5: halves to even
    EXPECT_EQ(BreakWidth(1275), 82);  // 82.5
    EXPECT_EQ(BreakWidth(1286), 84);
    const std::string entry(120, 'x');
    const std::string broken = BreakPre(entry, 57);
    EXPECT_EQ(broken, entry.substr(0, 56) + "</pre><pre>" + entry.substr(56, 57) + "</pre><pre>" + entry.substr(113));
    EXPECT_EQ(BreakPre(std::string(56, 'x'), 57), std::string(56, 'x'));
    EXPECT_EQ(BreakPre("abc", 3), "ab</pre><pre>c");
    EXPECT_EQ(BreakPre("abc", 0), "abc");  // a screen too narrow for any break
    // Escaping after the cut: the break stays before the character, the entity whole.
    EXPECT_EQ(BreakPreEscaped("a<&\xE9'", 2), "a</pre><pre>&lt;&amp;</pre><pre>&#233;&#39;");
}
