#include <gtest/gtest.h>

#include "report/core/browser.h"
#include "support/scripted_services.h"
#include "support/test_support.h"

namespace quorvex::test {
namespace {

// The HTML report handed to the browser: printed, else opened; with no browser or one that
// fails, the user is offered a text report (the result: whether that offer was declined).
TEST(BrowserHandOff, ReportFallbacks) {
    const std::string report = "<HTML>report</HTML>", browser = "/opt/web/browser";
    const std::string missing = "Could not find a default Web Browser.", failing = "Your default browser could not be "
                                                                                    "opened: \r\n/opt/web/browser\r\n";
    // printing, a browser, printing works, starting works, the answer, result, message, printed, started
    const std::tuple<bool, bool, bool, bool, MsgAnswer, bool, std::string, int, int> cases[] = {
        {false, true, true, true, MsgAnswer::Ok, true, "", 0, 1},
        {true, true, true, true, MsgAnswer::Ok, true, "", 1, 0},
        {true, true, false, true, MsgAnswer::Ok, true, "", 1, 1},  // printing failed: opened instead
        {false, false, true, true, MsgAnswer::Ok, false, missing + " \r\nWould you like to view a text report?", 0, 0},
        {true, false, true, true, MsgAnswer::Cancel, true, missing + " \r\nWould you like to print a text report?", 0, 0},
        {false, true, true, false, MsgAnswer::Ok, false, failing + "\r\nWould you like to view a text report?", 0, 1},
        {true, true, false, false, MsgAnswer::Cancel, true, failing + "\r\nWould you like to print a text report?", 1, 1},
    };
    for (const auto& [printing, hasBrowser, printWorks, startWorks, answer, result, message, printed, started] : cases) {
        SCOPED_TRACE(message);
        TempDir dir;
        ScriptedServices services;
        if (hasBrowser) services.browser = browser;
        services.printWorks = printWorks, services.startWorks = startWorks, services.answers = {answer};
        const std::string page = (dir / "temphtm.HTM").string();
        EXPECT_EQ(OpenInBrowser(services, dir.path(), report, printing), result);
        EXPECT_EQ(ReadFile(page), report);
        EXPECT_EQ(services.printed, std::vector<std::string>(printed, page));
        EXPECT_EQ(services.started, std::vector<std::string>(started, browser + " file://" + page));
        ASSERT_EQ(services.messages.size(), message.empty() ? 0u : 1u);
        if (!message.empty()) EXPECT_EQ(services.messages[0].text, message);
    }
    EXPECT_EQ(PathToUrl("/tmp/a b/r\xC3\xA9sum\xC3\xA9 #1.htm"), "file:///tmp/a%20b/r%C3%A9sum%C3%A9%20%231.htm");
}

// After an error-free run, from December 8 2008 to December 1 2009, the user is offered the
// filing page; Yes opens it (a missing or failing browser is told).
TEST(SubmissionPrompt, FilingPage) {
    // today, a browser, starting works, the messages' titles, the placeholder page can be written
    const std::tuple<Date, bool, bool, std::vector<std::string>, bool> cases[] = {
        {{2008, 12, 7}, true, true, {"Results"}, true},
        {{2008, 12, 8}, true, true, {"Results?"}, true},
        {{2009, 12, 1}, true, true, {"Results?"}, true},
        {{2009, 12, 2}, true, true, {"Results"}, true},
        {{2009, 1, 20}, false, true, {"Results?", "Browser Not Found"}, true},
        {{2009, 1, 20}, true, false, {"Results?", "Connect to Plexora"}, true},
        {{2009, 1, 20}, true, true, {"Results?"}, false},
    };
    for (const auto& [today, hasBrowser, startWorks, titles, folder] : cases) {
        SCOPED_TRACE(today.Format());
        TempDir dir;
        ScriptedServices services;
        services.today = today, services.answers = {MsgAnswer::Yes}, services.startWorks = startWorks;
        if (hasBrowser) services.browser = "/opt/web/browser";
        SubmissionPrompt(services, folder ? dir.path() : dir / "gone");
        std::vector<std::string> shown;
        for (const auto& m : services.messages) shown.push_back(m.title + (m.buttons == MsgButtons::YesNo ? "?" : ""));
        EXPECT_EQ(shown, titles);
        const bool offered = titles[0] == "Results?";
        EXPECT_EQ(services.started, std::vector<std::string>(offered && hasBrowser, "/opt/web/browser " + std::string(kFilingPageUrl)));
        EXPECT_EQ(ReadFile(dir / "temphtm.HTM"), offered && folder ? "<HTML> </HTML>" : "");
    }
}

}  // namespace
}  // namespace quorvex::test
