#pragma once

#include <cstdint>
#include <vector>

#include <QAbstractTableModel>
#include <QString>

#include "errorlog/log_reader.h"
#include "results/gui/row_windows.h"

namespace quorvex {

// The rows of a records grid (DBGrid1: records with errors, DBGrid3: all tested records)
// on the log's read side. The row count and the place of each row come from the log's
// keys (COUNT(*) and runs of consecutive Rec_Num values); the rows themselves are read in
// windows by Rec_Num where the grid needs them, and only the windows used last are kept.
// No connection is held between calls, so a new run can replace the log while the grid
// is open; the grid gets a new model when the run ends.
class RecordTableModel : public QAbstractTableModel {
    Q_OBJECT

public:
    static constexpr int kWindowRows = RowWindows<RecordRow>::kRows;  // rows read at a time
    static constexpr int kKeptWindows = 32;  // windows kept: the memory does not grow with the log

    // Reads the keys of `set`; throws LogFailure when the log cannot be read.
    RecordTableModel(LogReader log, RecordSet set, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    const LogReader& Log() const { return log_; }
    // Rec_Num of `row`; 0 outside the grid.
    std::int64_t RecNumAt(int row) const;
    // Rows held in memory now.
    std::size_t CachedRows() const;

signals:
    // A window could not be read. Said once; the grid shows empty rows from then on.
    void logFailed(int number, const QString& description) const;

private:
    const RecordRow* Row(int row) const;

    LogReader log_;
    RecordSet set_;
    std::vector<KeyRun> runs_;
    std::vector<std::int64_t> runStarts_;  // row of each run's first record
    int rows_ = 0;
    mutable RowWindows<RecordRow> windows_{kKeptWindows};
    mutable bool failed_ = false;
};

}  // namespace quorvex
