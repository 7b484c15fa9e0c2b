#include "history/gui/history_models.h"

#include <algorithm>
#include <climits>

#include "common/gui/text_codec.h"

namespace quorvex {

namespace {

QString FileNames(const HistoryRun& run, bool whole) {
    QStringList names;
    for (const HistoryFile& f : run.files) {
        QString name = QString::fromStdString(f.name);
        if (!whole) name = name.mid(name.lastIndexOf(QLatin1Char('/')) + 1);
        else if (f.size >= 0)
            name += QStringLiteral(" (%1 bytes%2)")
                        .arg(f.size)
                        .arg(f.changed          ? QStringLiteral(", ") + QLatin1String(kChangedWhileTested)
                             : f.sha256.empty() ? QString()
                                                : QStringLiteral(", SHA-256 ") + QString::fromStdString(f.sha256));
        names << name;
    }
    return names.join(whole ? QStringLiteral("\n") : QStringLiteral("; "));
}

std::string KeyText(const HistoryFinding& f) {
    return f.type + '\x1f' + f.key + '\x1f' + std::to_string(f.occurrence);
}

}  // namespace

RunListModel::RunListModel(std::filesystem::path history, QObject* parent)
    : QAbstractTableModel(parent), history_(std::move(history)) {
    rows_ = static_cast<int>(std::min<std::int64_t>(RunHistory(history_, false).RunCount(), INT_MAX));
}

int RunListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }

int RunListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 7; }

std::size_t RunListModel::CachedRows() const { return windows_.CachedRows(); }

const HistoryRun* RunListModel::RunAt(int row) const {
    if (row < 0 || row >= rows_ || (failed_ && !windows_.Holds(row))) return nullptr;
    try {
        return windows_.At(row,
                           [this](int first) { return RunHistory(history_, false).NewestRuns(first, kWindowRows); });
    } catch (const HistoryError& e) {
        // Told after the paint that asked for the rows, not inside it.
        failed_ = true;
        const QString what = QString::fromStdString(e.what());
        QMetaObject::invokeMethod(
            const_cast<RunListModel*>(this), [this, what] { emit historyFailed(what); }, Qt::QueuedConnection);
        return nullptr;
    }
}

QVariant RunListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    if (role == Qt::TextAlignmentRole)
        return index.column() == 0 || (index.column() >= 3 && index.column() <= 5)
                   ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                   : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
    const HistoryRun* run = RunAt(index.row());
    if (!run) return {};
    switch (index.column()) {
    case 0: return QVariant::fromValue<qlonglong>(run->id);
    case 1: return QString::fromStdString(run->when);
    case 2: return QString::fromStdString(run->outcome);
    case 3: return QVariant::fromValue<qlonglong>(run->records);
    case 4: return QVariant::fromValue<qlonglong>(run->recordsWithErrors);
    case 5: return QVariant::fromValue<qlonglong>(run->errors);
    default: return FileNames(*run, role == Qt::ToolTipRole);
    }
}

QVariant RunListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const char* const captions[] = {"Run", "Date", "Outcome", "Records", "With Errors", "Errors", "Files"};
    return section >= 0 && section < 7 ? QString::fromLatin1(captions[section]) : QVariant();
}

ComparisonModel::ComparisonModel(Comparison comparison, std::int64_t runA, std::int64_t runB, QObject* parent)
    : QAbstractTableModel(parent), comparison_(std::move(comparison)), runA_(runA), runB_(runB) {
    for (const ComparedFinding& f : comparison_.findings)
        if (f.recNumB) recordsInB_.emplace(KeyText(f.finding), *f.recNumB);
    SetShown({true, true, true});
}

void ComparisonModel::SetShown(const std::array<bool, 3>& shown) {
    beginResetModel();
    shown_.clear();
    for (std::size_t i = 0; i < comparison_.findings.size(); ++i)
        if (shown[static_cast<std::size_t>(comparison_.findings[i].status)]) shown_.push_back(static_cast<int>(i));
    endResetModel();
}

int ComparisonModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(shown_.size());
}

int ComparisonModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 8; }

const ComparedFinding* ComparisonModel::FindingAt(int row) const {
    if (row < 0 || row >= rowCount()) return nullptr;
    return &comparison_.findings[static_cast<std::size_t>(shown_[static_cast<std::size_t>(row)])];
}

std::optional<std::int64_t> ComparisonModel::RecordInB(int row) const {
    const ComparedFinding* f = FindingAt(row);
    if (!f) return std::nullopt;
    if (f->recNumB) return f->recNumB;
    if (const auto at = recordsInB_.find(KeyText(f->finding)); at != recordsInB_.end()) return at->second;
    return std::nullopt;
}

void ComparisonModel::SetRecordsFound(const std::map<RecordKey, std::int64_t>& found) {
    for (const ComparedFinding& f : comparison_.findings) {
        const auto at = found.find(RecordKey{f.finding.type, f.finding.key, f.finding.occurrence});
        if (at != found.end()) recordsInB_.emplace(KeyText(f.finding), at->second);
    }
}

QVariant ComparisonModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    if (role == Qt::TextAlignmentRole)
        return index.column() == 1 || index.column() == 2 ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                                                          : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
    const ComparedFinding* f = FindingAt(index.row());
    if (!f) return {};
    // Record is the finding's record in run B, Was Record its record in run A: a fixed
    // finding has none in B, a new one none in A, and the cell says so with a dash.
    auto number = [role](const std::optional<std::int64_t>& n, const QString& none) {
        if (n) return QVariant::fromValue<qlonglong>(*n);
        return role == Qt::ToolTipRole ? QVariant(none) : QVariant(QStringLiteral("\u2014"));
    };
    switch (index.column()) {
    case 0: return QString::fromLatin1(StatusName(f->status));
    case 1: return number(f->recNumB, tr("Fixed: run %1 has no such finding.").arg(runB_));
    case 2: return number(f->recNumA, tr("New: run %1 had no such finding.").arg(runA_));
    case 3: return FromCp1252(f->finding.type);
    case 4: return FromCp1252(f->finding.key);
    case 5: return FromCp1252(f->finding.reference);
    case 6: return FromCp1252(f->finding.userEntry);
    default: return FromCp1252(f->finding.message);
    }
}

QVariant ComparisonModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::TextAlignmentRole)
        return QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const char* const captions[] = {"Status", "Record", "Was Record", "Type", "SSN / EIN",
                                           "Error Reference", "User Entry", "Error Description"};
    return section >= 0 && section < 8 ? QString::fromLatin1(captions[section]) : QVariant();
}

}  // namespace quorvex
