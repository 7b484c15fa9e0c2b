#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "report/core/browser.h"
#include "support/scripted_services.h"
#include "support/test_support.h"

using namespace quorvex;
using quorvex::test::ScriptedServices;
using quorvex::test::TempDir;

namespace {

constexpr char kReport[] = "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 3.2 Final//EN\"> <HTML>report</HTML>";

}  // namespace

TEST(BrowserHandOff, ReportFallbacks) {
    struct Case {
        bool printing;
        std::optional<std::string> browser;
        bool printWorks, startWorks;
        MsgAnswer answer;
        bool result;
        std::string message;  // "" when none is shown
        int printed, started;
    };
    const std::string missing = "Could not find a default Web Browser. \r\nWould you like to ";
    const std::string failing = "Your default browser could not be opened: \r\n/opt/web/browser\r\n\r\nWould you like to ";
    const Case cases[] = {
        {false, "/opt/web/browser", true, true, MsgAnswer::Ok, true, "", 0, 1},
        {true, "/opt/web/browser", true, true, MsgAnswer::Ok, true, "", 1, 0},
        {true, "/opt/web/browser", false, true, MsgAnswer::Ok, true, "", 1, 1},  // printing failed: opened instead
        {false, std::nullopt, true, true, MsgAnswer::Ok, false, missing + "view a text report?", 0, 0},
        {true, std::nullopt, true, true, MsgAnswer::Cancel, true, missing + "print a text report?", 0, 0},
        {false, "/opt/web/browser", true, false, MsgAnswer::Ok, false, failing + "view a text report?", 0, 1},
        {true, "/opt/web/browser", false, false, MsgAnswer::Cancel, true, failing + "print a text report?", 1, 1},
    };
    for (const auto& c : cases) {
        TempDir dir;
        ScriptedServices services;
        services.browser = c.browser;
        services.printWorks = c.printWorks;
        services.startWorks = c.startWorks;
        services.answers = {c.answer};
        const std::string page = (dir / "temphtm.HTM").string();
        EXPECT_EQ(OpenInBrowser(services, dir.path(), kReport, c.printing), c.result) << c.message;
        EXPECT_EQ(test::ReadFile(page), kReport);
        EXPECT_EQ(services.printed, std::vector<std::string>(c.printed, page));
        EXPECT_EQ(services.started, std::vector<std::string>(c.started, "/opt/web/browser " + PathToUrl(page)));
        ASSERT_EQ(services.messages.size(), c.message.empty() ? 0u : 1u);
        if (!c.message.empty()) {
            EXPECT_EQ(services.messages[0].text, c.message);
            EXPECT_EQ(services.messages[0].title, "HTML Report");
            EXPECT_EQ(services.messages[0].buttons, MsgButtons::OkCancel);
        }
    }
}

TEST(BrowserHandOff, PagesArePiecesOfOneFile) {
    TempDir dir;
    test::WriteFile(dir / "temphtm.HTM", "an older page");
    WriteTempHtml(dir.path(), kReport);
    WriteTempHtml(dir.path(), "<tr>more</tr>");
    EXPECT_EQ(test::ReadFile(dir / "temphtm.HTM"), std::string(kReport) + "<tr>more</tr>");
    WriteTempHtml(dir.path(), "");
    EXPECT_EQ(test::ReadFile(dir / "temphtm.HTM"), "<HTML> </HTML>");
    EXPECT_EQ(PathToUrl("/tmp/a b/r\xC3\xA9sum\xC3\xA9 #1.htm"), "file:///tmp/a%20b/r%C3%A9sum%C3%A9%20%231.htm");
}

// The prompt after an error-free run, on the days around its window, answered Yes.
TEST(SubmissionPrompt, FilingPageInsideTheWindow) {
    const std::string question =
        "Testing Completed.\r\nThere were no errors found.\r\n\r\nWould you like to connect to Plexora Web site to "
        "submit the wage report?";
    struct Case {
        Date today;
        bool offered;
    };
    for (auto c : {Case{{2008, 12, 7}, false}, Case{{2008, 12, 8}, true}, Case{{2009, 12, 1}, true},
                   Case{{2009, 12, 2}, false}}) {
        TempDir dir;
        ScriptedServices services;
        services.today = c.today;
        services.answers = {MsgAnswer::Yes};
        services.browser = "/opt/web/browser";
        SubmissionPrompt(services, dir.path());
        ASSERT_EQ(services.messages.size(), 1u);
        EXPECT_EQ(services.messages[0].text, c.offered ? question : "Testing Completed.\r\nThere were no errors found.");
        EXPECT_EQ(services.messages[0].icon, c.offered ? MsgIcon::Question : MsgIcon::Information);
        EXPECT_EQ(services.started.size(), c.offered ? 1u : 0u) << c.today.Format();
        if (c.offered) {
            EXPECT_EQ(services.started[0], std::string("/opt/web/browser ") + kFilingPageUrl);
            EXPECT_EQ(test::ReadFile(dir / "temphtm.HTM"), "<HTML> </HTML>");
        }
    }
}

// A failed hand-off of the filing page is told, not swallowed.
TEST(SubmissionPrompt, BrowserMissingOrFailing) {
    for (bool present : {false, true}) {
        TempDir dir;
        ScriptedServices services;
        services.today = {2009, 1, 20};
        services.answers = {MsgAnswer::Yes};
        if (present) services.browser = "/opt/web/browser";
        services.startWorks = false;
        SubmissionPrompt(services, dir.path());
        ASSERT_EQ(services.messages.size(), 2u);
        EXPECT_EQ(services.messages[1].text, present ? "Your default browser could not be opened: \r\n/opt/web/browser"
                                                     : "Could not find a default Web Browser. ");
        EXPECT_EQ(services.messages[1].title, present ? "Connect to Plexora" : "Browser Not Found");
        EXPECT_EQ(services.messages[1].buttons, MsgButtons::Ok);
        EXPECT_EQ(test::ReadFile(dir / "temphtm.HTM"), "<HTML> </HTML>");
    }
}
