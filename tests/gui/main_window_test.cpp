#include <QLayout>
#include <QPlainTextEdit>
#include <QMimeData>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include "gui/gui_test_support.h"

// The font library keeps its caches until the process ends: not leaks of ours.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

namespace quorvex::test {
namespace {

using namespace std::chrono_literals;

const std::string kStartOff =
    "cmdView cmdGrid cmdErrors cmdPrint mnuTPrint mnuRCurrent mnuVRecords mnuVRAll mnuVRErrors";
const std::string kCleanOff =
    "cmdGrid cmdErrors cmdPrint cmdLast mnuTOpenLast mnuTPrint mnuVReport mnuRLast mnuRCurrent mnuVRErrors";
const std::string kErrorsOff = "cmdGrid cmdLast mnuTOpenLast mnuRLast";
const std::string kFailedOff = "cmdView cmdGrid cmdErrors cmdPrint cmdLast mnuTOpenLast mnuTPrint mnuVReport mnuRLast "
                               "mnuRCurrent mnuVRecords mnuVRAll mnuVRErrors";
const std::string kWelcome = " / lblWelcome @cmdStart / ", kErrorsView = " / DBGrid1 @DBGrid1 / ";
const std::string kMissingRF = Submission(3, false);

// The commands off, what the window shows (and the focus), and the messages shown, by
// situation; and what was seen while the run or report was under way.
TEST(MainWindowTest, CommandStatesPerSituation) {
    const std::tuple<const char*, std::function<void(Gui&)>, std::string, std::string> rows[] = {
        {"start-up", [](Gui&) {}, kStartOff + kWelcome, ""},
        {"start-up with a log", [](Gui& g) { g.Test({kMissingRF}), g.Reopen(); },
         kStartOff + kWelcome + "Missing Final Record", ""},
        {"dialog cancelled", [](Gui& g) { g.Test({}, {}); }, kStartOff + kWelcome, ""},
        {"clean run", [](Gui& g) { g.Test({Submission(2)}); }, kCleanOff + kWelcome + "Results", ""},
        {"no data", [](Gui& g) { g.Test({""}); }, "cmdView " + kCleanOff + kWelcome + "Results", ""},
        // While a run asks something, the command buttons keep their width and place.
        {"no data after a view hid the welcome screen",
         [](Gui& g) {
             g.Test({kMissingRF});
             QWidget* start = Child(g.window.get(), "cmdStart");
             const QRect before(start->mapTo(g.window.get(), QPoint()), start->size());
             g.script.onMessage = [&g, start, before](const std::string&) {
                 g.window->centralWidget()->layout()->activate();
                 if (QRect(start->mapTo(g.window.get(), QPoint()), start->size()) != before) g.during = "moved";
             };
             g.Test({""});
         },
         "cmdView " + kCleanOff + kWelcome + "Missing Final Record|Results", ""},
        {"errors", [](Gui& g) { g.Test({kMissingRF}); }, kErrorsOff + kErrorsView + "Missing Final Record", ""},
        {"critical stop",
         [](Gui& g) {
             g.Test({Lines({Record("RE"), Record("RA")})}, {});
         },
         kErrorsOff + " / DBGrid1 @txtCritError / ", ""},
        {"log failed after errors",
         [](Gui& g) {
             g.Test({kMissingRF});
             g.script.onProgress = [](std::int64_t n) { if (n == 20) sql::FailNthOperation(1); };
             g.Test({Submission(40)}), sql::FailNthOperation(0);
         },
         kFailedOff + kWelcome + "Missing Final Record|Submission File Error", ""},
        {"during a run, a second start refused",
         [](Gui& g) {
             g.script.onYield = [&g](int) {
                 if (g.script.lastRecCtr != 20 || !g.during.empty()) return true;
                 g.window->StartTesting();
                 g.during = g.State() + (QApplication::overrideCursor() ? "busy " : "") +
                            g.window->findChild<QLabel*>(QStringLiteral("lblRecCtr"))->text().toStdString();
                 return true;
             };
             g.Test({Submission(40)});
         },
         kCleanOff + kWelcome + "Results",
         "cmdStart cmdView cmdGrid cmdErrors cmdPrint cmdLast mnuTStart mnuTOpenLast mnuTPrint mnuTSet mnuVReport "
         "mnuRLast mnuRCurrent mnuVRecords mnuVRAll mnuVRErrors / lblWelcome lblRecCtr @ / Processing Record Number: "
         "20"},
        {"report printed",
         [](Gui& g) {
             g.Test({kMissingRF}), g.reports.types = {kTextReport};
             g.reports.print = [&g](clsPrintDialog&, QPrinter&) { return g.during = g.State(), false; };
             g.Click("cmdPrint");
         },
         kErrorsOff + kErrorsView + "Missing Final Record",
         "cmdGrid cmdErrors cmdPrint cmdLast mnuTOpenLast mnuTPrint mnuRLast mnuRCurrent" + kErrorsView +
             "Missing Final Record"},
        {"log made clean under the tested records",
         [](Gui& g) {
             g.Test({kMissingRF}), g.Click("cmdView");
             Gui(8ms, g.dir.path()).Test({Submission(1)});
             g.script.answers = {MsgAnswer::Ok, MsgAnswer::Ok};
             g.Click("cmdErrors"), g.Click("cmdGrid");
         },
         "cmdGrid cmdLast mnuTOpenLast mnuVReport mnuRLast mnuVRErrors / DBGrid3 @DBGrid3 / "
         "Missing Final Record|Results|Quorvex",
         ""},
        {"locked log",
         [](Gui& g) {
             sql::Database other((g.dir / "Errorlog.mdb").string(), true);
             other.exec("CREATE TABLE Kept (x INTEGER); BEGIN EXCLUSIVE");
             g.Test({Submission(2)});
         },
         kFailedOff + kWelcome + "Submission File Error", ""},
        {"file gone after the dialog",
         [](Gui& g) {
             g.script.files = {(g.dir / "gone.txt").string()}, g.Test({}, {MsgAnswer::Ok, MsgAnswer::Ok});
         },
         kStartOff + kWelcome + "Submission File Not Found|Submission File Name Error", ""},
        {"interrupted run, View Last Test Results",
         [](Gui& g) {
             g.Test({kMissingRF}), g.Reopen();
             sql::Database((g.dir / "Errorlog.mdb").string(), false)
                 .exec("PRAGMA user_version = " + std::to_string(kRunInProgressMark));
             g.script.answers = {MsgAnswer::Ok}, g.Click("cmdLast");
         },
         "cmdGrid cmdLast mnuTOpenLast mnuRLast / DBGrid1 @txtCritError / Missing Final Record|Testing Did Not Finish",
         ""},
        {"damaged log, Report > Last",
         [](Gui& g) {
             WriteFile(g.dir / "Errorlog.mdb", std::string(4096, 'x'));
             g.Reopen(), g.script.answers = {MsgAnswer::Ok}, g.Click("mnuRLast");
         },
         "cmdView cmdGrid cmdErrors cmdPrint cmdLast mnuTOpenLast mnuTPrint mnuRLast mnuRCurrent mnuVRecords mnuVRAll "
         "mnuVRErrors" +
             kWelcome + "Submission File Error",
         ""},
    };
    for (const auto& [name, act, state, during] : rows) {
        SCOPED_TRACE(name);
        Gui g(0us);
        act(g);
        EXPECT_EQ(g.State(), state);
        EXPECT_EQ(g.during, during);
        EXPECT_TRUE(g.script.answers.empty() && !QApplication::overrideCursor() && !g.window->Running());
    }
}

// A folder that can only be read: its last results and their report are shown (the page written elsewhere), testing
// and the error limit stay off and say why, whatever the views turn on; a dropped file is not tested. The window's
// size and the folder of the file dialog are those of the last session, the folder while it exists.
TEST(MainWindowTest, AFolderThatCanOnlyBeReadIsOpenedForReading) {
    Gui g(0us);
    g.Test({kMissingRF});
    const QString subs = QString::fromStdString((g.dir / "subs").string());
    std::filesystem::create_directory(g.dir / "subs");
    g.window->setGeometry(70, 90, 900, 640);
    g.window->QtServices().SetLastFolder(subs);
    g.options.readOnly = "read, not written";
    g.Reopen();
    EXPECT_TRUE(std::filesystem::exists(g.dir / "window.ini"));
    EXPECT_EQ(std::pair(g.window->size(), g.window->QtServices().InitialFolder()), std::pair(QSize(900, 640), subs));
    std::filesystem::remove(g.dir / "subs");
    EXPECT_NE(g.window->QtServices().InitialFolder(), subs);
    g.script.answers = {MsgAnswer::Ok}, g.reports.types = {kHtmlReport}, g.script.browser = "browser";
    g.Click("cmdLast"), g.Click("cmdErrors");
    EXPECT_EQ(g.State(), "cmdStart cmdGrid cmdLast mnuTStart mnuTOpenLast mnuTSet mnuRLast" + kErrorsView +
                             "Missing Final Record");
    EXPECT_EQ(Child(g.window.get(), "cmdStart")->toolTip(), QStringLiteral("read, not written"));
    EXPECT_EQ(g.script.started.size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(g.dir / "temphtm.HTM"));
    g.script.answers = {MsgAnswer::Ok}, g.window->TestFile((g.dir / "sub1.txt").string());
    EXPECT_EQ(g.script.messages.back().text, "read, not written");
    EXPECT_TRUE(g.script.files.empty() && g.script.fileTitles.size() == 2) << g.script.fileTitles.size();
}

// Exit while record 120 is shown (button, menu, window closed, the services end the run):
// the run logs the abort on 119 (the records it stores first are the run's tests' concern)
// and the program ends; a log that cannot take the abort is reported (way 4). After a run
// the view has shown, or without a run, Exit adds nothing to the log.
TEST(MainWindowTest, ExitDuringARunLogsTheAbortAndEnds) {
    for (int way = 0; way < 5; ++way) {
        SCOPED_TRACE(way);
        Gui g(0us);
        MainWindow* w = g.window.get();
        g.script.onYield = [&](int) { return way != 3 || g.script.lastRecCtr != 120; };
        g.script.onProgress = [&](std::int64_t n) {
            if (n != 120) return;
            QTimer::singleShot(0, w, [w, way] {
                if (way == 0) QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("cmdExit")), Qt::LeftButton);
                if (way == 4) sql::FailNthOperation(1);
                if (way == 1 || way == 4) Child<QAction>(w, "mnuTExit")->trigger();
                if (way == 2) w->close();
            });
        };
        g.Test({Submission(400)}, std::vector<MsgAnswer>(way == 4, MsgAnswer::Ok));
        sql::FailNthOperation(0);
        EXPECT_FALSE(w->isVisible());
        EXPECT_EQ(g.script.Titles(), way == 4 ? "Submission File Error" : "");
        g.window.reset();
        if (way == 4) break;
        EXPECT_EQ(LogScalar(g.dir / "Errorlog.mdb",
                            "SELECT group_concat(Rec_Num) FROM Errors WHERE Reference = 'Test Aborted'"),
                  "119");
    }
    for (const bool run : {true, false}) {
        Gui g;
        if (run) g.Test({kMissingRF});
        g.Click("cmdExit");
        EXPECT_FALSE(g.window->isVisible());
        const std::string aborts = "SELECT COUNT(*) FROM Errors WHERE Reference = 'Test Aborted'";
        EXPECT_EQ(std::filesystem::exists(g.dir / "Errorlog.mdb") ? LogScalar(g.dir / "Errorlog.mdb", aborts) : "none",
                  run ? "0" : "none");
    }
}

// A FIFO whose writer pauses after five records: the window shows record 5 meanwhile and
// answers, and its Exit ends the program at once with the abort on record 5.
TEST(MainWindowTest, ExitWhileAFifoIsSilent) {
    Gui g(60s);
    QWidget* exit = g.window->findChild<QPushButton*>(QStringLiteral("cmdExit"));
    std::string shown;
    g.script.onProgress = [&](std::int64_t n) {
        if (n != 5 || !shown.empty()) return;
        QTimer::singleShot(0, exit, [&] {
            shown = g.window->findChild<QLabel*>(QStringLiteral("lblRecCtr"))->text().toStdString();
            QTest::mouseClick(exit, Qt::LeftButton);
        });
    };
    const PausingFifo fifo(g.dir / "paused",
                           Lines({ValidRecord("RA"), ValidRecord("RE"), MakeRW(), MakeRW(), MakeRW()}));
    g.script.files = {(g.dir / "paused").string()};
    g.window->StartTesting();
    EXPECT_EQ(shown, "Processing Record Number: 5");
    EXPECT_FALSE(g.window->isVisible());
    // Started again, the last results say what stopped the testing, and where.
    g.Reopen();
    g.Click("cmdLast");
    EXPECT_EQ(
        Child<QPlainTextEdit>(g.window.get(), "txtCritError")->toPlainText().toStdString(),
        "Execution of Testing was stopped in Record Number 5:  The last file did not complete testing because the "
        "Exit Button was selected while processing.");
}

// A dropped local file answers the first file dialog; anything else is refused.
TEST(MainWindowTest, DroppedFileStartsARun) {
    for (const bool local : {true, false}) {
        Gui g;
        EXPECT_TRUE(g.window->acceptDrops());
        WriteFile(g.dir / "dropped.txt", kMissingRF);
        g.script.files = {std::nullopt};
        g.script.answers = {MsgAnswer::Ok};
        QMimeData mime;
        mime.setUrls({local ? QUrl::fromLocalFile(QString::fromStdString((g.dir / "dropped.txt").string()))
                            : QUrl(QStringLiteral("http://example.org/x.txt"))});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(g.window.get(), &enter);
        EXPECT_EQ(enter.isAccepted(), local);
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(g.window.get(), &drop);
        QTest::qWait(20);
        EXPECT_EQ(g.script.fileTitles, std::vector<std::string>(local, "Please Enter Next File Name to be Tested"));
        EXPECT_EQ(Child<QLabel>(g.window.get(), "lblRecords")->text().startsWith(u"6 Record(s) Tested"), local);
    }
}

}  // namespace
}  // namespace quorvex::test
