#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "report/core/browser.h"
#include "support/scripted_services.h"
#include "support/test_support.h"

using namespace quorvex;
using quorvex::test::ScriptedServices;
using quorvex::test::TempDir;

TEST(BrowserHandOff, ReportFallbacks) {
    const std::string report = "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 3.2 Final//EN\"> <HTML>report</HTML>";
    const std::string missing = "Could not find a default Web Browser. \r\nWould you like to ";
    const std::string failing = "Your default browser could not be opened: \r\n/opt/web/browser\r\n\r\nWould you like to ";
    struct Case {
        bool printing;
        std::optional<std::string> browser;
        bool printWorks, startWorks;
        MsgAnswer answer;
        bool result;
        std::string message;  // "" when none is shown
        int printed, started;
    };
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
        EXPECT_EQ(OpenInBrowser(services, dir.path(), report, c.printing), c.result) << c.message;
        EXPECT_EQ(test::ReadFile(page), report);
        EXPECT_EQ(services.printed, std::vector<std::string>(c.printed, page));
        EXPECT_EQ(services.started, std::vector<std::string>(c.started, "/opt/web/browser file://" + page));
        ASSERT_EQ(services.messages.size(), c.message.empty() ? 0u : 1u);
        if (!c.message.empty()) {
            EXPECT_EQ(services.messages[0].text, c.message);
            EXPECT_EQ(services.messages[0].title, "HTML Report");
            EXPECT_EQ(services.messages[0].buttons, MsgButtons::OkCancel);
        }
    }
    EXPECT_EQ(PathToUrl("/tmp/a b/r\xC3\xA9sum\xC3\xA9 #1.htm"), "file:///tmp/a%20b/r%C3%A9sum%C3%A9%20%231.htm");
}

// The prompt after an error-free run, answered Yes: on the days around its window, and with
// the browser missing or failing (told, not swallowed).
TEST(SubmissionPrompt, FilingPage) {
    const std::string done = "Testing Completed.\r\nThere were no errors found.";
    const std::string question = done + "\r\n\r\nWould you like to connect to Plexora Web site to submit the wage report?";
    struct Case {
        Date today;
        std::optional<std::string> browser;
        bool startWorks;
        std::vector<std::string> messages;  // title: text
        bool noFolder = false;              // the placeholder page cannot be written
    };
    const Case cases[] = {
        {{2008, 12, 7}, "/opt/web/browser", true, {"Results: " + done}},
        {{2008, 12, 8}, "/opt/web/browser", true, {"Results: " + question}},
        {{2009, 12, 1}, "/opt/web/browser", true, {"Results: " + question}},
        {{2009, 12, 2}, "/opt/web/browser", true, {"Results: " + done}},
        {{2009, 1, 20}, std::nullopt, true, {"Results: " + question, "Browser Not Found: Could not find a default Web Browser. "}},
        {{2009, 1, 20}, "/opt/web/browser", false,
         {"Results: " + question, "Connect to Plexora: Your default browser could not be opened: \r\n/opt/web/browser"}},
        {{2009, 1, 20}, "/opt/web/browser", true, {"Results: " + question}, true},
    };
    for (const auto& c : cases) {
        TempDir dir;
        ScriptedServices services;
        services.today = c.today;
        services.answers = {MsgAnswer::Yes};
        services.browser = c.browser;
        services.startWorks = c.startWorks;
        SubmissionPrompt(services, c.noFolder ? dir / "gone" : dir.path());
        std::vector<std::string> shown;
        for (const auto& m : services.messages) shown.push_back(m.title + ": " + m.text);
        EXPECT_EQ(shown, c.messages) << c.today.Format();
        const bool offered = c.messages[0] == "Results: " + question;
        EXPECT_EQ(services.messages[0].buttons, offered ? MsgButtons::YesNo : MsgButtons::Ok);
        EXPECT_EQ(services.started, std::vector<std::string>(offered && c.browser ? 1 : 0,
                                                             std::string("/opt/web/browser ") + kFilingPageUrl));
        if (offered && !c.noFolder) {
            EXPECT_EQ(test::ReadFile(dir / "temphtm.HTM"), "<HTML> </HTML>");
        }
    }
}
