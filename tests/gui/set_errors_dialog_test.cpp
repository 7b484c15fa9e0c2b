#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

#include "gui/gui_test_support.h"
#include "shell/gui/set_errors_dialog.h"

namespace quorvex::test {
namespace {

// Keys typed (only digits are taken; the editing keys work: each entry is typed from its second
// character, with a digit taken back, then Home and the first) and how the dialog is left (OK,
// Enter after Cancel had the focus, Cancel) → the limit in force and saved; a refused entry's
// warning, owned by the dialog, which stays open with the focus on the entry; an accepted one
// starts a run at once.
TEST(SetErrorsDialogTest, EntriesAndTheirOutcome) {
    const std::tuple<const char*, const char*, int> cases[] = {
        {"", "cmdOK", 500}, {"0", "", 500}, {"25001", "cmdOK", 500}, {"99999999999999999999999", "cmdOK", 500},
        {"2a5-0 .0+0", "cmdOK", 25000}, {"42", "cmdCancel", 500}, {"9x9", "", 99}};
    for (const auto& [entry, button, limit] : cases) {
        SCOPED_TRACE(entry);
        Gui g;
        g.Click("mnuTSet");
        auto* dialog = g.window->findChild<SetErrorsDialog*>();
        ASSERT_TRUE(dialog && dialog->isVisible() && !dialog->isModal());
        if (!*button) {
            dialog->findChild<QPushButton*>(QStringLiteral("cmdCancel"))->setFocus();
            QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("cmdCancel")), Qt::LeftButton);
            g.Click("mnuTSet");
        }
        EXPECT_EQ(dialog->Entry()->text(), QStringLiteral("500"));
        dialog->Entry()->clear();
        const QString typed = QString::fromLatin1(entry);
        QTest::keyClicks(dialog->Entry(), typed.mid(1) + u'7');
        QTest::keyClick(dialog->Entry(), Qt::Key_Backspace);
        QTest::keyClick(dialog->Entry(), Qt::Key_Home);
        QTest::keyClicks(dialog->Entry(), typed.left(1));
        QTest::keyClick(dialog->Entry(), Qt::Key_Tab);  // leaves the entry
        EXPECT_NE(dialog->focusWidget(), dialog->Entry());
        const bool refused = limit == 500 && std::string(button) != "cmdCancel", runs = limit != 500;
        g.script.answers = {refused, MsgAnswer::Ok};
        g.script.files = {runs, std::nullopt};
        QWidget* owner = nullptr;
        g.script.onMessage = [&](const std::string&) { owner = g.window->QtServices().Parent(); };
        if (*button) QTest::mouseClick(dialog->findChild<QPushButton*>(QString::fromLatin1(button)), Qt::LeftButton);
        else QTest::keyClick(dialog->Entry(), Qt::Key_Return);
        EXPECT_EQ(std::tuple(g.script.Titles(), owner, dialog->isVisible(), g.window->ErrorLimit()),
                  std::tuple(refused ? "Error Limit" : "", refused ? dialog : nullptr, refused, limit));
        EXPECT_TRUE(!refused || dialog->focusWidget() == dialog->Entry());
        EXPECT_EQ(ReadFile(g.dir / "ErrSetLog.ini"), "[Maximum Error Count]:" + std::to_string(limit) + "\r\n");
        EXPECT_EQ(g.script.fileTitles.size(), runs ? 1u : 0u);
    }
}

// A limit set in one session ends the runs of the next; one that cannot be saved is still
// used, and the user is told. OK in the dialog left open when a run starts is off until the
// run ends: it neither saves a limit nor starts a second run.
TEST(SetErrorsDialogTest, TheLimitIsSavedAndUsedAndOkIsOffDuringARun) {
    for (const bool savable : {true, false}) {
        Gui g(std::chrono::microseconds(0));
        if (!savable)  // a folder in its place: the limit cannot be saved
            std::filesystem::remove(g.dir / "ErrSetLog.ini"),
                std::filesystem::create_directory(g.dir / "ErrSetLog.ini"), g.Reopen();
        g.window->ShowSetErrors();
        g.window->findChild<SetErrorsDialog*>()->Entry()->setText(QStringLiteral("30"));
        g.script.files = {std::nullopt};
        g.script.answers = {!savable, MsgAnswer::Ok};
        g.window->findChild<SetErrorsDialog*>()->findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
        EXPECT_EQ(g.script.Titles(), savable ? "" : "Error Limit");
        if (savable) g.Reopen();
        g.Click("mnuTSet");
        auto* dialog = g.window->findChild<SetErrorsDialog*>();
        auto* ok = dialog->findChild<QPushButton*>(QStringLiteral("cmdOK"));
        dialog->Entry()->setText(QStringLiteral("42"));
        std::string during;
        g.script.onYield = [&](int) {
            if (!during.empty()) return true;
            during = ok->isEnabled() ? "on" : "off";
            ok->click();
            QTest::keyClick(dialog->Entry(), Qt::Key_Return);
            return true;
        };
        g.Test({Submission(20, false, Record("RW"))}, {});
        EXPECT_TRUE(Child<QPlainTextEdit>(g.window.get(), "txtCritError")->toPlainText().contains(u"30 or more error"));
        EXPECT_EQ(std::tuple(during, ok->isEnabled(), g.window->ErrorLimit(), g.script.fileTitles.size()),
                  std::tuple(std::string("off"), true, 30, std::size_t{2}));
    }
}

}  // namespace
}  // namespace quorvex::test
