// The result views of the main window: records with errors, all tested records with the
// record field viewer, the last test results, the error report's guard, and their grids.

#include <QAction>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include "errorlog/sqlite.h"
#include "gui/gui_test_support.h"
#include "results/gui/record_table_model.h"
#include "results/gui/record_viewer.h"
#include "results/gui/result_grid.h"
#include "results/gui/results_view.h"

namespace quorvex::test {
namespace {

// A window on a program folder, and the runs made in it.
struct Session {
    explicit Session(const TempDir& folder) : dir(folder) {
        window = std::make_unique<MainWindow>(Options(dir.path(), script, std::chrono::milliseconds(8), &reportDialogs));
        window->show();
        QApplication::setActiveWindow(window.get());
    }
    // Tests the files (written from `contents`) as one submission; `answers` answer its
    // messages, and a further file dialog is cancelled.
    void Test(const std::vector<std::string>& contents, std::vector<MsgAnswer> answers = {MsgAnswer::Ok}) {
        script.files.clear();
        for (std::size_t i = 0; i < contents.size(); ++i) {
            const auto file = dir / ("sub" + std::string(i ? std::to_string(i + 1) : "") + ".txt");
            WriteFile(file, contents[i]);
            script.files.push_back(file.string());
        }
        script.files.push_back(std::nullopt);
        script.answers = {answers.begin(), answers.end()};
        window->StartTesting();
        script.files.clear();
        QApplication::processEvents();
    }
    ResultsView& Results() { return *window->Results(); }
    bool On(const char* command) { return window->Action(command)->isEnabled(); }
    void Click(const char* command) {
        window->Action(command)->trigger();
        QApplication::processEvents();
    }

    const TempDir& dir;
    ScriptedServices script;
    ScriptedReportChoices reportDialogs;
    std::unique_ptr<MainWindow> window;
};

std::string Lines(const std::vector<std::string>& records) {
    std::string out;
    for (const auto& r : records) out += r + "\r\n";
    return out;
}

// RA RE RW RT RF whose RW record has an SSN with a letter: one error, on record 3.
std::string OneBadSsn() {
    std::string rw = MakeRW();
    Put(rw, 3, "12345678X");
    return Lines({ValidRecord("RA"), ValidRecord("RE"), rw, MakeRT(1, {}), ValidRecord("RF", 1)});
}

constexpr const char* kSsnMessage = "This is a mandatory field and must contain only valid numeric data.";

TEST(ResultsViewTest, TestedRecordsAndTheFieldViewerToggleWithTheRecordsWithErrors) {
    TempDir dir;
    Session s(dir);
    s.Test({OneBadSsn()});
    ResultsView& r = s.Results();
    ASSERT_TRUE(r.DBGrid1()->isVisible());

    s.Click("cmdView");
    EXPECT_TRUE(r.DBGrid3()->isVisible());
    EXPECT_FALSE(r.DBGrid1()->isVisible() || r.DBGrid2()->isVisible() || r.CritErrorBox()->isVisible());
    EXPECT_EQ(r.DBGrid3()->Caption(), QStringLiteral("5 Record(s) Tested"));
    EXPECT_FALSE(s.On("cmdView"));
    EXPECT_TRUE(s.On("cmdGrid"));
    // The first record is shown at once.
    RecordViewer& viewer = *r.Viewer();
    EXPECT_EQ(viewer.RowCount(), 40);
    EXPECT_EQ(s.window->windowTitle(), QStringLiteral("Record Number 1 of 5 Tested Record(s) - sub.txt"));

    // The RW record: its faulty SSN box highlighted and telling why; the rest as usual.
    r.DBGrid3()->selectRow(2);
    ASSERT_EQ(viewer.RowCount(), 47);
    EXPECT_EQ(viewer.Text1(1)->text(), QStringLiteral("SSN"));
    EXPECT_EQ(viewer.Text2(1)->text(), QStringLiteral("12345678X"));
    EXPECT_EQ(viewer.Text2(1)->palette().color(QPalette::Base), QColor::fromRgb(kHighlightRgb));
    EXPECT_EQ(viewer.Text2(1)->toolTip(), QString::fromLatin1(kSsnMessage));
    for (int row : {0, 2, 46}) {
        EXPECT_NE(viewer.Text2(row)->palette().color(QPalette::Base), QColor::fromRgb(kHighlightRgb)) << row;
        EXPECT_TRUE(viewer.Text2(row)->toolTip().isEmpty()) << row;
    }
    EXPECT_EQ(s.window->windowTitle(), QStringLiteral("Record Number 3 of 5 Tested Record(s) - sub.txt"));

    // Back to the records with errors, and the buttons swap again.
    s.Click("cmdGrid");
    EXPECT_TRUE(r.DBGrid1()->isVisible());
    EXPECT_FALSE(r.DBGrid3()->isVisible() || viewer.isVisible());
    EXPECT_FALSE(s.On("cmdGrid"));
    EXPECT_TRUE(s.On("cmdView"));

    // After a run without errors the tested records leave "With Errors" off.
    s.Test({Lines(ValidRecords({"RA", "RE", "RW", "RT", "RF"}))});
    s.Click("cmdView");
    EXPECT_TRUE(r.DBGrid3()->isVisible());
    EXPECT_FALSE(s.On("cmdGrid"));
    EXPECT_FALSE(s.On("mnuVRErrors"));
}

// Tab and Shift+Tab step through every box of a record; the box with the focus is always
// among the rows shown, scrolling as needed; a record that fits has no scroll bar.
TEST(ResultsViewTest, ViewerRowsScrollBarAndKeyboardForAnRwAndAnRfRecord) {
    TempDir dir;
    Session s(dir);
    s.Test({OneBadSsn()});
    s.Click("cmdView");
    RecordViewer& viewer = *s.Results().Viewer();
    QScrollBar* scroll = viewer.VScroll1();

    struct Case {
        int row;
        int rows;
        bool scrolls;
    };
    for (const Case& c : {Case{2, 47, true}, Case{4, 4, false}}) {
        SCOPED_TRACE(c.rows);
        s.Results().DBGrid3()->selectRow(c.row);
        QApplication::processEvents();
        ASSERT_EQ(viewer.RowCount(), c.rows);
        EXPECT_EQ(scroll->isVisible(), c.scrolls);
        EXPECT_EQ(scroll->maximum(), c.scrolls ? c.rows - viewer.VisibleRows() : 0);
        auto seen = [&](int row) { return row >= scroll->value() && row < scroll->value() + viewer.VisibleRows(); };

        viewer.Text1(0)->setFocus();
        for (int box = 1; box < 2 * c.rows; ++box) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QLineEdit* expected = box % 2 ? viewer.Text2(box / 2) : viewer.Text1(box / 2);
            ASSERT_EQ(QApplication::focusWidget(), expected) << "Tab to box " << box;
            ASSERT_TRUE(seen(box / 2)) << box;
        }
        EXPECT_EQ(scroll->value(), scroll->maximum());
        for (int box = 2 * c.rows - 2; box >= 0; --box) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ShiftModifier);
            ASSERT_EQ(QApplication::focusWidget(), box % 2 ? viewer.Text2(box / 2) : viewer.Text1(box / 2)) << box;
            ASSERT_TRUE(seen(box / 2)) << box;
        }
        EXPECT_EQ(scroll->value(), 0);
    }
    EXPECT_EQ(viewer.Text2(2)->text(), QStringLiteral("000000001"));
}

TEST(ResultsViewTest, SelectingARecordWithErrorsShowsItsErrorsInLoggedOrder) {
    TempDir dir;
    Session s(dir);
    std::string rw = MakeRW();
    Put(rw, 3, "12345678X");
    Put(rw, 190, "A");  // Wages, Tips and Other Compensation not numeric
    s.Test({Lines({ValidRecord("RA"), ValidRecord("RE"), MakeRW(), rw, MakeRT(2, {}), ValidRecord("RF", 2)})});
    ResultsView& r = s.Results();
    ASSERT_EQ(r.DBGrid1()->model()->rowCount(), 2);  // record 4 and the RT whose total it spoils
    EXPECT_EQ(r.ErrorsLine()->text(), QStringLiteral("Record Number 4"));
    QAbstractItemModel& errors = *r.DBGrid2()->model();
    ASSERT_EQ(errors.rowCount(), 2);
    EXPECT_EQ(errors.index(0, 0).data().toString(), QStringLiteral("SSN [Position 3 - 11]"));
    EXPECT_EQ(errors.index(0, 1).data().toString(), QStringLiteral("[12345678X]"));
    EXPECT_EQ(errors.index(0, 2).data(Qt::ToolTipRole).toString(), QString::fromLatin1(kSsnMessage));
    EXPECT_TRUE(errors.index(1, 0).data().toString().startsWith(QStringLiteral("Wages, Tips and Other Compensation")));

    r.DBGrid1()->selectRow(1);
    EXPECT_EQ(r.ErrorsLine()->text(), QStringLiteral("Record Number 5"));
    EXPECT_EQ(errors.rowCount(), 1);

    // Ctrl+C copies the selected rows as tab-separated text.
    r.DBGrid1()->selectAll();
    QTest::keyClick(r.DBGrid1(), Qt::Key_C, Qt::ControlModifier);
    const QStringList lines = QApplication::clipboard()->text().split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("4\t2\tRW12345678X"))) << lines[0].toStdString();
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("5\t1\tRT"))) << lines[1].toStdString();
}

// View > Last Test Results after a restart, for each state of the log the last run left;
// whatever it finds, it can be used once per start.
TEST(ResultsViewTest, LastTestResultsAfterARestart) {
    struct Case {
        const char* name;
        std::vector<std::string> files;  // tested in the first session; none: no log
        std::vector<MsgAnswer> answers;
        const char* message;  // with "<1>" and "<2>" for the files' paths; empty: none
        MsgIcon icon;
        const char* title;
        std::vector<std::pair<const char*, bool>> states;
    };
    const std::vector<Case> cases = {
        {"no log", {}, {}, "No Report Found!", MsgIcon::Information, "Results",
         {{"mnuVReport", false}, {"cmdView", false}}},
        {"no record", {""}, {MsgAnswer::Ok},
         "Unreadable data was found in the last File tested!\r\nPlease check to make sure that File entered contains "
         "ASCII Text only.",
         MsgIcon::Exclamation, "Results", {{"mnuVRErrors", false}, {"cmdView", false}, {"mnuVRecords", false}}},
        {"no errors, one file", {Lines(ValidRecords({"RA", "RE", "RW", "RT", "RF"}))}, {MsgAnswer::Ok},
         "No errors found in <1>", MsgIcon::Information, "Last Report Results",
         {{"mnuVRErrors", false}, {"cmdView", true}, {"mnuVRecords", true}, {"mnuVRAll", true}}},
        {"no errors, two files",
         {Lines(ValidRecords({"RA", "RE", "RW", "RT"})), Lines(ValidRecords({"RF"}, 1))},
         {MsgAnswer::Ok, MsgAnswer::Ok},
         "No errors found in <1>; <2>", MsgIcon::Information, "Last Report Results",
         {{"cmdView", true}, {"cmdGrid", false}}},
        {"errors", {OneBadSsn()}, {}, "", MsgIcon::Information, "", {{"cmdView", true}, {"cmdGrid", false}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        if (!c.files.empty()) Session(dir).Test(c.files, c.answers);
        Session s(dir);
        s.script.answers = {MsgAnswer::Ok};
        s.Click("cmdLast");
        std::string message = c.message;
        for (const char* at : {"<1>", "<2>"}) {
            if (const auto pos = message.find(at); pos != std::string::npos)
                message.replace(pos, 3, (dir / (at[1] == '1' ? "sub.txt" : "sub2.txt")).string());
        }
        if (message.empty()) {
            EXPECT_TRUE(s.script.messages.empty());
            EXPECT_TRUE(s.Results().DBGrid1()->isVisible());
        } else {
            ASSERT_EQ(s.script.messages.size(), 1u);
            EXPECT_EQ(s.script.messages[0].text, message);
            EXPECT_EQ(s.script.messages[0].icon, c.icon);
            EXPECT_EQ(s.script.messages[0].title, c.title);
        }
        EXPECT_FALSE(s.window->findChild<QPlainTextEdit*>(QStringLiteral("txtDisclosure"))->isVisible());
        for (const char* once : {"cmdLast", "mnuTOpenLast", "mnuRLast"}) EXPECT_FALSE(s.On(once)) << once;
        for (const auto& [command, on] : c.states) EXPECT_EQ(s.On(command), on) << command;
    }
}

// The error report's guard, and View > Report > Last, once a report window answers the
// report commands. The log changes under the window when another program tests a file in
// the same folder.
TEST(ResultsViewTest, ReportGuardAndLastReport) {
    TempDir dir;
    {
        Session s(dir);
        QSignalSpy reports(s.window.get(), &MainWindow::viewErrorReport);
        s.Test({OneBadSsn()});
        s.Click("cmdView");  // "With Errors" goes on
        Session(dir).Test({Lines(ValidRecords({"RA", "RE", "RW", "RT", "RF"}))});

        s.script.answers = {MsgAnswer::Ok, MsgAnswer::Ok};
        // No hourglass over a message, nor after it.
        s.script.onMessage = [](const std::string&) { EXPECT_EQ(QApplication::overrideCursor(), nullptr); };
        s.Click("cmdErrors");
        s.Click("cmdGrid");
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(reports.count(), 0);
        ASSERT_EQ(s.script.messages.size(), 2u);
        EXPECT_EQ(s.script.messages[0].text, "No errors found in the submission!");
        EXPECT_EQ(s.script.messages[0].title, "Results");
        EXPECT_EQ(s.script.messages[1].text,
                  "No errors found in the submission within the scope of this program, as outlined in the User "
                  "Manual.");
        EXPECT_EQ(s.script.messages[1].icon, MsgIcon::None);
        EXPECT_FALSE(s.On("mnuVReport"));
        EXPECT_FALSE(s.On("mnuVRErrors"));
        EXPECT_FALSE(s.On("cmdGrid"));
        EXPECT_TRUE(s.On("cmdView"));
        Session(dir).Test({OneBadSsn()});
    }
    Session s(dir);
    QSignalSpy reports(s.window.get(), &MainWindow::viewErrorReport);
    s.reportDialogs.types = {std::nullopt};  // the report option dialog: Cancel
    s.Click("mnuRLast");
    EXPECT_TRUE(s.Results().DBGrid1()->isVisible());
    EXPECT_EQ(reports.count(), 1);
    EXPECT_TRUE(s.script.messages.empty());
}

// The grids read their rows in windows: a gap in the record numbers (a removed end-of-file
// mark followed by a further file) keeps every row in its place, and reading a long log
// from end to end keeps only a few windows.
TEST(ResultsViewTest, GridRowsFollowTheLogThroughGapsWithABoundedCache) {
    TempDir dir;
    Session(dir).Test({Lines(ValidRecords({"RA", "RE", "RW"})) + "\x1a", Lines(ValidRecords({"RT", "RF"}, 1))},
                      {MsgAnswer::Ok, MsgAnswer::Ok});
    RecordTableModel gap(*LogReader::OpenIn(dir.path()), RecordSet::All);
    ASSERT_EQ(gap.rowCount(), 5);
    EXPECT_EQ(gap.RecNumAt(3), 5);
    EXPECT_EQ(gap.index(3, 0).data().toLongLong(), 5);
    EXPECT_TRUE(gap.index(4, 2).data().toString().startsWith(QStringLiteral("RF")));

    TempDir big;
    Session(big).Test({Submission(3000)});
    RecordTableModel all(*LogReader::OpenIn(big.path()), RecordSet::All);
    ASSERT_EQ(all.rowCount(), 3004);
    EXPECT_TRUE(all.index(3003, 2).data().toString().startsWith(QStringLiteral("RF")));
    for (int row = 0; row < all.rowCount(); ++row) ASSERT_EQ(all.index(row, 0).data().toLongLong(), row + 1);
    EXPECT_LE(all.CachedRows(), std::size_t{RecordTableModel::kKeptWindows * RecordTableModel::kWindowRows});
}

// A log that fails while a view reads it is reported as the run reports it; the window
// stays usable and a grid that cannot read its rows says so once.
TEST(ResultsViewTest, AFailingLogIsReportedAndTheWindowGoesOn) {
    TempDir dir;
    Session s(dir);
    s.Test({Submission(400)});
    s.script.messages.clear();
    s.script.answers = {MsgAnswer::Ok};
    sql::FailNthOperation(1);
    s.Click("cmdView");
    sql::FailNthOperation(0);
    ASSERT_EQ(s.script.Titles(), std::vector<std::string>{"Submission File Error"});

    s.Click("cmdView");
    ResultGrid* grid = s.Results().DBGrid3();
    ASSERT_TRUE(grid->isVisible());
    s.script.answers = {MsgAnswer::Ok};
    sql::FailNthOperation(1);
    grid->scrollToBottom();
    grid->viewport()->repaint();
    grid->scrollToTop();
    QApplication::processEvents();
    sql::FailNthOperation(0);
    EXPECT_EQ(s.script.messages.size(), 2u);
    EXPECT_TRUE(s.On("cmdStart"));
}

}  // namespace
}  // namespace quorvex::test

namespace quorvex::test {
namespace {

// A tested file whose folder is gone: the captions name it by its full path.
TEST(ResultsViewTest, CaptionsTakeTheFullPathWhenTheFileFolderIsGone) {
    TempDir dir;
    std::filesystem::create_directory(dir / "away");
    const std::string file = (dir / "away" / "sub.txt").string();
    WriteFile(file, OneBadSsn());
    {
        Session first(dir);
        first.script.files = {file};
        first.window->StartTesting();
    }
    std::filesystem::remove_all(dir / "away");
    Session s(dir);
    s.Click("cmdLast");
    EXPECT_EQ(s.window->windowTitle(), QString::fromStdString("Record Number 3 of 5 Tested Record(s) - " + file));
    s.Click("cmdView");
    EXPECT_EQ(s.window->windowTitle(), QString::fromStdString("Record Number 1 of 5 Tested Record(s) - " + file));
}

}  // namespace
}  // namespace quorvex::test
