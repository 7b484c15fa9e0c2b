#include <QAction>
#include <QDialog>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QUrl>

#include "common/error_limit.h"
#include "errorlog/sqlite.h"
#include "results/gui/result_grid.h"
#include "shell/gui/about_dialog.h"
#include "shell/gui/help_window.h"
#include "gui/gui_test_support.h"

// The font library keeps its caches until the process ends; under the leak checker of
// the sanitizer build those are not leaks of ours.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

namespace quorvex::test {
namespace {

using namespace std::chrono_literals;

struct CommandState {
    const char* name;
    const char* caption;  // empty: not checked
    bool enabled;
};

void ExpectStates(MainWindow& window, const std::vector<CommandState>& states, const char* when) {
    for (const auto& s : states) {
        QAction* action = window.Action(s.name);
        ASSERT_NE(action, nullptr) << s.name;
        EXPECT_EQ(action->isEnabled(), s.enabled) << when << ": " << s.name;
        if (*s.caption) {
            EXPECT_EQ(action->text().toStdString(), s.caption) << s.name;
        }
        if (QPushButton* button = Button(window, s.name)) {
            EXPECT_EQ(button->isEnabled(), s.enabled) << when << ": button " << s.name;
            if (*s.caption) {
                EXPECT_EQ(button->text().toStdString(), s.caption);
            }
        }
    }
}

const std::vector<CommandState> kStartupStates = {
    {"cmdStart", "&Start Testing", true},      {"cmdView", "View &Tested Records", false},
    {"cmdGrid", "View Records &With Errors", false}, {"cmdErrors", "View Error &Report", false},
    {"cmdPrint", "&Print Error Report", false}, {"cmdLast", "View &Last Test Results", true},
    {"cmdExit", "E&xit", true},                 {"mnuTest", "&Test", true},
    {"mnuTStart", "&Start New", true},          {"mnuTOpenLast", "Open &Last", true},
    {"mnuTPrint", "&Print Report", false},      {"mnuTSet", "Set &Error(s)", true},
    {"mnuTExit", "E&xit", true},                {"mnuView", "&View", true},
    // No report window yet: a report command that cannot work is off, not silent.
    {"mnuVReport", "&Report", true},            {"mnuRLast", "&Last", true},
    {"mnuRCurrent", "&Current", false},         {"mnuVRecords", "Recor&ds", false},
    {"mnuVRAll", "All &Tested", false},         {"mnuVRErrors", "&With Errors", false},
    {"mnuHelp", "&Help", true},                 {"mnuHContents", "&Contents", true},
    {"mnuHAbout", "&About", true},
};

TEST(MainWindowTest, StartsWithCaptionTextsAndCommandStates) {
    TempDir dir;
    ScriptedServices script;
    MainWindow window(Options(dir.path(), script));
    window.show();

    EXPECT_EQ(window.windowTitle(), QStringLiteral("Quorvex 2008"));
    ExpectStates(window, kStartupStates, "start-up");
    auto* welcome = window.findChild<QLabel*>(QStringLiteral("lblWelcome"));
    ASSERT_NE(welcome, nullptr);
    EXPECT_EQ(welcome->text(), QStringLiteral("Welcome To Quorvex 2008\n For Tax Year 2008\n ZRW5 Submissions"));
    auto* disclosure = window.findChild<QPlainTextEdit*>(QStringLiteral("txtDisclosure"));
    ASSERT_NE(disclosure, nullptr);
    EXPECT_TRUE(disclosure->toPlainText().startsWith(QStringLiteral("\nDISCLAIMER STATEMENT\n\nThe Quorvex application identifies")));
    EXPECT_TRUE(disclosure->toPlainText().endsWith(QStringLiteral("could be returned because of other errors.")));
    EXPECT_EQ(disclosure->textCursor().position(), 2);
    EXPECT_FALSE(window.findChild<QLabel*>(QStringLiteral("lblRecCtr"))->isVisible());
    EXPECT_TRUE(window.findChild<QLabel*>(QStringLiteral("imgLogo"))->isVisible());

    // Error limit read (and its file created); no earlier log.
    EXPECT_EQ(window.ErrorLimit(), 500);
    EXPECT_EQ(ReadFile(dir / "ErrSetLog.ini"), "[Maximum Error Count]:500\r\n");
    EXPECT_FALSE(window.LastLog().has_value());
    EXPECT_EQ(std::filesystem::current_path(), dir.path());
}

TEST(MainWindowTest, FindsAnEarlierLogWhateverTheCaseOfItsName) {
    TempDir dir;
    WriteFile(dir / "ERRORLOG.MDB", "x");
    ScriptedServices script;
    MainWindow window(Options(dir.path(), script));
    ASSERT_TRUE(window.LastLog().has_value());
    EXPECT_EQ(window.LastLog()->filename(), "ERRORLOG.MDB");
}

struct FinishedRunCase {
    const char* name;
    std::string file;
    Date today;
    MsgAnswer answer;
    RunOutcome outcome;
    std::string message;
    bool testedRecordsOn;
    int filingPages;
    const char* shownAtMessage;  // the progress line behind the message; empty: none
    friend void PrintTo(const FinishedRunCase& c, std::ostream* os) { *os << c.name; }
};

class FinishedRunTest : public ::testing::TestWithParam<FinishedRunCase> {};

// A run that reaches its end without errors shows the welcome screen again.
TEST_P(FinishedRunTest, ShowsTheWelcomeScreenAgain) {
    const FinishedRunCase& c = GetParam();
    TempDir dir;
    WriteFile(dir / "sub.txt", c.file);
    ScriptedServices script;
    script.today = c.today;
    script.files = {(dir / "sub.txt").string()};
    script.answers = {c.answer};
    script.browser = "/opt/web/browser";
    MainWindow window(Options(dir.path(), script));
    window.show();
    QSignalSpy finished(&window, &MainWindow::runFinished);
    auto* recCtr = window.findChild<QLabel*>(QStringLiteral("lblRecCtr"));
    QString shownAtMessage;
    script.onMessage = [&](const std::string&) { shownAtMessage = recCtr->isVisible() ? recCtr->text() : QString(); };

    QTest::mouseClick(Button(window, "cmdStart"), Qt::LeftButton);

    ASSERT_EQ(finished.count(), 1);
    EXPECT_EQ(shownAtMessage, QString::fromLatin1(c.shownAtMessage));
    EXPECT_EQ(window.focusWidget(), Button(window, "cmdStart"));
    ASSERT_EQ(window.LastSummary().outcome, c.outcome);
    ASSERT_EQ(script.messages.size(), 1u);
    EXPECT_EQ(script.messages[0].text, c.message);
    EXPECT_EQ(script.started.size(), std::size_t(c.filingPages));
    EXPECT_EQ(script.fileTitles, std::vector<std::string>{"Please Enter File Name to be Tested"});
    ExpectStates(window,
                 {{"cmdStart", "", true}, {"mnuTStart", "", true}, {"cmdView", "", c.testedRecordsOn},
                  {"mnuVRecords", "", true}, {"mnuVRAll", "", true}, {"mnuVReport", "", false},
                  {"mnuVRErrors", "", false}, {"cmdGrid", "", false}, {"cmdLast", "", false}},
                 c.name);
    EXPECT_FALSE(window.findChild<QLabel*>(QStringLiteral("lblRecCtr"))->isVisible());
    EXPECT_FALSE(window.findChild<QProgressBar*>(QStringLiteral("lblPrgrss1"))->isVisible());
    EXPECT_TRUE(window.findChild<QLabel*>(QStringLiteral("lblWelcome"))->isVisible());
    EXPECT_FALSE(window.findChild<QPlainTextEdit*>(QStringLiteral("txtDisclosure"))->isVisible());
    EXPECT_FALSE(window.CurrentRun()->Testing());
    EXPECT_FALSE(script.busy);
    ASSERT_TRUE(window.LastLog().has_value());
    EXPECT_EQ(*window.LastLog(), dir / "Errorlog.mdb");
}

INSTANTIATE_TEST_SUITE_P(
    Runs, FinishedRunTest,
    ::testing::Values(
        FinishedRunCase{"Clean", Submission(2), Date{2010, 3, 1}, MsgAnswer::Ok, RunOutcome::NoErrors,
                        "Testing Completed.\r\nThere were no errors found.", true, 0, "Processing Record Number: 6"},
        FinishedRunCase{"FilingPrompt", Submission(1), Date{2008, 12, 8}, MsgAnswer::Yes, RunOutcome::NoErrors,
                        "Testing Completed.\r\nThere were no errors found.\r\n\r\nWould you like to connect to "
                        "Plexora Web site to submit the wage report?",
                        true, 1, "Processing Record Number: 5"},
        FinishedRunCase{"EmptyFile", "", Date{2010, 3, 1}, MsgAnswer::Ok, RunOutcome::NoData,
                        "Warning: The file contains no valid data.", false, 0, ""}),
    [](const auto& info) { return std::string(info.param.name); });

struct ErrorRunCase {
    const char* name;
    std::string file;
    std::vector<MsgAnswer> answers;
    int fileAnswers;  // how many file dialogs the run asks
    RunOutcome outcome;
    const char* counts;
    const char* errorsOf;
    const char* critError;
    const char* focus;
    friend void PrintTo(const ErrorRunCase& c, std::ostream* os) { *os << c.name; }
};

class ErrorRunTest : public ::testing::TestWithParam<ErrorRunCase> {};

TEST_P(ErrorRunTest, ShowsTheRecordsWithErrors) {
    const ErrorRunCase& c = GetParam();
    TempDir dir;
    WriteFile(dir / "sub.txt", c.file);
    ScriptedServices script;
    script.files = {(dir / "sub.txt").string()};
    for (int i = 1; i < c.fileAnswers; ++i) script.files.push_back(std::nullopt);
    script.answers = {c.answers.begin(), c.answers.end()};
    MainWindow window(Options(dir.path(), script));
    window.show();
    QSignalSpy errorsView(&window, &MainWindow::viewRecordsWithErrors);

    window.StartTesting();

    EXPECT_EQ(window.LastSummary().outcome, c.outcome);
    EXPECT_TRUE(script.files.empty());
    EXPECT_TRUE(script.answers.empty());
    EXPECT_EQ(errorsView.count(), 1);
    // The records-with-errors view, its first record's errors and the critical-error box.
    auto* grid1 = window.findChild<ResultGrid*>(QStringLiteral("DBGrid1"));
    auto* grid2 = window.findChild<ResultGrid*>(QStringLiteral("DBGrid2"));
    auto* critError = window.findChild<QPlainTextEdit*>(QStringLiteral("txtCritError"));
    EXPECT_TRUE(grid1->isVisible() && grid2->isVisible() && critError->isVisible());
    EXPECT_FALSE(window.findChild<QLabel*>(QStringLiteral("imgLogo"))->isVisible());
    EXPECT_FALSE(window.findChild<QLabel*>(QStringLiteral("lblRecCtr"))->isVisible());
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Records With Errors - sub.txt"));
    EXPECT_EQ(window.findChild<QLabel*>(QStringLiteral("lblRecords"))->text(), QString::fromLatin1(c.counts));
    EXPECT_EQ(window.findChild<QLabel*>(QStringLiteral("lblErrors"))->text(), QString::fromLatin1(c.errorsOf));
    EXPECT_EQ(grid2->model()->rowCount(), 1);
    EXPECT_EQ(critError->toPlainText(), QString::fromLatin1(c.critError));
    EXPECT_EQ(window.focusWidget()->objectName(), QString::fromLatin1(c.focus));
    if (window.focusWidget() == critError) {
        EXPECT_EQ(critError->textCursor().selectedText(), critError->toPlainText());
        EXPECT_EQ(critError->textCursor().position(), 0);
    }
    const std::vector<CommandState> viewStates = {
        {"cmdStart", "", true},     {"cmdView", "", true},      {"cmdErrors", "", true},    {"cmdPrint", "", true},
        {"cmdGrid", "", false},     {"mnuRCurrent", "", true},  {"mnuVRErrors", "", true},  {"mnuTPrint", "", true},
        {"mnuTOpenLast", "", false}, {"mnuRLast", "", false},   {"cmdLast", "", false},     {"mnuTSet", "", true}};
    ExpectStates(window, viewStates, c.name);
    // The view has shown the run: Exit now adds nothing to the log.
    EXPECT_FALSE(window.CurrentRun()->Testing());
    const auto errorsBefore = window.LastSummary().errorsFound;
    window.close();
    EXPECT_EQ(QueryInt(dir / "Errorlog.mdb", "SELECT COUNT(*) FROM Errors"), errorsBefore);
    EXPECT_EQ(QueryInt(dir / "Errorlog.mdb", "SELECT COUNT(*) FROM Errors WHERE Reference = 'Test Aborted'"), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, ErrorRunTest,
    ::testing::Values(
        // The file ends without RF; the next-file dialog is cancelled: an ordinary error.
        ErrorRunCase{"missing final record", Submission(3, false), {MsgAnswer::Ok}, 2, RunOutcome::Errors,
                     "6 Record(s) Tested, 1 Record(s) with Error(s)", "Record Number 6", "Not Applicable.", "DBGrid1"},
        // Record 1 is not RA: a critical error stops the run.
        ErrorRunCase{"critical first record", Rec("RE") + "\r\n" + Rec("RA") + "\r\n", {}, 1, RunOutcome::Stopped,
                     "1 Record(s) Tested, 1 Record(s) with Error(s)", "Record Number 1",
                     "Execution of Testing was terminated due to the Critical Error in Record Number 1:  Record 1 must "
                     "be RA record.",
                     "txtCritError"}),
    [](const auto& info) { return std::string(info.param.outcome == RunOutcome::Errors ? "Errors" : "Stopped"); });

TEST(MainWindowTest, CommandsThatWouldDisturbARunAreOffWhileItRuns) {
    TempDir dir;
    WriteFile(dir / "sub.txt", Submission(40));
    ScriptedServices script;
    script.files = {(dir / "sub.txt").string()};
    script.answers = {MsgAnswer::Ok};
    MainWindow window(Options(dir.path(), script, 0us));
    window.show();
    bool checked = false;
    script.onProgress = [&](std::int64_t recCtr) {
        if (recCtr != 20 || checked) return;
        checked = true;
        ExpectStates(window,
                     {{"cmdStart", "", false}, {"cmdLast", "", false}, {"mnuTOpenLast", "", false},
                      {"cmdPrint", "", false}, {"cmdErrors", "", false}, {"cmdView", "", false},
                      {"cmdGrid", "", false}, {"mnuTStart", "", false}, {"cmdExit", "", true},
                      {"mnuTExit", "", true}, {"mnuTSet", "", false}, {"mnuTPrint", "", false},
                      {"mnuVReport", "", false}, {"mnuVRecords", "", false}, {"mnuHAbout", "", true}},
                     "during a run");
        EXPECT_TRUE(window.Running());
    };
    int labelChecks = 0;
    script.onYield = [&](int) {
        // At every yield, where Exit can be chosen, the line shows the record the run is at;
        // before the first record there is none. The window answers: no hourglass.
        auto* label = window.findChild<QLabel*>(QStringLiteral("lblRecCtr"));
        EXPECT_EQ(label->isVisible(), script.lastProgress > 0);
        if (label->isVisible()) {
            EXPECT_EQ(label->text(), QStringLiteral("Processing Record Number: %1").arg(script.lastProgress));
            ++labelChecks;
        }
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        EXPECT_NE(window.focusWidget(), Button(window, "cmdExit"));
        return true;
    };
    // A second start from inside the run is refused.
    QTimer::singleShot(0, &window, [&] { window.StartTesting(); });
    window.StartTesting();
    EXPECT_TRUE(checked);
    EXPECT_EQ(labelChecks, 44);  // one per record
    EXPECT_EQ(script.fileTitles.size(), 1u);
}

TEST(MainWindowTest, CancellingTheFirstDialogLeavesWindowAndLogAsTheyWere) {
    TempDir dir;
    WriteFile(dir / "Errorlog.mdb", "earlier log");
    ScriptedServices script;
    script.files = {std::nullopt};
    MainWindow window(Options(dir.path(), script));
    window.show();
    QTest::mouseClick(Button(window, "cmdStart"), Qt::LeftButton);
    EXPECT_EQ(window.LastSummary().outcome, RunOutcome::Cancelled);
    EXPECT_TRUE(script.messages.empty());
    ExpectStates(window, kStartupStates, "after a cancelled dialog");
    EXPECT_EQ(window.focusWidget(), Button(window, "cmdStart"));
    EXPECT_EQ(ReadFile(dir / "Errorlog.mdb"), "earlier log");
}

enum class ExitBy { Button, Menu, CloseWindow };
void PrintTo(ExitBy by, std::ostream* os) {
    *os << (by == ExitBy::Button ? "Exit button" : by == ExitBy::Menu ? "Exit menu item" : "window closed");
}

class ExitDuringRunTest : public ::testing::TestWithParam<ExitBy> {};

// Exit chosen while record 120 is shown: the run stops in its yield before it stores
// record 120, so the abort is logged on record 119 and the program ends.
TEST_P(ExitDuringRunTest, LogsTheAbortOnTheLastStoredRecordAndEnds) {
    TempDir dir;
    ASSERT_TRUE(SaveErrorLimit(dir.path(), 25000));
    WriteFile(dir / "big.txt", Submission(400));
    ScriptedServices script;
    script.files = {(dir / "big.txt").string()};
    auto window = std::make_unique<MainWindow>(Options(dir.path(), script, 0us));
    window->show();
    MainWindow* w = window.get();
    const ExitBy by = GetParam();
    QString seen;
    script.onProgress = [&](std::int64_t recCtr) {
        if (recCtr != 120) return;
        // Chosen by the user while the run yields to the window.
        QTimer::singleShot(0, w, [w, by, &seen] {
            seen = w->findChild<QLabel*>(QStringLiteral("lblRecCtr"))->text();
            switch (by) {
            case ExitBy::Button: QTest::mouseClick(Button(*w, "cmdExit"), Qt::LeftButton); break;
            case ExitBy::Menu: w->Action("mnuTExit")->trigger(); break;
            case ExitBy::CloseWindow: w->close(); break;
            }
        });
    };
    window->StartTesting();

    EXPECT_EQ(window->LastSummary().outcome, RunOutcome::Aborted);
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(script.messages.empty());
    EXPECT_EQ(seen, QStringLiteral("Processing Record Number: 120"));
    window.reset();
    const auto log = dir / "Errorlog.mdb";
    EXPECT_EQ(QueryInt(log, "SELECT MAX(Rec_Num) FROM Records"), 119);
    EXPECT_EQ(QueryInt(log,
                       "SELECT Rec_Num FROM Errors WHERE Reference = 'Test Aborted' AND User_Entry = 'Exit was "
                       "chosen' AND Error = 'The last file did not complete testing because the Exit Button was "
                       "selected while processing.'"),
              119);
    EXPECT_EQ(QueryInt(log, "SELECT COUNT(*) FROM Errors WHERE Reference = 'Test Aborted'"), 1);
}

INSTANTIATE_TEST_SUITE_P(Ways, ExitDuringRunTest,
                         ::testing::Values(ExitBy::Button, ExitBy::Menu, ExitBy::CloseWindow),
                         [](const auto& info) {
                             return std::string(info.param == ExitBy::Button ? "Button"
                                                : info.param == ExitBy::Menu ? "Menu"
                                                                             : "CloseWindow");
                         });

TEST(MainWindowTest, ARunEndedByItsServicesEndsTheProgramToo) {
    TempDir dir;
    WriteFile(dir / "sub.txt", Submission(50));
    ScriptedServices script;
    script.files = {(dir / "sub.txt").string()};
    script.onYield = [](int n) { return n < 10; };
    MainWindow window(Options(dir.path(), script, 0us));
    window.show();
    window.StartTesting();
    EXPECT_EQ(window.LastSummary().outcome, RunOutcome::Aborted);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(QueryInt(dir / "Errorlog.mdb", "SELECT COUNT(*) FROM Errors WHERE Reference = 'Test Aborted'"), 1);
}

TEST(MainWindowTest, ExitWithoutALogEndsNormally) {
    TempDir dir;
    ScriptedServices script;
    MainWindow window(Options(dir.path(), script));
    window.show();
    QTest::mouseClick(Button(window, "cmdExit"), Qt::LeftButton);
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(std::filesystem::exists(dir / "Errorlog.mdb"));
}

TEST(MainWindowTest, DroppedFileAnswersTheFirstFileDialog) {
    TempDir dir;
    WriteFile(dir / "dropped.txt", Submission(3, false));
    ScriptedServices script;
    script.files = {std::nullopt};  // the "next file" dialog only
    script.answers = {MsgAnswer::Ok};
    MainWindow window(Options(dir.path(), script));
    window.show();
    QSignalSpy finished(&window, &MainWindow::runFinished);

    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(QString::fromStdString((dir / "dropped.txt").string()))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &drop);
    EXPECT_TRUE(finished.wait(5000));

    EXPECT_EQ(script.fileTitles, std::vector<std::string>{"Please Enter Next File Name to be Tested"});
    EXPECT_EQ(window.LastSummary().outcome, RunOutcome::Errors);
    EXPECT_EQ(QueryInt(dir / "Errorlog.mdb", "SELECT COUNT(*) FROM Misc"), 1);
}

TEST(MainWindowTest, RemembersSizeAndPosition) {
    TempDir dir;
    ScriptedServices script;
    {
        MainWindow window(Options(dir.path(), script));
        window.show();
        window.setGeometry(70, 90, 900, 640);
        QApplication::processEvents();
        window.close();
    }
    MainWindow again(Options(dir.path(), script));
    EXPECT_EQ(again.size(), QSize(900, 640));
}

TEST(MainWindowTest, HelpOpensAtTheWelcomePageAndClosesWithTheMainWindow) {
    TempDir dir;
    ScriptedServices script;
    MainWindow window(Options(dir.path(), script));
    window.show();
    window.Action("mnuHContents")->trigger();
    auto* help = window.findChild<HelpWindow*>();
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isVisible());
    EXPECT_EQ(help->Browser()->source().fileName(), QStringLiteral("Welcome.htm"));
    const QString text = help->Browser()->toPlainText();
    for (const char* topic : {"How to test a file", "How to read the results", "How to set the error limit",
                              "replaced", "500"}) {
        EXPECT_TRUE(text.contains(QString::fromLatin1(topic))) << topic;
    }
    window.close();
    EXPECT_FALSE(help->isVisible());
}

TEST(MainWindowTest, AboutBoxNamesProductAndVersion) {
    TempDir dir;
    ScriptedServices script;
    MainWindow window(Options(dir.path(), script));
    window.show();
    window.Action("mnuHAbout")->trigger();
    auto* about = window.findChild<QDialog*>(QStringLiteral("frmAbout"));
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(about->isVisible());
    EXPECT_TRUE(about->isModal());
    EXPECT_EQ(about->windowTitle(), QStringLiteral("About Quorvex / Tax Year 2008"));
    // Wide enough for the whole title beside the title bar's buttons.
    QFont bold = about->font();
    bold.setBold(true);
    EXPECT_GE(about->width(), QFontMetrics(bold).horizontalAdvance(about->windowTitle()) + 120);
    const QString text = about->findChild<QLabel*>(QStringLiteral("lblAbout"))->text();
    EXPECT_EQ(text, QStringLiteral("Product Name: \nQuorvex\nMajor version number:  %1\nMinor version number:  %2\n"
                                   "Revision number:  %3")
                        .arg(QUORVEX_VERSION_MAJOR)
                        .arg(QUORVEX_VERSION_MINOR)
                        .arg(QUORVEX_VERSION_PATCH));
    about->close();
}

}  // namespace
}  // namespace quorvex::test

namespace quorvex::test {
namespace {

// A log that cannot take the "Test Aborted" row when Exit is chosen: the user is told, and
// the program still ends.
TEST(MainWindowTest, ExitWithAFailingLogShowsTheFailureAndEnds) {
    TempDir dir;
    WriteFile(dir / "big.txt", Submission(200));
    ScriptedServices script;
    script.files = {(dir / "big.txt").string()};
    script.answers = {MsgAnswer::Ok};
    auto window = std::make_unique<MainWindow>(Options(dir.path(), script, 0us));
    window->show();
    MainWindow* w = window.get();
    script.onProgress = [&](std::int64_t recCtr) {
        if (recCtr != 50) return;
        QTimer::singleShot(0, w, [w] {
            sql::FailNthOperation(1);
            w->Action(Command::Exit)->trigger();
        });
    };
    window->StartTesting();
    sql::FailNthOperation(0);
    EXPECT_FALSE(window->isVisible());
    ASSERT_EQ(script.messages.size(), 1u);
    EXPECT_EQ(script.messages.back().title, "Submission File Error");
    EXPECT_TRUE(script.messages.back().text.starts_with("Error Number: 10\r\nError Description: The error log " +
                                                         (dir / "Errorlog.mdb").string() +
                                                         " could not be written: disk I/O error. Testing stopped;"))
        << script.messages.back().text;
}

}  // namespace
}  // namespace quorvex::test

namespace quorvex::test {
namespace {

// The file dialog opens where a file was last chosen, remembered across starts while that
// folder exists; never in the program folder with the log in it.
TEST(MainWindowTest, FileDialogOpensInTheLastFolderUsed) {
    TempDir dir;
    const QString subs = QString::fromStdString((dir / "subs").string());
    std::filesystem::create_directory(dir / "subs");
    ScriptedServices script;
    {
        MainWindow window(Options(dir.path(), script));
        EXPECT_NE(window.QtServices().InitialFolder(), QString::fromStdString(dir.path().string()));
        window.QtServices().SetLastFolder(subs);
        window.close();
    }
    {
        MainWindow again(Options(dir.path(), script));
        EXPECT_EQ(again.QtServices().InitialFolder(), subs);
    }
    std::filesystem::remove(dir / "subs");
    MainWindow later(Options(dir.path(), script));
    EXPECT_NE(later.QtServices().InitialFolder(), subs);
}

// The states after a run follow the rules of that run's end, whatever the run before left.
TEST(MainWindowTest, StatesAfterARunFollowItsEndNotTheRunBefore) {
    TempDir dir;
    WriteFile(dir / "errors.txt", Submission(3, false));
    WriteFile(dir / "clean.txt", Submission(40));
    ScriptedServices script;
    MainWindow window(Options(dir.path(), script, 0us));
    window.show();
    const auto run = [&](const char* file, std::vector<MsgAnswer> answers, std::vector<std::optional<std::string>> more) {
        script.files = {(dir / file).string()};
        script.files.insert(script.files.end(), more.begin(), more.end());
        script.answers = {answers.begin(), answers.end()};
        window.StartTesting();
    };
    run("errors.txt", {MsgAnswer::Ok}, {std::nullopt});
    run("clean.txt", {MsgAnswer::Ok}, {});
    ExpectStates(window,
                 {{"cmdErrors", "", false}, {"cmdPrint", "", false}, {"mnuTPrint", "", false},
                  {"mnuRCurrent", "", false}, {"cmdGrid", "", false}, {"cmdView", "", true}, {"cmdLast", "", false}},
                 "clean after errors");

    // A run that fails partway through its file: only a new run can be started.
    run("errors.txt", {MsgAnswer::Ok}, {std::nullopt});
    script.onProgress = [](std::int64_t recCtr) {
        if (recCtr == 20) sql::FailNthOperation(1);
    };
    run("clean.txt", {MsgAnswer::Ok}, {});
    sql::FailNthOperation(0);
    ASSERT_EQ(window.LastSummary().outcome, RunOutcome::Failed);
    ExpectStates(window,
                 {{"cmdStart", "", true}, {"mnuTStart", "", true}, {"mnuTSet", "", true}, {"cmdLast", "", false},
                  {"mnuTOpenLast", "", false}, {"cmdView", "", false}, {"cmdGrid", "", false},
                  {"cmdErrors", "", false}, {"mnuVRecords", "", false}, {"mnuVReport", "", false}},
                 "failed partway");
}

}  // namespace
}  // namespace quorvex::test
