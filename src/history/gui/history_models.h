#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <unordered_map>
#include <vector>

#include <QAbstractTableModel>
#include <QString>

#include "errorlog/run_history.h"
#include "history/compare_runs.h"
#include "history/run_record.h"
#include "results/gui/row_windows.h"

namespace quorvex {

// The runs of the history, newest first, for the Run History grid. As the result grids do,
// it reads the count once and the rows in windows where the grid needs them, keeping only
// the windows used last; the history is opened for each window and held by no one between
// reads, so a run can add itself while the list is open.
class RunListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    static constexpr int kWindowRows = RowWindows<HistoryRun>::kRows;
    static constexpr int kKeptWindows = 16;

    // Counts the runs of `history`; throws HistoryError when it cannot be read.
    explicit RunListModel(std::filesystem::path history, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // The run shown in `row`; null outside the grid or when it could not be read.
    const HistoryRun* RunAt(int row) const;
    std::size_t CachedRows() const;

signals:
    // A window could not be read; said once, the rows stay empty from then on.
    void historyFailed(const QString& what) const;

private:
    std::filesystem::path history_;
    int rows_ = 0;
    mutable RowWindows<HistoryRun> windows_{kKeptWindows};
    mutable bool failed_ = false;
};

// The findings of one comparison with their status, for the comparison grid; a filter
// shows the fixed, new and still ones or any mix of them. The comparison is held whole
// (the matching needs both runs' findings); a row's texts are made when the grid shows it.
class ComparisonModel : public QAbstractTableModel {
    Q_OBJECT

public:
    // The findings of run `runB` against run `runA`.
    ComparisonModel(Comparison comparison, std::int64_t runA, std::int64_t runB, QObject* parent = nullptr);

    // Which statuses the grid shows (indexed by FindingStatus).
    void SetShown(const std::array<bool, 3>& shown);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    const ComparedFinding* FindingAt(int row) const;
    // Where the record of `row` stands in run B: its own record number, or for a fixed
    // finding that of the same record (type, key, occurrence) when it has findings left in
    // B; nullopt when B has none.
    std::optional<std::int64_t> RecordInB(int row) const;
    // The records of fixed findings found in run B's log (by type, key and occurrence), for
    // RecordInB; the grid's Record cell of a fixed finding stays "—".
    void SetRecordsFound(const std::map<RecordKey, std::int64_t>& found);

private:
    Comparison comparison_;
    std::vector<int> shown_;  // indexes into comparison_.findings, in order
    std::unordered_map<std::string, std::int64_t> recordsInB_;  // by type, key and occurrence
    std::int64_t runA_ = 0;
    std::int64_t runB_ = 0;
};

}  // namespace quorvex
