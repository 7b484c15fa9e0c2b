#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

#include "gui/gui_test_support.h"
#include "common/error_limit.h"
#include "shell/gui/set_errors_dialog.h"

namespace quorvex::test {
namespace {

struct Fixture {
    TempDir dir;
    ScriptedServices script;
    std::unique_ptr<MainWindow> window;
    SetErrorsDialog* dialog = nullptr;

    Fixture() {
        window = std::make_unique<MainWindow>(Options(dir.path(), script));
        window->show();
        window->Action("mnuTSet")->trigger();
        dialog = window->findChild<SetErrorsDialog*>(QStringLiteral("frmSetErrors"));
    }
    QLineEdit* Entry() { return dialog->findChild<QLineEdit*>(QStringLiteral("txtErrorCount")); }
    void ClickOk() { QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("cmdOK")), Qt::LeftButton); }
};

TEST(SetErrorsDialogTest, OpensWithoutBlockingTheMainWindow) {
    Fixture f;
    ASSERT_NE(f.dialog, nullptr);
    EXPECT_TRUE(f.dialog->isVisible());
    EXPECT_FALSE(f.dialog->isModal());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(f.dialog->windowTitle(), QStringLiteral("Set Error Limit"));
    EXPECT_EQ(f.dialog->findChild<QPlainTextEdit*>(QStringLiteral("txtMessage"))->toPlainText(),
              QStringLiteral("Set the number of error(s) allowed from\n1 through 25,000 before testing is stopped"));
    EXPECT_EQ(f.Entry()->text(), QStringLiteral("500"));
    EXPECT_EQ(f.dialog->findChild<QPushButton*>(QStringLiteral("cmdCancel"))->text(), QStringLiteral("&Cancel"));
    // The main window goes on taking commands while the dialog is open.
    f.window->Action("mnuHAbout")->trigger();
    EXPECT_NE(f.window->findChild<QDialog*>(QStringLiteral("frmAbout")), nullptr);
}

TEST(SetErrorsDialogTest, OnlyDigitsAndBackspaceCanBeTyped) {
    Fixture f;
    QLineEdit* entry = f.Entry();
    entry->clear();
    QTest::keyClicks(entry, "1a2-3 .4+");
    EXPECT_EQ(entry->text(), QStringLiteral("1234"));
    QTest::keyClick(entry, Qt::Key_Backspace);
    EXPECT_EQ(entry->text(), QStringLiteral("123"));
    QTest::keyClick(entry, Qt::Key_Minus);
    QTest::keyClick(entry, Qt::Key_A, Qt::ShiftModifier);
    EXPECT_EQ(entry->text(), QStringLiteral("123"));
    // Text that does not come from a key (pasting) is refused too.
    entry->insert(QStringLiteral("x9"));
    EXPECT_EQ(entry->text(), QStringLiteral("123"));
}

class RefusedEntryTest : public ::testing::TestWithParam<const char*> {};

TEST_P(RefusedEntryTest, ShowsTheMessageAndKeepsTheDialogOpen) {
    Fixture f;
    f.Entry()->setText(QString::fromLatin1(GetParam()));
    f.script.answers = {MsgAnswer::Ok};
    f.ClickOk();
    ASSERT_EQ(f.script.messages.size(), 1u);
    EXPECT_EQ(f.script.messages[0].text, kErrorLimitMessage);
    EXPECT_EQ(f.script.messages[0].title, "Error Limit");
    EXPECT_EQ(f.script.messages[0].icon, MsgIcon::Exclamation);
    EXPECT_TRUE(f.dialog->isVisible());
    EXPECT_EQ(f.dialog->focusWidget(), f.Entry());
    EXPECT_EQ(f.window->ErrorLimit(), 500);
    EXPECT_EQ(ReadFile(f.dir / "ErrSetLog.ini"), "[Maximum Error Count]:500\r\n");
    EXPECT_TRUE(f.script.fileTitles.empty());
}

INSTANTIATE_TEST_SUITE_P(Entries, RefusedEntryTest,
                         ::testing::Values("", "   ", "0", "00", "25001", "99999999999999999999999"));

TEST(SetErrorsDialogTest, OkSavesTheLimitAndStartsATestAtOnce) {
    Fixture f;
    f.Entry()->setText(QStringLiteral("25000"));
    f.script.files = {std::nullopt};
    f.ClickOk();
    EXPECT_TRUE(f.script.messages.empty());
    EXPECT_EQ(f.window->ErrorLimit(), 25000);
    EXPECT_EQ(ReadFile(f.dir / "ErrSetLog.ini"), "[Maximum Error Count]:25000\r\n");
    EXPECT_FALSE(f.dialog->isVisible());
    EXPECT_EQ(f.script.fileTitles, std::vector<std::string>{"Please Enter File Name to be Tested"});
}

TEST(SetErrorsDialogTest, CancelChangesNothing) {
    Fixture f;
    f.Entry()->setText(QStringLiteral("42"));
    QTest::mouseClick(f.dialog->findChild<QPushButton*>(QStringLiteral("cmdCancel")), Qt::LeftButton);
    EXPECT_FALSE(f.dialog->isVisible());
    EXPECT_EQ(f.window->ErrorLimit(), 500);
    EXPECT_EQ(ReadFile(f.dir / "ErrSetLog.ini"), "[Maximum Error Count]:500\r\n");
    EXPECT_TRUE(f.script.fileTitles.empty());
    // Opened again, it shows the limit in force, not the abandoned entry.
    f.window->Action("mnuTSet")->trigger();
    EXPECT_EQ(f.Entry()->text(), QStringLiteral("500"));
}

// A limit of 1200 accepted in one session is read at the next start and ends runs there.
TEST(SetErrorsDialogTest, ALimitSavedIsUsedAfterARestart) {
    TempDir dir;
    {
        ScriptedServices script;
        script.files = {std::nullopt};
        MainWindow window(Options(dir.path(), script));
        window.show();
        window.ShowSetErrors();
        auto* dialog = window.findChild<SetErrorsDialog*>();
        dialog->Entry()->setText(QStringLiteral("1200"));
        QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("cmdOK")), Qt::LeftButton);
        window.close();
    }
    ScriptedServices script;
    WriteFile(dir / "many.txt", Submission(1300, true, true));
    script.files = {(dir / "many.txt").string()};
    MainWindow window(Options(dir.path(), script));
    EXPECT_EQ(window.ErrorLimit(), 1200);
    window.ShowSetErrors();
    EXPECT_EQ(window.findChild<SetErrorsDialog*>()->Entry()->text(), QStringLiteral("1200"));

    window.StartTesting();
    const RunSummary& s = window.LastSummary();
    EXPECT_TRUE(script.messages.empty());
    EXPECT_GE(s.errorsFound, 1200);
    EXPECT_LT(s.recordsTested, 1300);
    EXPECT_EQ(s.outcome, RunOutcome::Stopped);
    EXPECT_EQ(s.criticalReference, "1200 or more Errors in submission");
    EXPECT_EQ(s.criticalUserEntry, "1200 Errors");
}

TEST(SetErrorsDialogTest, ALimitThatCannotBeSavedIsStillUsedAndSaid) {
    TempDir dir;
    std::filesystem::create_directory(dir / "ErrSetLog.ini");  // not a file: cannot be read or written
    ScriptedServices script;
    MainWindow window(Options(dir.path(), script));
    EXPECT_EQ(window.ErrorLimit(), 500);
    window.ShowSetErrors();
    auto* dialog = window.findChild<SetErrorsDialog*>();
    EXPECT_EQ(dialog->Entry()->text(), QStringLiteral("500"));
    dialog->Entry()->setText(QStringLiteral("77"));
    script.answers = {MsgAnswer::Ok};
    script.files = {std::nullopt};
    QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("cmdOK")), Qt::LeftButton);
    ASSERT_EQ(script.messages.size(), 1u);
    EXPECT_EQ(script.messages[0].title, "Error Limit");
    EXPECT_NE(script.messages[0].text.find("could not be saved"), std::string::npos);
    EXPECT_EQ(window.ErrorLimit(), 77);
    EXPECT_EQ(script.fileTitles.size(), 1u);
}

TEST(SetErrorsDialogTest, AGarbledSettingsFileGivesTheDefault) {
    for (const char* content : {"[Maximum Error Count]:abc\r\n", "\x01\x02\xff garbage", "[Maximum Error Count]:0\r\n",
                                "[Maximum Error Count]:25001\r\n", ""}) {
        TempDir dir;
        WriteFile(dir / "ErrSetLog.ini", content);
        ScriptedServices script;
        MainWindow window(Options(dir.path(), script));
        EXPECT_EQ(window.ErrorLimit(), 500) << content;
        EXPECT_EQ(ReadFile(dir / "ErrSetLog.ini"), "[Maximum Error Count]:500\r\n") << content;
    }
}

}  // namespace
}  // namespace quorvex::test

namespace quorvex::test {
namespace {

// Enter means OK at every opening, also after Cancel had the focus; a refused entry's
// warning belongs to the dialog, which keeps the focus for the next keystrokes.
TEST(SetErrorsDialogTest, EnterMeansOkAfterCancelAndTheWarningBelongsToTheDialog) {
    Fixture f;
    auto* cancel = f.dialog->findChild<QPushButton*>(QStringLiteral("cmdCancel"));
    cancel->setFocus();
    QTest::mouseClick(cancel, Qt::LeftButton);
    f.window->Action("mnuTSet")->trigger();

    f.Entry()->setText(QStringLiteral("0"));
    QWidget* owner = nullptr;
    f.script.answers = {MsgAnswer::Ok};
    f.script.onMessage = [&](const std::string&) { owner = f.window->QtServices().Parent(); };
    QTest::keyClick(f.Entry(), Qt::Key_Return);
    EXPECT_EQ(owner, f.dialog);
    EXPECT_EQ(f.window->QtServices().Parent(), f.window.get());
    EXPECT_EQ(f.dialog->focusWidget(), f.Entry());

    f.Entry()->setText(QStringLiteral("1200"));
    f.script.files = {std::nullopt};
    QTest::keyClick(f.Entry(), Qt::Key_Return);
    EXPECT_EQ(f.window->ErrorLimit(), 1200);
    EXPECT_EQ(f.script.fileTitles.size(), 1u);
}

}  // namespace
}  // namespace quorvex::test
