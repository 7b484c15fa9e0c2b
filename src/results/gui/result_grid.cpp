#include "results/gui/result_grid.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QToolTip>

namespace quorvex {

ResultGrid::ResultGrid(const QString& name, QWidget* parent) : QTableView(parent) {
    setObjectName(name);
    caption_ = new QLabel(parent);
    caption_->setObjectName(name + QStringLiteral("Caption"));
    caption_->setAlignment(Qt::AlignCenter);
    caption_->setFrameShape(QFrame::Panel);
    // Tab leaves the grid: a keyboard user reaches the next control, and the grid does not
    // scroll sideways from cell to cell.
    setTabKeyNavigation(false);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    // Every row one line high and no row header: the height of a million rows is known
    // without looking at them.
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setHighlightSections(false);
}

void ResultGrid::SetCaption(const QString& caption) {
    caption_->setText(caption);
    setAccessibleName(caption);
}

void ResultGrid::SetColumnWidths(std::initializer_list<int> twips, int wide) {
    // Never narrower than a seven-digit record number in the font of today's screens.
    const int digits = fontMetrics().horizontalAdvance(QStringLiteral("00000000"));
    int column = 0;
    for (int width : twips) {
        if (width > 0) setColumnWidth(column, std::max(width * logicalDpiX() / 1440, digits));
        ++column;
    }
    wideColumn_ = wide;
    if (wide >= 0) setColumnWidth(wide, viewport()->width());
}

void ResultGrid::FitToContents(int column, int percent) {
    fitted_.emplace_back(column, percent);
    FitColumns();
}

void ResultGrid::FitColumns() {
    if (!model()) return;
    for (const auto& [column, percent] : fitted_) {
        const int header = horizontalHeader()->sectionSizeHint(column);
        const int widest = std::max(header, sizeHintForColumn(column));
        setColumnWidth(column, std::min(widest, viewport()->width() * percent / 100));
    }
}

void ResultGrid::resizeEvent(QResizeEvent* event) {
    QTableView::resizeEvent(event);
    FitColumns();
    if (wideColumn_ >= 0 && model()) setColumnWidth(wideColumn_, viewport()->width());
}

void ResultGrid::setVisible(bool visible) {
    QTableView::setVisible(visible);
    caption_->setVisible(visible);
}

QString ResultGrid::SelectedRowsText() const {
    if (!model() || !selectionModel()) return {};
    std::vector<std::pair<int, int>> ranges;  // first and last row of each selected range
    long long rows = 0;
    for (const QItemSelectionRange& range : selectionModel()->selection()) {
        ranges.emplace_back(range.top(), range.bottom());
        rows += range.height();
    }
    if (rows == 0 || rows > kMostRowsCopied) return {};
    std::sort(ranges.begin(), ranges.end());
    QString text;
    int done = -1;  // last row copied: ranges of several columns of one row overlap
    for (const auto& [top, bottom] : ranges) {
        for (int row = std::max(top, done + 1); row <= bottom; ++row) {
            for (int column = 0; column < model()->columnCount(); ++column) {
                if (column > 0) text += QLatin1Char('\t');
                text += model()->index(row, column).data().toString();
            }
            text += QLatin1Char('\n');
            done = row;
        }
    }
    return text;
}

QModelIndex ResultGrid::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
    const QModelIndex next = QTableView::moveCursor(action, modifiers);
    // Rows are selected whole: going to another row (Ctrl+End too) keeps the column, so
    // the record numbers stay in sight.
    const QModelIndex current = currentIndex();
    if (!next.isValid() || !current.isValid() || next.row() == current.row()) return next;
    return model()->index(next.row(), current.column());
}

QItemSelectionModel::SelectionFlags ResultGrid::selectionCommand(const QModelIndex& index, const QEvent* event) const {
    // Ctrl with a moving key (Ctrl+Home, Ctrl+End, ...) would move the current row and leave
    // the highlight behind; the row moved to is selected instead, so the highlighted row is
    // the record shown, and the one Ctrl+C copies.
    if (event && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<const QKeyEvent*>(event);
        const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
        switch (key->key()) {
        case Qt::Key_Home: case Qt::Key_End: case Qt::Key_Up: case Qt::Key_Down:
        case Qt::Key_PageUp: case Qt::Key_PageDown: case Qt::Key_Left: case Qt::Key_Right:
            if (mods == Qt::KeyboardModifiers(Qt::ControlModifier))
                return QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows;
            break;
        default: break;
        }
    }
    return QTableView::selectionCommand(index, event);
}

void ResultGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableView::currentChanged(current, previous);
    // Set while the focus is elsewhere: put aside once everyone has heard of the change.
    if (current.isValid() && !hasFocus()) QMetaObject::invokeMethod(this, &ResultGrid::Park, Qt::QueuedConnection);
    if (!keyMove_ || !current.isValid()) return;
    // The full text of a cell the keyboard reached, when the column cuts it.
    const QString text = current.data().toString();
    const QRect cell = visualRect(current);
    if (fontMetrics().horizontalAdvance(text) + 8 > cell.width()) {
        QToolTip::showText(viewport()->mapToGlobal(cell.bottomLeft()), text, viewport(), cell);
    } else {
        QToolTip::hideText();
    }
}

void ResultGrid::Park() {
    if (hasFocus() || !selectionModel() || !currentIndex().isValid()) return;
    parked_ = currentIndex();
    const QSignalBlocker quiet(selectionModel());
    selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
}

void ResultGrid::focusInEvent(QFocusEvent* event) {
    if (parked_.isValid() && parked_.model() == model() && selectionModel() && !currentIndex().isValid()) {
        const QSignalBlocker quiet(selectionModel());
        selectionModel()->setCurrentIndex(parked_, QItemSelectionModel::NoUpdate);
    }
    parked_ = QPersistentModelIndex();
    QTableView::focusInEvent(event);
}

void ResultGrid::focusOutEvent(QFocusEvent* event) {
    QTableView::focusOutEvent(event);
    Park();
}

void ResultGrid::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab) &&
        (event->modifiers() & Qt::ControlModifier)) {
        // Ctrl+Tab leaves the grid as Tab does.
        const bool back = event->key() == Qt::Key_Backtab || (event->modifiers() & Qt::ShiftModifier);
        focusNextPrevChild(!back);
        event->accept();
        return;
    }
    if (event->matches(QKeySequence::Copy)) {
        const QString text = SelectedRowsText();
        if (!text.isEmpty()) {
            QApplication::clipboard()->setText(text);
        } else if (selectionModel() && !selectionModel()->selection().isEmpty()) {
            emit copyRefused();
        }
        event->accept();
        return;
    }
    keyMove_ = true;
    QTableView::keyPressEvent(event);
    keyMove_ = false;
}

}  // namespace quorvex
