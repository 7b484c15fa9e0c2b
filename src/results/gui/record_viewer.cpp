#include "results/gui/record_viewer.h"

#include <algorithm>
#include <utility>
#include <vector>

#include <QAbstractTableModel>
#include <QFocusEvent>
#include <QFontDatabase>
#include <QHeaderView>
#include <QScrollBar>
#include <QStyledItemDelegate>

#include "common/gui/text_codec.h"
#include "results/core/record_view.h"
#include "validation/layouts.h"

namespace quorvex {

namespace {

constexpr RecordType kAllTypes[] = {RecordType::RA, RecordType::RE, RecordType::RW, RecordType::RO,
                                    RecordType::RT, RecordType::RU, RecordType::RF};

// Room a cell needs around its text.
constexpr int kCellPadding = 16;

// The names wrap in their column; the values keep to one line, position by position.
class FieldDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        if (index.column() == 1) option->features &= ~QStyleOptionViewItem::WrapText;
    }
};

}  // namespace

// The rows of the record shown: per field its caption, its value and what is wrong with it.
class RecordFieldsModel : public QAbstractTableModel {
public:
    struct Field {
        QString caption;
        QString value;      // as shown: control characters as their marks
        QString reference;  // the caption and the positions
        QString problem;    // the messages of a highlighted field
        bool marked = false;
    };

    RecordFieldsModel(QFont fixed, QObject* parent) : QAbstractTableModel(parent), fixed_(std::move(fixed)) {}

    void Set(std::vector<Field> fields) {
        beginResetModel();
        fields_ = std::move(fields);
        endResetModel();
    }
    const Field* At(int row) const {
        return row >= 0 && row < rowCount() ? &fields_[static_cast<std::size_t>(row)] : nullptr;
    }

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(fields_.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : 2; }

    QVariant data(const QModelIndex& index, int role) const override {
        const Field* f = At(index.row());
        if (!f) return {};
        const bool value = index.column() == 1;
        switch (role) {
        case Qt::DisplayRole: return value ? f->value : f->caption;
        case Qt::ToolTipRole: return value ? (f->marked ? f->problem : QString()) : f->caption;
        case Qt::FontRole: return value ? QVariant(fixed_) : QVariant();
        case Qt::BackgroundRole: return value && f->marked ? QVariant(QColor::fromRgb(kHighlightRgb)) : QVariant();
        case Qt::ForegroundRole: return value && f->marked ? QVariant(QColor(Qt::black)) : QVariant();
        // A reader hears the row whole, from either of its cells.
        case Qt::AccessibleTextRole: {
            QString shown = f->value;
            while (shown.endsWith(QLatin1Char(' '))) shown.chop(1);
            return f->reference + QStringLiteral(": ") + shown;
        }
        case Qt::AccessibleDescriptionRole: return f->marked ? tr("Fails its checks: %1").arg(f->problem) : QString();
        default: return {};
        }
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
            return section == 0 ? tr("Field Name") : tr("Field Data");
        return QAbstractTableModel::headerData(section, orientation, role);
    }

private:
    QFont fixed_;
    std::vector<Field> fields_;
};

QString VisibleValue(const QString& value) {
    QString out = value;
    for (QChar& ch : out) {
        const char16_t c = ch.unicode();
        if (c < 0x20) ch = QChar(char16_t(0x2400 + c));    // ␀ .. ␟
        else if (c == 0x7F) ch = QChar(char16_t(0x2421));  // ␡
        else if (c >= 0x80 && c < 0xA0) ch = QChar(char16_t(0xFFFD));
    }
    return out;
}

RecordViewer::RecordViewer(QWidget* parent) : QTableView(parent) {
    setAccessibleName(tr("Record Fields"));
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPointSizeF(font().pointSizeF());
    fields_ = new RecordFieldsModel(fixed, this);
    setModel(fields_);
    setItemDelegate(new FieldDelegate(this));
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);  // Tab goes on to the next control
    setWordWrap(true);
    setTextElideMode(Qt::ElideNone);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setStretchLastSection(true);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    verticalScrollBar()->setAccessibleName(tr("Fields shown"));

    // The columns as the longest caption and the longest field other than the blank fillers
    // of every layout need them, so that the split does not move from record to record.
    const QFontMetrics captionMetrics(font());
    int captionText = 0, longest = 2;
    for (const RecordType type : kAllTypes) {
        for (const FieldLayout& f : Layout(type)) {
            captionText = std::max(captionText, captionMetrics.horizontalAdvance(FromCp1252(f.ViewerCaption())));
            if (f.cls != FieldClass::Blank) longest = std::max(longest, f.Length());
        }
    }
    captionColumn_ = captionText + kCellPadding;
    valueColumn_ = QFontMetrics(fixed).horizontalAdvance(QString(longest, QLatin1Char('0'))) + kCellPadding;
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    Split();
}

void RecordViewer::UnloadLabels() {
    fields_->Set({});
    lastRow_ = 0;
}

void RecordViewer::Show(const RecordView& view) {
    std::vector<RecordFieldsModel::Field> fields(view.rows.size());
    for (const ViewerRow& row : view.rows) {
        RecordFieldsModel::Field& f = fields.at(static_cast<std::size_t>(row.index));
        f.caption = FromCp1252(row.caption);
        f.value = VisibleValue(FromCp1252(row.value));
        f.reference = FromCp1252(Reference(row.caption, row.first, row.last));
        QStringList messages;
        for (const std::string& message : row.messages) messages << MessageText(message);
        f.problem = messages.join(QLatin1Char('\n'));
        f.marked = row.marked;
    }
    fields_->Set(std::move(fields));
    lastRow_ = 0;
    scrollToTop();
}

bool RecordViewer::Enter() {
    if (RowCount() == 0) return false;
    setCurrentIndex(fields_->index(0, 0));
    setFocus(Qt::OtherFocusReason);
    return true;
}

int RecordViewer::RowCount() const { return fields_->rowCount(); }

QSize RecordViewer::sizeHint() const {
    const int frame = 2 * frameWidth();
    return {captionColumn_ + valueColumn_ + verticalScrollBar()->sizeHint().width() + frame,
            horizontalHeader()->sizeHint().height() + fontMetrics().height() * 14 + frame};
}

QSize RecordViewer::minimumSizeHint() const {
    return {240, horizontalHeader()->sizeHint().height() + fontMetrics().height() * 4};
}

void RecordViewer::resizeEvent(QResizeEvent* event) {
    QTableView::resizeEvent(event);
    Split();
}

void RecordViewer::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableView::currentChanged(current, previous);
    // Made current while the focus is elsewhere: put aside once everyone has heard of it.
    if (current.isValid() && !hasFocus()) QMetaObject::invokeMethod(this, &RecordViewer::LetGo, Qt::QueuedConnection);
}

void RecordViewer::focusInEvent(QFocusEvent* event) {
    if (!currentIndex().isValid() && RowCount() > 0)
        setCurrentIndex(fields_->index(std::min(lastRow_, RowCount() - 1), 0));
    QTableView::focusInEvent(event);
}

void RecordViewer::focusOutEvent(QFocusEvent* event) {
    QTableView::focusOutEvent(event);
    if (event->reason() != Qt::PopupFocusReason) LetGo();
}

void RecordViewer::LetGo() {
    if (hasFocus() || !selectionModel()) return;
    if (currentIndex().isValid()) lastRow_ = currentIndex().row();
    selectionModel()->clear();
}

void RecordViewer::Split() {
    // The room of the cells, with the scroll bar's always kept, whether it shows or not: the
    // split depends on the width alone. The names get what the values do not need, at least
    // 45 percent of it, and no more than the longest of them needs.
    const int room = std::max(width() - 2 * frameWidth() - verticalScrollBar()->sizeHint().width(), 0);
    setColumnWidth(0, std::min(captionColumn_, std::max(room * 45 / 100, room - valueColumn_)));
}

}  // namespace quorvex
