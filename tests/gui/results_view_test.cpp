#include <QClipboard>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>

#include "gui/gui_test_support.h"
#include "results/gui/record_table_model.h"
#include "results/gui/record_viewer.h"
#include "results/gui/result_grid.h"
#include "results/gui/results_view.h"

namespace quorvex::test {
namespace {

std::string Column(const QAbstractItemModel& m, int column) {
    std::string out;
    for (int row = 0; row < m.rowCount(); ++row) out += m.index(row, column).data().toString().toStdString() + "|";
    return out;
}

// The grids over a real log: counts, rows, the errors of the selected record, copying, the
// tested records with the field viewer; and a new run replacing the log while a view is open.
TEST(ResultsViewTest, GridsAndViewerShowTheLog) {
    Gui g;
    std::string rw = MakeRW();
    Put(rw, 3, "12345678X");
    Put(rw, 190, "A");  // wages not numeric: this record and the RT total
    g.Test({Lines({ValidRecord("RA"), ValidRecord("RE"), MakeRW(), rw, MakeRT(2, {}), ValidRecord("RF", 2)})});
    ResultsView& r = *g.window->Results();
    EXPECT_EQ(r.findChild<QLabel*>("lblRecords")->text(), QStringLiteral("6 Record(s) Tested, 2 Record(s) with Error(s)"));
    EXPECT_EQ(Column(*r.DBGrid1()->model(), 0) + Column(*r.DBGrid1()->model(), 1), "4|5|2|1|");
    const QAbstractItemModel& errors = *r.DBGrid2()->model();
    EXPECT_EQ(Column(errors, 0).substr(0, 56) + Column(errors, 1).substr(0, 12),
              "SSN [Position 3 - 11]|Wages, Tips and Other Compensation[12345678X]|");
    const QString ssnMessage = errors.index(0, 2).data().toString();
    EXPECT_EQ(errors.index(0, 2).data(Qt::ToolTipRole).toString(), ssnMessage);
    r.DBGrid1()->selectRow(1);
    EXPECT_EQ(r.ErrorsLine()->text() + QString::number(errors.rowCount()), QStringLiteral("Record Number 51"));
    r.DBGrid1()->selectAll();
    QTest::keyClick(r.DBGrid1(), Qt::Key_C, Qt::ControlModifier);
    const QStringList lines = QApplication::clipboard()->text().split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("4\t2\tRW12345678X")) && lines[1].startsWith(QStringLiteral("5\t1\tRT")));
    EXPECT_EQ(lines[0].count(QLatin1Char('\t')) + lines[1].count(QLatin1Char('\t')), 4);

    g.Click("cmdView");
    EXPECT_EQ(Column(*r.DBGrid3()->model(), 0) + r.DBGrid3()->Caption().toStdString(), "1|2|3|4|5|6|6 Record(s) Tested");
    EXPECT_EQ(r.DBGrid3()->model()->headerData(2, Qt::Horizontal).toString(), QStringLiteral("Record Data"));
    EXPECT_EQ(g.State(), "cmdView cmdLast mnuTOpenLast mnuRLast / DBGrid3 @DBGrid3 / ");
    // The faulty record: its faulty boxes highlighted and telling why, the others as usual.
    r.DBGrid3()->selectRow(3);
    RecordViewer& viewer = *r.Viewer();
    ASSERT_EQ(viewer.RowCount(), 47);
    std::string marked;
    for (int row = 0; row < viewer.RowCount(); ++row) {
        const bool on = viewer.Text2(row)->palette().color(QPalette::Base) == QColor::fromRgb(kHighlightRgb);
        EXPECT_EQ(on, !viewer.Text2(row)->toolTip().isEmpty()) << row;
        if (on) marked += viewer.Text1(row)->text().toStdString() + "=" + viewer.Text2(row)->text().toStdString() + "|";
    }
    EXPECT_EQ(marked.substr(0, 14) + std::to_string(std::count(marked.begin(), marked.end(), '|')), "SSN=12345678X|2");
    EXPECT_EQ(viewer.Text2(1)->toolTip(), ssnMessage);
    EXPECT_EQ(g.window->windowTitle(), QStringLiteral("Record Number 4 of 6 Tested Record(s) - sub1.txt"));
    // Tab and Shift+Tab through every box; the box with the focus is always in sight.
    QScrollBar* scroll = viewer.VScroll1();
    const auto box = [&](int i) { return i % 2 ? viewer.Text2(i / 2) : viewer.Text1(i / 2); };
    const auto seen = [&](int i) { return i / 2 >= scroll->value() && i / 2 < scroll->value() + viewer.VisibleRows(); };
    viewer.Text1(0)->setFocus();
    for (int n = 1, i = 1; n < 4 * 47 - 1; ++n, i += n < 2 * 47 ? 1 : -1) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, n < 2 * 47 ? Qt::NoModifier : Qt::ShiftModifier);
        ASSERT_TRUE(QApplication::focusWidget() == box(i) && seen(i)) << n;
    }
    EXPECT_TRUE(scroll->isVisible());
    r.DBGrid3()->selectRow(5);
    EXPECT_EQ(viewer.RowCount(), 4);
    EXPECT_FALSE(scroll->isVisible());

    g.Test({Submission(1)});
    g.Click("cmdView");
    EXPECT_EQ(Column(*r.DBGrid3()->model(), 0), "1|2|3|4|5|");
}

// The grids read the log in windows: a gap in the record numbers (an end-of-file mark
// and a further file) keeps every row in place, and a long log keeps only a few windows.
TEST(ResultsViewTest, GridRowsFollowTheLogThroughGapsWithABoundedCache) {
    Gui g;
    g.Test({Lines({ValidRecord("RA"), ValidRecord("RE"), MakeRW()}) + "\x1a", Lines({MakeRT(1, {}), ValidRecord("RF", 1)})},
           {MsgAnswer::Ok, MsgAnswer::Ok});
    EXPECT_EQ(Column(RecordTableModel(*LogReader::OpenIn(g.dir.path()), RecordSet::All), 0), "1|2|3|5|6|");
    Gui big;
    big.Test({Submission(3000)});
    RecordTableModel all(*LogReader::OpenIn(big.dir.path()), RecordSet::All);
    ASSERT_EQ(all.rowCount(), 3004);
    for (int row = 0; row < all.rowCount(); ++row) ASSERT_EQ(all.index(row, 0).data().toLongLong(), row + 1);
    EXPECT_LE(all.CachedRows(), std::size_t{RecordTableModel::kKeptWindows * RecordTableModel::kWindowRows});
}

// A log failing while a view reads it is reported once, however long it fails; Last names the files.
TEST(ResultsViewTest, AFailingLogIsReportedOnceAndLastResultsNameTheFiles) {
    Gui g;
    g.Test({Submission(400)});
    g.script.answers = {MsgAnswer::Ok, MsgAnswer::Ok};
    sql::FailNthOperation(1);
    g.Click("cmdView");
    sql::FailNthOperation(0);
    g.Click("cmdView");
    ResultGrid* grid = g.window->Results()->DBGrid3();
    sql::PlantFault({sql::FaultAt::Statement, "SELECT", 1, 10, true});  // every read fails: disk I/O error
    for (int i = 0; i < 2; ++i) {
        grid->scrollToBottom();
        grid->viewport()->repaint();
        QApplication::processEvents();
    }
    sql::PlantFault({});
    EXPECT_EQ(g.script.Titles(), "Results|Submission File Error|Submission File Error");

    g.Test({Lines(ValidRecords({"RA", "RE", "RW", "RT"})), Lines(ValidRecords({"RF"}, 1))}, {MsgAnswer::Ok, MsgAnswer::Ok});
    g.Reopen();
    g.script.answers = {MsgAnswer::Ok};
    g.Click("cmdLast");
    EXPECT_EQ(g.script.messages.back().text,
              "No errors found in " + (g.dir / "sub1.txt").string() + "; " + (g.dir / "sub2.txt").string());
    EXPECT_EQ(g.State(), "cmdGrid cmdErrors cmdPrint cmdLast mnuTOpenLast mnuTPrint mnuRLast mnuRCurrent mnuVRErrors / "
                         "lblWelcome @cmdStart / Results|Submission File Error|Submission File Error|Missing Final "
                         "Record|Results|Last Report Results");
    g.Reopen();
    g.script.answers = {MsgAnswer::Ok};
    g.Click("mnuRLast");  // from the menu too, and no error report follows for a log without errors
    EXPECT_TRUE(g.reports.preselected.empty());
}

}  // namespace
}  // namespace quorvex::test
