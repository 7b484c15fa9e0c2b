#include <QLineEdit>
#include <QTest>

#include "common/error_limit.h"
#include "gui/gui_test_support.h"
#include "shell/gui/set_errors_dialog.h"

namespace quorvex::test {
namespace {

enum class By { Ok, Enter, Cancel };

// Entries and the way the dialog is left → the limit in force and saved, the warning (owned
// by the dialog, which stays open with the focus on the entry), and a run started at once.
TEST(SetErrorsDialogTest, EntriesAndTheirOutcome) {
    struct Case {
        const char* entry;
        By by;
        int limit;
        const char* titles;
    };
    const Case cases[] = {
        {"", By::Ok, 500, "Error Limit"},         {"0", By::Enter, 500, "Error Limit"},
        {"25001", By::Ok, 500, "Error Limit"},    {"99999999999999999999999", By::Ok, 500, "Error Limit"},
        {"25000", By::Ok, 25000, ""},             {"42", By::Cancel, 500, ""},
        {"1", By::Enter, 1, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.entry);
        Gui g;
        g.Click("mnuTSet");
        auto* dialog = g.window->findChild<SetErrorsDialog*>();
        ASSERT_TRUE(dialog && dialog->isVisible() && !dialog->isModal());
        if (c.by == By::Enter) {  // Enter means OK, also after Cancel had the focus
            dialog->findChild<QPushButton*>(QStringLiteral("cmdCancel"))->setFocus();
            QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("cmdCancel")), Qt::LeftButton);
            g.Click("mnuTSet");
        }
        EXPECT_EQ(dialog->Entry()->text(), QStringLiteral("500"));
        dialog->Entry()->setText(QString::fromLatin1(c.entry));
        const bool refused = *c.titles != 0, runs = !refused && c.by != By::Cancel;
        if (refused) g.script.answers = {MsgAnswer::Ok};
        if (runs) g.script.files = {std::nullopt};
        QWidget* owner = nullptr;
        g.script.onMessage = [&](const std::string&) { owner = g.window->QtServices().Parent(); };
        if (c.by == By::Enter) QTest::keyClick(dialog->Entry(), Qt::Key_Return);
        else QTest::mouseClick(dialog->findChild<QPushButton*>(c.by == By::Ok ? "cmdOK" : "cmdCancel"), Qt::LeftButton);
        EXPECT_EQ(g.script.Titles(), c.titles);
        EXPECT_EQ(owner, refused ? dialog : nullptr);
        EXPECT_EQ(dialog->isVisible(), refused);
        if (refused) EXPECT_EQ(dialog->focusWidget(), dialog->Entry());
        EXPECT_EQ(g.window->ErrorLimit(), c.limit);
        EXPECT_EQ(ReadFile(g.dir / "ErrSetLog.ini"), "[Maximum Error Count]:" + std::to_string(c.limit) + "\r\n");
        EXPECT_EQ(g.script.fileTitles.size(), runs ? 1u : 0u);
    }
}

TEST(SetErrorsDialogTest, OnlyDigitsCanBeTyped) {
    Gui g;
    g.window->ShowSetErrors();
    QLineEdit* entry = g.window->findChild<SetErrorsDialog*>()->Entry();
    entry->clear();
    QTest::keyClicks(entry, "1a2-3 .49+");
    QTest::keyClick(entry, Qt::Key_A, Qt::ShiftModifier);
    EXPECT_EQ(entry->text(), QStringLiteral("12349"));
    QTest::keyClick(entry, Qt::Key_Backspace);
    entry->insert(QStringLiteral("x9"));  // pasted
    EXPECT_EQ(entry->text(), QStringLiteral("1234"));
}

// A limit set in one session ends the runs of the next; one that cannot be saved is still
// used, and the user is told.
TEST(SetErrorsDialogTest, TheLimitIsSavedAndUsed) {
    for (const bool savable : {true, false}) {
        Gui g;
        if (!savable) {
            std::filesystem::remove(g.dir / "ErrSetLog.ini");
            std::filesystem::create_directory(g.dir / "ErrSetLog.ini");
            g.Reopen();
        }
        g.window->ShowSetErrors();
        g.window->findChild<SetErrorsDialog*>()->Entry()->setText(QStringLiteral("30"));
        g.script.files = {std::nullopt};
        if (!savable) g.script.answers = {MsgAnswer::Ok};
        g.window->findChild<SetErrorsDialog*>()->findChild<QPushButton*>("cmdOK")->click();
        EXPECT_EQ(g.script.Titles(), savable ? "" : "Error Limit");
        if (savable) g.Reopen();
        EXPECT_EQ(g.window->ErrorLimit(), 30);
        std::vector<std::string> records = {ValidRecord("RA"), ValidRecord("RE")};
        records.insert(records.end(), 20, Record("RW"));
        g.Test({Lines(records)}, {});
        EXPECT_EQ(g.window->LastSummary().outcome, RunOutcome::Stopped);
        EXPECT_EQ(g.window->LastSummary().criticalReference, "30 or more Errors in submission");
    }
}

}  // namespace
}  // namespace quorvex::test
