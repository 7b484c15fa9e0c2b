#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>

#include <QWidget>

#include "errorlog/log_reader.h"
#include "errorlog/run_history.h"
#include "history/compare_runs.h"
#include "history/run_record.h"
#include "results/core/record_view.h"

class QCheckBox;
class QLabel;
class QPushButton;

namespace quorvex {

class ComparisonModel;
class RecordViewer;
class ResultGrid;

// "Compare Runs": the findings of run B against run A. On top the two runs and the counts
// of fixed, new and still findings, with a check box for each status that filters the grid
// below; beside the grid the record field viewer shows the record of the selected finding
// when the error log in the program folder is run B's (the newest run of the history, with
// its files and records), else says why it cannot. Escape and Close close it.
class CompareWindow : public QWidget {
    Q_OBJECT

public:
    CompareWindow(std::filesystem::path programFolder, QWidget* owner);
    ~CompareWindow() override;

    // Shows `b` against `a` of `history` (both read whole); throws HistoryError.
    void Compare(const RunHistory& history, const HistoryRun& a, const HistoryRun& b);

    ResultGrid* Grid() const { return grid_; }
    ComparisonModel* Model() const { return model_; }
    RecordViewer* Viewer() const { return viewer_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void ApplyFilter();
    void ShowRecordOf(int row);
    // Finds where the fixed findings' records stand in run B's log, for the grid and viewer.
    void FindRecords();
    QString NotThisRun() const;

    std::filesystem::path folder_;
    QLabel* runs_ = nullptr;
    QLabel* counts_ = nullptr;
    std::array<QCheckBox*, 3> filters_{};
    ResultGrid* grid_ = nullptr;
    ComparisonModel* model_ = nullptr;
    QLabel* recordLine_ = nullptr;
    RecordViewer* viewer_ = nullptr;
    QPushButton* close_ = nullptr;
    std::int64_t runB_ = 0;
    std::optional<LogReader> log_;  // run B's log, when the folder's log is its
    BlockContexts contexts_;
};

}  // namespace quorvex
