#include "results/gui/errors_table_model.h"

#include "common/gui/text_codec.h"

namespace quorvex {

void ErrorsTableModel::Load(const LogReader& log, std::int64_t recNum) {
    std::vector<ErrorRow> rows = log.GridErrorsOf(recNum);
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

void ErrorsTableModel::Clear() {
    beginResetModel();
    rows_.clear();
    endResetModel();
}

int ErrorsTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int ErrorsTableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 3; }

QVariant ErrorsTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    const ErrorRow& e = rows_[static_cast<std::size_t>(index.row())];
    switch (index.column()) {
    case 0: return FromCp1252(e.reference);
    case 1: return FromCp1252(e.userEntry);
    default: return FromCp1252(e.error);
    }
}

QVariant ErrorsTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    // A grid-wide column's caption at its start, where the grid shows it.
    if (orientation == Qt::Horizontal && role == Qt::TextAlignmentRole)
        return QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const char* const captions[] = {"Error Reference", "User Entry", "Error Description"};
    return section >= 0 && section < 3 ? QString::fromLatin1(captions[section]) : QVariant();
}

}  // namespace quorvex
