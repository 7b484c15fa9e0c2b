#include "results/gui/record_table_model.h"

#include <algorithm>
#include <climits>

#include "common/gui/text_codec.h"

namespace quorvex {

RecordTableModel::RecordTableModel(LogReader log, RecordSet set, QObject* parent)
    : QAbstractTableModel(parent), log_(std::move(log)), set_(set), runs_(log_.KeyRuns(set)) {
    std::int64_t rows = 0;
    for (const KeyRun& run : runs_) {
        runStarts_.push_back(rows);
        rows += run.count;
    }
    rows_ = static_cast<int>(std::min<std::int64_t>(rows, INT_MAX));
}

int RecordTableModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }

int RecordTableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 3; }

std::int64_t RecordTableModel::RecNumAt(int row) const {
    if (row < 0 || row >= rows_) return 0;
    const auto next = std::upper_bound(runStarts_.begin(), runStarts_.end(), std::int64_t{row});
    const auto run = static_cast<std::size_t>(next - runStarts_.begin() - 1);
    return runs_[run].first + (row - runStarts_[run]);
}

std::size_t RecordTableModel::CachedRows() const { return windows_.CachedRows(); }

const RecordRow* RecordTableModel::Row(int row) const {
    if (row < 0 || row >= rows_ || (failed_ && !windows_.Holds(row))) return nullptr;
    try {
        return windows_.At(row, [this](int first) { return log_.RecordsWindow(set_, RecNumAt(first), kWindowRows); });
    } catch (const LogFailure& failure) {
        // Told after the paint that asked for the rows, not inside it.
        failed_ = true;
        const QString description = QString::fromStdString(failure.description);
        const int number = failure.number;
        QMetaObject::invokeMethod(
            const_cast<RecordTableModel*>(this), [this, number, description] { emit logFailed(number, description); },
            Qt::QueuedConnection);
        return nullptr;
    }
}

QVariant RecordTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    if (role == Qt::TextAlignmentRole)
        return index.column() < 2 ? QVariant(Qt::AlignCenter) : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    if (role != Qt::DisplayRole) return {};
    const RecordRow* row = Row(index.row());
    if (!row) return {};
    switch (index.column()) {
    case 0: return QVariant::fromValue<qlonglong>(row->recNum);
    case 1: return QVariant::fromValue<qlonglong>(row->errors);
    default: return FromCp1252(row->record);
    }
}

QVariant RecordTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    // A grid-wide column's caption at its start, where the grid shows it.
    if (orientation == Qt::Horizontal && role == Qt::TextAlignmentRole)
        return section < 2 ? QVariant(Qt::AlignCenter) : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const char* const captions[] = {"RecNum", "ErrCount", "Record Data"};
    return section >= 0 && section < 3 ? QString::fromLatin1(captions[section]) : QVariant();
}

}  // namespace quorvex
