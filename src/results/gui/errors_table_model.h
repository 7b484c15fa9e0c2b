#pragma once

#include <cstdint>
#include <vector>

#include <QAbstractTableModel>

#include "errorlog/log_reader.h"

namespace quorvex {

// The errors of one record (DBGrid2) in the order they were logged: reference, user
// entry, message. A cell's full text is also its tooltip, shown under the pointer.
class ErrorsTableModel : public QAbstractTableModel {
    Q_OBJECT

public:
    using QAbstractTableModel::QAbstractTableModel;

    // The errors of record `recNum`; throws LogFailure when the log cannot be read.
    void Load(const LogReader& log, std::int64_t recNum);
    void Clear();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    std::vector<ErrorRow> rows_;
};

}  // namespace quorvex
