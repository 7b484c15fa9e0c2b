#include <QMimeData>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QUrl>

#include "common/error_limit.h"
#include "gui/gui_test_support.h"
#include "report/gui/report_option_dialog.h"
#include "shell/gui/help_window.h"

// The font library keeps its caches until the process ends; under the leak checker of
// the sanitizer build those are not leaks of ours.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

namespace quorvex::test {
namespace {

using namespace std::chrono_literals;

const char* const kStartOff = "cmdView cmdGrid cmdErrors cmdPrint mnuTPrint mnuRCurrent mnuVRecords mnuVRAll mnuVRErrors";
const char* const kCleanOff =
    "cmdGrid cmdErrors cmdPrint cmdLast mnuTOpenLast mnuTPrint mnuVReport mnuRLast mnuRCurrent mnuVRErrors";
const char* const kErrorsOff = "cmdGrid cmdLast mnuTOpenLast mnuRLast";
const char* const kFailedOff = "cmdView cmdGrid cmdErrors cmdPrint cmdLast mnuTOpenLast mnuTPrint mnuVReport mnuRLast "
                               "mnuRCurrent mnuVRecords mnuVRAll mnuVRErrors";
const std::string kMissingRF = Submission(3, false);  // message "Missing Final Record"

struct Situation {
    const char* name;
    std::function<void(Gui&)> act;
    std::string off;       // commands off afterwards
    const char* shown;     // what the window shows, and the focus
    const char* titles;    // messages shown
    std::string during{};  // commands off and what is shown while it was under way
};

// One row per situation the window can be in: the command states, the view and the
// messages it leaves.
TEST(MainWindowTest, CommandStatesPerSituation) {
    const auto failAt20 = [](Gui& g) { g.script.onProgress = [](std::int64_t n) { if (n == 20) sql::FailNthOperation(1); }; };
    const Situation rows[] = {
        {"start-up", [](Gui&) {}, kStartOff, "lblWelcome @", ""},
        {"start-up with a log", [](Gui& g) { g.Test({kMissingRF}); g.Reopen(); }, kStartOff, "lblWelcome @", "Missing Final Record"},
        {"dialog cancelled", [](Gui& g) { g.Test({}, {}); }, kStartOff, "lblWelcome @cmdStart", ""},
        {"clean run", [](Gui& g) { g.Test({Submission(2)}); }, kCleanOff, "lblWelcome @cmdStart", "Results"},
        {"no data", [](Gui& g) { g.Test({""}); }, std::string("cmdView ") + kCleanOff, "lblWelcome @cmdStart", "Results"},
        {"errors", [](Gui& g) { g.Test({kMissingRF}); }, kErrorsOff, "DBGrid1 @DBGrid1", "Missing Final Record"},
        {"critical stop", [](Gui& g) { g.Test({Record("RE") + "\r\n" + Record("RA") + "\r\n"}, {}); }, kErrorsOff,
         "DBGrid1 @txtCritError", ""},
        {"clean after errors", [](Gui& g) { g.Test({kMissingRF}); g.Test({Submission(40)}); }, kCleanOff,
         "lblWelcome @cmdStart", "Missing Final Record|Results"},
        {"log failed after errors",
         [&](Gui& g) { g.Test({kMissingRF}); failAt20(g); g.Test({Submission(40)}); sql::FailNthOperation(0); },
         kFailedOff, "lblWelcome @cmdStart", "Missing Final Record|Submission File Error"},
        {"during a run",
         [](Gui& g) {
             g.script.onProgress = [&g](std::int64_t n) { if (n == 20) g.during = g.Off() + " / " + g.Shown(); };
             g.Test({Submission(40)});
         },
         kCleanOff, "lblWelcome @cmdStart", "Results",
         "cmdStart cmdView cmdGrid cmdErrors cmdPrint cmdLast mnuTStart mnuTOpenLast mnuTPrint mnuTSet mnuVReport "
         "mnuRLast mnuRCurrent mnuVRecords mnuVRAll mnuVRErrors / lblWelcome lblRecCtr @"},
        {"report printed",
         [](Gui& g) {
             g.Test({kMissingRF});
             g.reports.types = {kTextReport};
             g.reports.print = [&g](clsPrintDialog&, QPrinter&) { g.during = g.Off(); return false; };
             g.Click("cmdPrint");
         },
         kErrorsOff, "DBGrid1 @DBGrid1", "Missing Final Record", "cmdGrid cmdErrors cmdPrint cmdLast mnuTOpenLast mnuTPrint mnuRLast mnuRCurrent"},
        {"log made clean under the errors view",
         [](Gui& g) {
             g.Test({kMissingRF});
             g.Click("cmdView");
             Gui(8ms, g.dir.path()).Test({Submission(1)});
             g.script.answers = {MsgAnswer::Ok, MsgAnswer::Ok};
             g.Click("cmdErrors");
             g.Click("cmdGrid");
         },
         "cmdGrid cmdLast mnuTOpenLast mnuVReport mnuRLast mnuVRErrors", "DBGrid3 @DBGrid3", "Missing Final Record|Results|Quorvex"},
        {"locked log",
         [](Gui& g) {
             sql::Database other((g.dir / "Errorlog.mdb").string(), true);
             other.exec("CREATE TABLE Kept (x INTEGER); BEGIN EXCLUSIVE");
             g.Test({Submission(2)});
         },
         kFailedOff, "lblWelcome @cmdStart", "Submission File Error"},
        {"file gone after the dialog",
         [](Gui& g) { g.script.files = {(g.dir / "gone.txt").string()}; g.Test({}, {MsgAnswer::Ok, MsgAnswer::Ok}); },
         kStartOff, "lblWelcome @cmdStart", "Submission File Not Found|Submission File Name Error"},
        {"folder as file", [](Gui& g) { g.script.files = {g.dir.path().string()}; g.Test({}); }, kStartOff,
         "lblWelcome @cmdStart", "Submission File Error"},
        {"damaged log, Report > Last",
         [](Gui& g) {
             WriteFile(g.dir / "Errorlog.mdb", std::string(4096, 'x'));
             g.Reopen();
             g.script.answers = {MsgAnswer::Ok};
             g.Click("mnuRLast");
         },
         "cmdView cmdGrid cmdErrors cmdPrint cmdLast mnuTOpenLast mnuTPrint mnuRLast mnuRCurrent mnuVRecords mnuVRAll "
         "mnuVRErrors",
         "lblWelcome @cmdStart", "Submission File Error"},
    };
    for (const Situation& row : rows) {
        SCOPED_TRACE(row.name);
        Gui g(0us);
        row.act(g);
        EXPECT_EQ(g.Off(), row.off);
        EXPECT_EQ(g.Shown(), row.shown);
        EXPECT_EQ(g.script.Titles(), row.titles);
        EXPECT_EQ(g.during, row.during);
        EXPECT_TRUE(g.script.answers.empty());
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        EXPECT_FALSE(g.window->Running());
    }
}

// At every yield the line shows the record the run is at, without an hourglass; a second
// start from inside the run is refused.
TEST(MainWindowTest, ProgressLineDuringARun) {
    Gui g(0us);
    int checks = 0;
    g.script.onYield = [&](int) {
        const QLabel* line = g.window->findChild<QLabel*>(QStringLiteral("lblRecCtr"));
        EXPECT_EQ(line->isVisible(), g.script.lastRecCtr > 0);
        if (line->isVisible()) {
            EXPECT_EQ(line->text(), QStringLiteral("Processing Record Number: %1").arg(g.script.lastRecCtr));
            ++checks;
        }
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        return true;
    };
    QTimer::singleShot(0, g.window.get(), [&] { g.window->StartTesting(); });
    g.Test({Submission(40)});
    EXPECT_EQ(checks, 44);
    EXPECT_EQ(g.script.fileTitles.size(), 1u);
}

// Exit while record 120 is shown, in each way it can be chosen: the run stops in its yield
// before it stores record 120, logs the abort on record 119, and the program ends.
TEST(MainWindowTest, ExitDuringARunLogsTheAbortAndEnds) {
    for (int way = 0; way < 4; ++way) {
        SCOPED_TRACE(way);
        Gui g(0us);
        ASSERT_TRUE(SaveErrorLimit(g.dir.path(), 25000));
        g.Reopen();
        MainWindow* w = g.window.get();
        if (way == 3) g.script.onYield = [&](int) { return g.script.lastRecCtr != 120; };
        g.script.onProgress = [&](std::int64_t n) {
            if (n != 120 || way == 3) return;
            QTimer::singleShot(0, w, [w, way] {
                if (way == 0) QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("cmdExit")), Qt::LeftButton);
                if (way == 1) w->Action("mnuTExit")->trigger();
                if (way == 2) w->close();
            });
        };
        g.Test({Submission(400)}, {});
        EXPECT_EQ(w->LastSummary().outcome, RunOutcome::Aborted);
        EXPECT_FALSE(w->isVisible());
        g.window.reset();
        const auto log = g.dir / "Errorlog.mdb";
        EXPECT_EQ(QueryInt(log, "SELECT MAX(Rec_Num) FROM Records"), 119);
        EXPECT_EQ(QueryInt(log, "SELECT COUNT(*) FROM Errors WHERE Reference = 'Test Aborted' AND Rec_Num = 119"), 1);
        EXPECT_EQ(QueryInt(log, "SELECT COUNT(*) FROM Errors WHERE Reference = 'Test Aborted'"), 1);
    }
    // A run the view has shown, or no run at all: Exit adds nothing to the log.
    Gui shown;
    shown.Test({kMissingRF});
    shown.Click("cmdExit");
    EXPECT_FALSE(shown.window->isVisible());
    EXPECT_EQ(QueryInt(shown.dir / "Errorlog.mdb", "SELECT COUNT(*) FROM Errors WHERE Reference = 'Test Aborted'"), 0);
    Gui none;
    none.Click("cmdExit");
    EXPECT_FALSE(none.window->isVisible());
    EXPECT_FALSE(std::filesystem::exists(none.dir / "Errorlog.mdb"));
}

// A log that cannot take the abort when Exit is chosen: the user is told, the program ends.
TEST(MainWindowTest, ExitWithAFailingLogShowsTheFailureAndEnds) {
    Gui g(0us);
    MainWindow* w = g.window.get();
    g.script.onProgress = [w](std::int64_t n) {
        if (n == 50) QTimer::singleShot(0, w, [w] { sql::FailNthOperation(1); w->Action(Command::Exit)->trigger(); });
    };
    g.Test({Submission(200)});
    sql::FailNthOperation(0);
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(g.script.Titles(), "Submission File Error");
}

// A dropped local file answers the first file dialog; anything else is refused.
TEST(MainWindowTest, DroppedFileStartsARun) {
    for (const bool local : {true, false}) {
        Gui g;
        EXPECT_TRUE(g.window->acceptDrops());
        WriteFile(g.dir / "dropped.txt", kMissingRF);
        if (local) g.script.files = {std::nullopt};
        g.script.answers = {MsgAnswer::Ok};
        QMimeData mime;
        const QString file = QString::fromStdString((g.dir / "dropped.txt").string());
        mime.setUrls({local ? QUrl::fromLocalFile(file) : QUrl(QStringLiteral("http://example.org/x.txt"))});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(g.window.get(), &enter);
        EXPECT_EQ(enter.isAccepted(), local);
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(g.window.get(), &drop);
        QTest::qWait(20);
        EXPECT_EQ(g.script.fileTitles, std::vector<std::string>(local, "Please Enter Next File Name to be Tested"));
        EXPECT_EQ(g.window->LastSummary().recordsTested, local ? 6 : 0);
    }
}

// Size and the folder of the file dialog are remembered while that folder exists.
TEST(MainWindowTest, RemembersSizeAndFileFolder) {
    Gui g;
    const QString subs = QString::fromStdString((g.dir / "subs").string());
    std::filesystem::create_directory(g.dir / "subs");
    g.window->setGeometry(70, 90, 900, 640);
    g.window->QtServices().SetLastFolder(subs);
    g.Reopen();
    EXPECT_TRUE(std::filesystem::exists(g.dir / "window.ini"));
    EXPECT_EQ(g.window->size(), QSize(900, 640));
    EXPECT_EQ(g.window->QtServices().InitialFolder(), subs);
    std::filesystem::remove(g.dir / "subs");
    EXPECT_NE(g.window->QtServices().InitialFolder(), subs);
}

TEST(MainWindowTest, HelpOpensAtTheWelcomePageAndClosesWithTheWindow) {
    Gui g;
    g.Click("mnuHContents");
    auto* help = g.window->findChild<HelpWindow*>();
    ASSERT_TRUE(help && help->isVisible());
    EXPECT_EQ(help->Browser()->source().fileName(), QStringLiteral("Welcome.htm"));
    EXPECT_FALSE(help->findChild<QPushButton*>()->isEnabled());  // Back
    g.window->close();
    EXPECT_FALSE(help->isVisible());
}

}  // namespace
}  // namespace quorvex::test
