#include <QCheckBox>

#include "gui/gui_test_support.h"
#include "history/gui/compare_window.h"
#include "history/gui/history_models.h"
#include "history/gui/run_history_window.h"
#include "results/gui/record_viewer.h"
#include "results/gui/result_grid.h"

namespace quorvex::test {
namespace {

// RA RE, an RW per SSN (with its zip code), RT RF.
std::string Employees(const std::vector<std::pair<const char*, const char*>>& rws) {
    std::vector<std::string> records = {ValidRecord("RA"), ValidRecord("RE")};
    for (const auto& [ssn, zip] : rws) records.push_back(With(MakeRW(ssn), 134, zip));
    records.push_back(MakeRT(static_cast<std::int64_t>(rws.size()), {}));
    records.push_back(ValidRecord("RF", static_cast<long long>(rws.size())));
    return Lines(records);
}

// Run 1: the zip codes of A and C are wrong. Run 2: one employee inserted before them all,
// A's zip fixed, B's broken: 1 fixed, 1 new, 1 still, matched although every record moved.
void TwoRuns(Gui& g) {
    g.Test({Employees({{"363862251", "8370B"}, {"363862252", "83701"}, {"363862253", "1234X"}})});
    g.Test(
        {Employees({{"363862254", "83701"}, {"363862251", "83701"}, {"363862252", "ABCDE"}, {"363862253", "1234X"}})});
}

std::string Statuses(const ComparisonModel& m) {
    std::string out;
    for (int row = 0; row < m.rowCount(); ++row) out += m.index(row, 0).data().toString().toStdString() + " ";
    return out;
}

// Compare with Previous Run: nothing before two runs; then the counts, the filters and the
// record of a finding; a new run closes the window. The run history then compares the runs
// selected in it, in the same window. Two records of the log that hold a fixed finding's SSN
// cannot tell which one it was: neither is shown as its record.
TEST(HistoryViewsTest, CompareWithPreviousRunAndTheRunsSelectedInTheHistory) {
    Gui g;
    g.script.answers = {MsgAnswer::Ok};
    g.Click("mnuVCompare");
    EXPECT_EQ(g.script.Titles(), "Compare with Previous Run");
    TwoRuns(g);
    g.Click("mnuVCompare");
    auto* w = g.window->findChild<CompareWindow*>();
    ASSERT_TRUE(w && w->isVisible());
    EXPECT_EQ(Child<QLabel>(w, "lblCounts")->text().toStdString(), "Fixed: 1   New: 1   Still: 1");
    EXPECT_EQ(Statuses(*w->Model()), "new still fixed ");
    // The new finding is on record 5 of the log on screen; the field viewer shows it.
    w->Grid()->setCurrentIndex(w->Model()->index(0, 0));
    EXPECT_EQ(Child<QLabel>(w, "lblRecord")->text().toStdString(), "Record Number 5 of run 2");
    EXPECT_GT(w->Viewer()->RowCount(), 10);
    // Record (where a finding is in the later run) and Was Record (in the earlier one), and their tips.
    const auto cells = [&](int row) {
        std::string out;
        for (int role : {Qt::DisplayRole, Qt::ToolTipRole})
            for (int column : {1, 2}) out += w->Model()->index(row, column).data(role).toString().toStdString() + "|";
        return out;
    };
    // Was record 4 (still) now 6; the new one was in no record of run 1.
    EXPECT_EQ(cells(1) + cells(0), "6|5|6|5|5|\u2014|5|New: run 1 had no such finding.|");

    Child<QCheckBox>(w, "chkNew")->setChecked(false);
    Child<QCheckBox>(w, "chkStill")->setChecked(false);
    EXPECT_EQ(Statuses(*w->Model()), "fixed ");
    EXPECT_EQ(w->Grid()->CaptionLabel()->text().toStdString(), "1 Finding(s) Shown");
    Child<QCheckBox>(w, "chkFixed")->setChecked(false);
    EXPECT_EQ(w->Model()->rowCount(), 0);
    // A new run closes the window: its log is about to be replaced.
    g.Test({Employees({{"363862251", "83701"}})});
    EXPECT_FALSE(w->isVisible());

    g.Click("mnuVHistory");
    auto* h = g.window->findChild<RunHistoryWindow*>();
    ASSERT_TRUE(h && h->isVisible());
    ASSERT_EQ(h->Model()->rowCount(), 3);
    EXPECT_EQ(h->Model()->index(0, 0).data().toInt(), 3);  // newest first
    EXPECT_EQ(h->Model()->index(2, 4).data().toInt(), 2);  // run 1: two records with errors
    // Runs 3 and 1 selected: 3 against 1.
    for (int row : {0, 2})
        h->Grid()->selectionModel()->select(h->Model()->index(row, 0),
                                            QItemSelectionModel::Select | QItemSelectionModel::Rows);
    Child<QPushButton>(h, "cmdCompare")->click();
    ASSERT_TRUE(w->isVisible());
    EXPECT_EQ(w->windowTitle().toStdString(), "Compare Runs - run 3 against run 1");
    EXPECT_EQ(Child<QLabel>(w, "lblCounts")->text().toStdString(), "Fixed: 2   New: 0   Still: 0");
    // Run 3 is the log on screen: a fixed finding shows its record there when it is still
    // in the file (found by its SSN), and says so when it is gone.
    EXPECT_EQ(Child<QLabel>(w, "lblRecord")->text().toStdString(), "Record Number 3 of run 3");
    EXPECT_GT(w->Viewer()->RowCount(), 10);
    w->Grid()->setCurrentIndex(w->Model()->index(1, 0));
    EXPECT_EQ(Child<QLabel>(w, "lblRecord")->text().toStdString(), "The record is not in run 3.");
    EXPECT_EQ(w->Viewer()->RowCount(), 0);
    // A fixed finding has no record in run 3, whichever log is on screen.
    EXPECT_EQ(cells(0), "\u2014|3|Fixed: run 3 has no such finding.|3|");
    // Runs 2 and 1: neither is the log on screen, no record is shown.
    h->Grid()->selectionModel()->select(QItemSelection(h->Model()->index(1, 0), h->Model()->index(2, 6)),
                                        QItemSelectionModel::ClearAndSelect);
    Child<QPushButton>(h, "cmdCompare")->click();
    EXPECT_EQ(w->windowTitle().toStdString(), "Compare Runs - run 2 against run 1");
    EXPECT_EQ(Child<QLabel>(w, "lblRecord")->text().toStdString(),
              "The error log holds no record of run 2: it is the log of another run.");
    // The notice alone, without the viewer's empty boxes.
    EXPECT_FALSE(w->Viewer()->isVisibleTo(w));
    EXPECT_EQ(cells(2).substr(0, 4), "\u2014|");

    g.Test({Employees({{"363862251", "8370B"}})});
    g.Test({Employees({{"363862251", "83701"}, {"363862251", "83701"}})});
    g.Click("mnuVCompare");
    ASSERT_TRUE(w->isVisible());
    EXPECT_EQ(Statuses(*w->Model()), "fixed ");
    EXPECT_EQ(Child<QLabel>(w, "lblRecord")->text().toStdString(), "The record is not in run 5.");
}

TEST(HistoryViewsTest, AnUnusableHistoryIsToldOncePerSessionAndByTheWindows) {
    Gui g;
    std::filesystem::create_directory(g.dir / "RunHistory.db");
    g.Test({Employees({{"363862251", "83701"}})}, {MsgAnswer::Ok, MsgAnswer::Ok});
    g.Test({Employees({{"363862251", "83701"}})}, {MsgAnswer::Ok, MsgAnswer::Ok});
    EXPECT_EQ(g.script.Titles(), "Results|Run History|Results");
    // The windows say why they cannot open.
    g.script.answers = {MsgAnswer::Ok};
    g.Click("mnuVHistory");
    EXPECT_EQ(g.script.messages.back().title, "Run History");
    EXPECT_NE(g.script.messages.back().text.find("cannot be used"), std::string::npos) << g.script.messages.back().text;
    auto* h = g.window->findChild<RunHistoryWindow*>();
    EXPECT_TRUE(!h || !h->isVisible());
}

}  // namespace
}  // namespace quorvex::test
