#include <regex>
#include <set>

#include <QClipboard>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>
#include <QToolTip>

#include "gui/gui_test_support.h"
#include "results/gui/record_table_model.h"
#include "results/gui/record_viewer.h"
#include "results/gui/result_grid.h"
#include "results/gui/results_view.h"

namespace quorvex::test {
namespace {

// RA RE, three RW records whose SSN fails (records 3 to 5; the first also with a control
// character in the first name), RT RF.
std::string ThreeFaultyRW() {
    const std::string rw = With(MakeRW(), 3, "12345678X");
    return Lines({ValidRecord("RA"), ValidRecord("RE"), With(rw, 12, "\x01"), rw, rw, MakeRT(3, {}), ValidRecord("RF", 3)});
}

std::string Column(const QAbstractItemModel& m, int column) {
    std::string out;
    for (int row = 0; row < m.rowCount(); ++row) out += m.index(row, column).data().toString().toStdString() + "|";
    return out;
}

// The grids over a real log: counts, rows, the errors of the selected record, copying, the
// tested records with the field viewer; and a new run replacing the log while a view is open:
// a long log, which the grids read in windows, keeping only a few; when it fails while a view
// reads it, that is reported once, however long it fails.
TEST(ResultsViewTest, GridsAndViewerShowTheLog) {
    Gui g;
    const std::string rw = With(With(MakeRW(), 3, "12345678X"), 190, "A");  // wages not numeric: and the RT total
    g.Test({Lines({ValidRecord("RA"), ValidRecord("RE"), MakeRW(), rw, MakeRT(2, {}), ValidRecord("RF", 2)})});
    ResultsView& r = *g.window->Results();
    EXPECT_EQ(Child<QLabel>(&r, "lblRecords")->text(), QStringLiteral("6 Record(s) Tested, 2 Record(s) with Error(s)"));
    EXPECT_EQ(Column(*r.DBGrid1()->model(), 0) + Column(*r.DBGrid1()->model(), 1), "4|5|2|1|");
    const QAbstractItemModel& errors = *r.DBGrid2()->model();
    EXPECT_EQ(Column(errors, 0).substr(0, 56) + Column(errors, 1).substr(0, 12),
              "SSN [Position 3 - 11]|Wages, Tips and Other Compensation[12345678X]|");
    const QString ssnMessage = errors.index(0, 2).data().toString();
    EXPECT_EQ(errors.index(0, 2).data(Qt::ToolTipRole).toString(), ssnMessage);
    r.DBGrid1()->selectRow(1);
    EXPECT_EQ(Child<QLabel>(&r, "lblErrors")->text() + QString::number(errors.rowCount()),
              QStringLiteral("Record Number 51"));
    r.DBGrid1()->selectAll();
    QTest::keyClick(r.DBGrid1(), Qt::Key_C, Qt::ControlModifier);
    const std::string copied = QApplication::clipboard()->text().toStdString();
    EXPECT_TRUE(std::regex_match(copied, std::regex("4\t2\tRW12345678X[^\t\n]*\n5\t1\tRT[^\t\n]*\n"))) << copied;

    g.Click("cmdView");
    EXPECT_EQ(Column(*r.DBGrid3()->model(), 0) + r.DBGrid3()->CaptionLabel()->text().toStdString(),
              "1|2|3|4|5|6|6 Record(s) Tested");
    EXPECT_EQ(g.State(), "cmdView cmdLast mnuTOpenLast mnuRLast / DBGrid3 @DBGrid3 / ");
    // The faulty record: its faulty fields highlighted and telling why, the others as usual
    // (what a reader hears of them: the window's test of names).
    r.DBGrid3()->selectRow(3);
    RecordViewer& viewer = *r.Viewer();
    ASSERT_EQ(viewer.RowCount(), 47);
    QString marked;
    for (int row = 0; row < viewer.RowCount(); ++row) {
        const QModelIndex value = viewer.model()->index(row, 1);
        const bool on = value.data(Qt::BackgroundRole).value<QColor>() == QColor::fromRgb(kHighlightRgb);
        EXPECT_EQ(on, !value.data(Qt::ToolTipRole).toString().isEmpty()) << row;
        if (on) marked += value.siblingAtColumn(0).data().toString() + u'=' + value.data().toString() + u'|';
    }
    EXPECT_EQ(marked.left(14) + QString::number(marked.count(u'|')), QStringLiteral("SSN=12345678X|2"));
    EXPECT_EQ(viewer.model()->index(1, 1).data(Qt::ToolTipRole).toString(), ssnMessage);
    EXPECT_EQ(g.window->windowTitle(), QStringLiteral("Record Number 4 of 6 Tested Record(s) - sub1.txt"));
    // The fields are one Tab stop, crossed by the arrow keys: Tab goes on to the buttons and
    // round to the record list, and from there back to the field it left.
    ASSERT_TRUE(viewer.Enter());
    QTest::keyClick(&viewer, Qt::Key_Down);
    EXPECT_EQ(viewer.currentIndex().row(), 1);
    int stops = 0;
    for (; stops < 100 && (stops == 0 || QApplication::focusWidget() != r.DBGrid3()); ++stops)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_LE(stops, 9);
    EXPECT_FALSE(viewer.currentIndex().isValid());  // no field current for a reader meanwhile
    QTest::keyClick(r.DBGrid3(), Qt::Key_Tab);
    EXPECT_EQ(std::pair(QApplication::focusWidget(), viewer.currentIndex().row()),
              std::pair(static_cast<QWidget*>(&viewer), 1));
    r.DBGrid3()->selectRow(5);
    EXPECT_EQ(viewer.RowCount(), 4);

    g.Test({Submission(3000)});
    g.script.answers = {MsgAnswer::Ok, MsgAnswer::Ok};
    sql::FailNthOperation(1);
    g.Click("cmdView");
    sql::FailNthOperation(0);
    g.Click("cmdView");
    EXPECT_EQ(r.DBGrid3()->model()->rowCount(), 3004);
    RecordTableModel all(*LogReader::OpenIn(g.dir.path()), RecordSet::All);
    for (int row = 0; row < all.rowCount(); ++row) ASSERT_EQ(all.index(row, 0).data().toLongLong(), row + 1);
    EXPECT_LE(all.CachedRows(), std::size_t{RecordTableModel::kKeptWindows * RecordTableModel::kWindowRows});
    sql::PlantFault({sql::FaultAt::Statement, "SELECT", 1, 10, true});  // every read fails: disk I/O error
    for (int i = 0; i < 2; ++i) {
        r.DBGrid3()->scrollToBottom();
        r.DBGrid3()->viewport()->repaint();
        QApplication::processEvents();
    }
    sql::PlantFault({});
    EXPECT_EQ(g.script.Titles(), "Results|Submission File Error|Submission File Error");
}

// The run of a file whose name is outside the code page. Keys in the grids: Tab, Shift+Tab
// and Ctrl+Tab go on to the next control without scrolling the grid; Ctrl+End and Ctrl+Home
// select the row they reach (the record shown, the row Ctrl+C copies); a new record's errors
// start at their top left; in the room of a 1920x1080 screen at twice the scale the record
// list shows 7 rows; Enter on a tested record goes into its fields. The viewer: one split for
// every record of the view, the captions wrapped rather than cut, at the size of a 1024x768
// screen and in a wide window; a control character shows as a mark. The file's name shows as
// it is in the caption (the view of the tested records names it the same way), the report and
// the last results.
TEST(ResultsViewTest, KeysSizesAndNamesOfARun) {
    Gui g;
    const auto file = g.dir / "Lohn J\u00e4nner \u03a9.txt";
    WriteFile(file, ThreeFaultyRW());
    g.script.files = {file.string(), std::nullopt};
    g.script.answers = {};
    g.window->StartTesting();
    EXPECT_EQ(g.window->windowTitle(), QString::fromUtf8("Records With Errors - Lohn J\u00e4nner \u03a9.txt"));
    ResultsView& r = *g.window->Results();
    const std::tuple<ResultGrid*, Qt::Key, Qt::KeyboardModifiers, const char*> moves[] = {
        {r.DBGrid1(), Qt::Key_Tab, Qt::NoModifier, "DBGrid2"},
        {r.DBGrid1(), Qt::Key_Tab, Qt::ControlModifier, "DBGrid2"},
        {r.DBGrid2(), Qt::Key_Tab, Qt::NoModifier, "txtCritError*"},  // * its text selected, until it is left
        {r.DBGrid2(), Qt::Key_Backtab, Qt::ShiftModifier, "DBGrid1"},
        {r.DBGrid2(), Qt::Key_Backtab, Qt::ShiftModifier | Qt::ControlModifier, "DBGrid1"},
    };
    for (const auto& [grid, key, mods, to] : moves) {
        grid->setFocus();
        QTest::keyClick(grid, key, mods);
        EXPECT_EQ(QApplication::focusWidget()->objectName().toStdString() +
                      (Child<QPlainTextEdit>(&r, "txtCritError")->textCursor().hasSelection() ? "*" : "") +
                      std::to_string(grid->horizontalScrollBar()->value()),
                  std::string(to) + "0");
    }
    ResultGrid& grid1 = *r.DBGrid1();
    for (const auto& [key, recNum] : {std::pair(Qt::Key_End, 5), std::pair(Qt::Key_Home, 3)}) {
        r.DBGrid2()->horizontalScrollBar()->setValue(r.DBGrid2()->horizontalScrollBar()->maximum());
        QTest::keyClick(&grid1, key, Qt::ControlModifier);
        QTest::keyClick(&grid1, Qt::Key_C, Qt::ControlModifier);
        EXPECT_EQ(grid1.selectionModel()->selectedRows(), QModelIndexList{grid1.currentIndex().siblingAtColumn(0)});
        EXPECT_TRUE(QApplication::clipboard()->text().startsWith(QStringLiteral("%1\t").arg(recNum)));
        EXPECT_EQ(Child<QLabel>(&r, "lblErrors")->text(), QStringLiteral("Record Number %1").arg(recNum));
        EXPECT_EQ(r.DBGrid2()->horizontalScrollBar()->value(), 0);
    }
    g.window->resize(900, 500);
    QApplication::processEvents();
    EXPECT_GE(grid1.viewport()->height() / grid1.rowHeight(0), 7);
    // The arrow keys reach a cell the column cuts: its full text shows.
    g.window->resize(560, 600);
    QApplication::processEvents();
    for (int i = 0; i < 3; ++i) QTest::keyClick(r.DBGrid2(), Qt::Key_Right);
    EXPECT_EQ(r.DBGrid2()->currentIndex().column(), 2);
    EXPECT_EQ(QToolTip::text(), r.DBGrid2()->currentIndex().data().toString());
    g.Click("cmdView");
    RecordViewer& viewer = *r.Viewer();
    QTest::keyClick(r.DBGrid3(), Qt::Key_Down);
    QTest::keyClick(r.DBGrid3(), Qt::Key_Return);
    EXPECT_EQ(std::pair(QApplication::focusWidget(), viewer.currentIndex().row()),
              std::pair(static_cast<QWidget*>(&viewer), 0));
    EXPECT_EQ(viewer.model()->index(0, 0).data().toString(), QStringLiteral("Record Identifier"));

    for (const QSize size : {QSize(1000, 700), QSize(1600, 900)}) {
        g.window->resize(size);
        std::set<int> splits;
        for (int record : {0, 1, 2, 5}) {
            r.DBGrid3()->selectRow(record);
            QApplication::processEvents();
            splits.insert(viewer.columnWidth(0));
            for (int row = 0; row < viewer.RowCount(); ++row) {
                const QString caption = viewer.model()->index(row, 0).data().toString();
                const QRect need = viewer.fontMetrics().boundingRect(QRect(0, 0, viewer.columnWidth(0) - 10, 1000),
                                                                     Qt::TextWordWrap, caption);
                EXPECT_GE(viewer.rowHeight(row), need.height()) << caption.toStdString();
            }
        }
        EXPECT_EQ(splits.size(), 1u) << size.width();
    }
    r.DBGrid3()->selectRow(2);
    EXPECT_EQ(viewer.model()->index(2, 1).data().toString().left(1), QStringLiteral("\u2401"));
    EXPECT_EQ(VisibleValue(QStringLiteral("a\t\x7f\u0081b")), QStringLiteral("a\u2409\u2421\ufffdb"));

    const auto* report = g.OpenReport();
    ASSERT_NE(report, nullptr);
    EXPECT_TRUE(Child<QPlainTextEdit>(report, "Text1")->toPlainText().contains(
        QString::fromUtf8("Generated from: " + file.string() + "\n")));
    // The last results of a clean run of two files name them both, from the button and from
    // the menu (no error report follows for a log without errors). The end-of-file mark of the
    // first leaves a gap in the record numbers; every row stays in place.
    const auto clean = g.dir / "Lohn J\u00e4nner \u03a9 2.txt", rest = g.dir / "rest.txt";
    WriteFile(clean, Lines(ValidRecords({"RA", "RE", "RW", "RT"})) + "\x1a");
    WriteFile(rest, Lines(ValidRecords({"RF"}, 1)));
    g.script.files = {clean.string(), rest.string(), std::nullopt};
    g.script.answers = {MsgAnswer::Ok, MsgAnswer::Ok};
    g.window->StartTesting();
    EXPECT_EQ(Column(RecordTableModel(*LogReader::OpenIn(g.dir.path()), RecordSet::All), 0), "1|2|3|4|6|");
    g.Reopen();
    g.script.answers = {MsgAnswer::Ok};
    g.Click("cmdLast");
    EXPECT_EQ(g.script.messages.back().text, "No errors found in " + clean.string() + "; " + rest.string());
    EXPECT_EQ(g.State(), "cmdGrid cmdErrors cmdPrint cmdLast mnuTOpenLast mnuTPrint mnuRLast mnuRCurrent mnuVRErrors / "
                         "lblWelcome @cmdStart / Missing Final Record|Results|Last Report Results");
    g.Reopen();
    g.script.answers = {MsgAnswer::Ok};
    g.Click("mnuRLast");
    EXPECT_EQ(g.reports.preselected.size(), 1u);  // the report above alone
}

}  // namespace
}  // namespace quorvex::test
