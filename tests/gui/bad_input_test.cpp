#include "errorlog/sqlite.h"
#include "gui/gui_test_support.h"

namespace quorvex::test {
namespace {

// Another program holds the earlier log: the run refuses to replace it, says so, and the
// window stays usable with the log untouched.
TEST(BadInputTest, LockedErrorLogIsLeftAloneAndTheWindowStaysUsable) {
    TempDir dir;
    WriteFile(dir / "sub.txt", Submission(2));
    sql::Database other((dir / "Errorlog.mdb").string(), true);
    other.exec("CREATE TABLE Kept (x INTEGER); INSERT INTO Kept VALUES (7); BEGIN EXCLUSIVE");

    ScriptedServices script;
    script.files = {(dir / "sub.txt").string()};
    script.answers = {MsgAnswer::Ok};
    MainWindow window(Options(dir.path(), script));
    window.show();
    window.StartTesting();

    EXPECT_EQ(window.LastSummary().outcome, RunOutcome::Failed);
    ASSERT_EQ(script.messages.size(), 1u);
    EXPECT_EQ(script.messages[0].title, "Submission File Error");
    EXPECT_EQ(script.messages[0].icon, MsgIcon::Critical);
    EXPECT_NE(script.messages[0].text.find("in use by another program"), std::string::npos);
    EXPECT_TRUE(window.Action("cmdStart")->isEnabled());
    EXPECT_FALSE(window.Running());
    EXPECT_FALSE(script.busy);

    other.exec("COMMIT");
    {
        auto st = other.prepare("SELECT x FROM Kept");
        ASSERT_TRUE(st.step());
        EXPECT_EQ(st.int64(0), 7);
    }

    // Once the other program lets go, the next run works.
    script.files = {(dir / "sub.txt").string()};
    script.answers = {MsgAnswer::Ok};  // the outcome
    window.StartTesting();
    EXPECT_NE(window.LastSummary().outcome, RunOutcome::Failed);
    EXPECT_EQ(window.LastSummary().recordsTested, 6);
}

// The file chosen in the dialog is gone before it is opened: the user is told and asked again.
TEST(BadInputTest, FileThatVanishedAfterTheDialogIsReportedAndAskedForAgain) {
    TempDir dir;
    WriteFile(dir / "gone.txt", Submission(1));
    ScriptedServices script;
    script.files = {(dir / "gone.txt").string(), std::nullopt};
    script.answers = {MsgAnswer::Ok, MsgAnswer::Ok};
    MainWindow window(Options(dir.path(), script));
    std::filesystem::remove(dir / "gone.txt");
    window.StartTesting();

    EXPECT_EQ(script.Titles(), (std::vector<std::string>{"Submission File Not Found", "Submission File Name Error"}));
    EXPECT_EQ(script.messages[0].text, (dir / "gone.txt").string() + " was not found.");
    EXPECT_EQ(script.fileTitles.size(), 2u);
    EXPECT_EQ(window.LastSummary().outcome, RunOutcome::Cancelled);
    EXPECT_TRUE(window.Action("cmdStart")->isEnabled());
    EXPECT_FALSE(std::filesystem::exists(dir / "Errorlog.mdb"));
}

// A folder chosen where a file is expected is a failure of the run, not of the program.
TEST(BadInputTest, FolderGivenAsSubmissionFile) {
    TempDir dir;
    ScriptedServices script;
    script.files = {dir.path().string()};
    script.answers = {MsgAnswer::Ok};
    MainWindow window(Options(dir.path(), script));
    window.StartTesting();
    ASSERT_EQ(script.messages.size(), 1u);
    EXPECT_EQ(script.messages[0].title, "Submission File Error");
    EXPECT_TRUE(window.Action("cmdStart")->isEnabled());
    EXPECT_FALSE(window.Running());
}

}  // namespace
}  // namespace quorvex::test
