#include <gtest/gtest.h>

#include "report/core/browser.h"
#include "support/scripted_services.h"
#include "support/test_support.h"

namespace quorvex::test {
namespace {

// The HTML report handed to the browser: printed, else opened; with no browser or one that
// fails, the user is offered a text report (the result: whether that offer was declined).
TEST(BrowserHandOff, ReportFallbacks) {
    const std::string b = "/opt/web/browser", failing = "Your default browser could not be opened: \r\n" + b + "\r\n\r\n";
    // printing, a browser, printing works, starting works, the answer, result, message, printed, started
    const std::tuple<bool, bool, bool, bool, MsgAnswer, bool, std::string, int, int> cases[] = {
        {false, true, true, true, MsgAnswer::Ok, true, "", 0, 1}, {true, true, true, true, MsgAnswer::Ok, true, "", 1, 0},
        {true, true, false, true, MsgAnswer::Ok, true, "", 1, 1},  // printing failed: opened instead
        {false, false, true, true, MsgAnswer::Ok, false, "Could not find a default Web Browser. \r\nWould you like to view", 0, 0},
        {true, false, true, true, MsgAnswer::Cancel, true, "Could not find a default Web Browser. \r\nWould you like to print", 0, 0},
        {false, true, true, false, MsgAnswer::Ok, false, failing + "Would you like to view", 0, 1},
        {true, true, false, false, MsgAnswer::Cancel, true, failing + "Would you like to print", 1, 1},
    };
    for (const auto& [printing, hasBrowser, printWorks, startWorks, answer, result, message, printed, started] : cases) {
        TempDir dir;
        ScriptedServices services;
        if (hasBrowser) services.browser = b;
        services.printWorks = printWorks, services.startWorks = startWorks, services.answers = {answer};
        const std::string page = (dir / "temphtm.HTM").string();
        EXPECT_EQ(OpenInBrowser(services, dir.path(), "<HTML>report</HTML>", printing), result) << message;
        EXPECT_EQ(ReadFile(page), "<HTML>report</HTML>");
        EXPECT_EQ(std::tuple(services.printed, services.started),
                  std::tuple(std::vector<std::string>(printed, page), std::vector<std::string>(started, b + " file://" + page)));
        EXPECT_EQ(services.messages.size() == 1 ? services.messages[0].text.substr(0, message.size()) : "", message);
    }
    EXPECT_EQ(PathToUrl("/tmp/a b/r\xC3\xA9sum\xC3\xA9 #1.htm"), "file:///tmp/a%20b/r%C3%A9sum%C3%A9%20%231.htm");
}

// After an error-free run, from December 8 2008 to December 1 2009, the user is offered the
// filing page (titles with "?" ask Yes or No); Yes opens it, a missing or failing browser is told.
TEST(SubmissionPrompt, FilingPage) {
    // today, a browser, starting works, the placeholder page can be written, the messages' titles
    const std::tuple<Date, bool, bool, bool, std::vector<std::string>> cases[] = {
        {{2008, 12, 7}, true, true, true, {"Results"}},
        {{2008, 12, 8}, true, true, true, {"Results?"}},
        {{2009, 12, 1}, true, true, true, {"Results?"}},
        {{2009, 12, 2}, true, true, true, {"Results"}},
        {{2009, 1, 20}, false, true, true, {"Results?", "Browser Not Found"}},
        {{2009, 1, 20}, true, false, true, {"Results?", "Connect to Plexora"}},
        {{2009, 1, 20}, true, true, false, {"Results?"}},
    };
    for (const auto& [today, hasBrowser, startWorks, folder, titles] : cases) {
        TempDir dir;
        ScriptedServices services;
        services.today = today, services.answers = {MsgAnswer::Yes}, services.startWorks = startWorks;
        if (hasBrowser) services.browser = "/opt/web/browser";
        SubmissionPrompt(services, folder ? dir.path() : dir / "gone");
        std::vector<std::string> shown;
        for (const auto& m : services.messages) shown.push_back(m.title + (m.buttons == MsgButtons::YesNo ? "?" : ""));
        EXPECT_EQ(shown, titles) << today.Format();
        const bool offered = titles[0] == "Results?";
        EXPECT_EQ(services.started, std::vector<std::string>(offered && hasBrowser, "/opt/web/browser " + std::string(kFilingPageUrl)));
        EXPECT_EQ(ReadFile(dir / "temphtm.HTM"), offered && folder ? "<HTML> </HTML>" : "");
    }
}

}  // namespace
}  // namespace quorvex::test
