#include "results/gui/result_grid.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>

namespace quorvex {

ResultGrid::ResultGrid(const QString& name, QWidget* parent) : QTableView(parent) {
    setObjectName(name);
    caption_ = new QLabel(parent);
    caption_->setObjectName(name + QStringLiteral("Caption"));
    caption_->setAlignment(Qt::AlignCenter);
    caption_->setFrameShape(QFrame::Panel);
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

void ResultGrid::SetCaption(const QString& caption) { caption_->setText(caption); }

QString ResultGrid::Caption() const { return caption_->text(); }

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

void ResultGrid::resizeEvent(QResizeEvent* event) {
    QTableView::resizeEvent(event);
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

void ResultGrid::keyPressEvent(QKeyEvent* event) {
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
    QTableView::keyPressEvent(event);
}

}  // namespace quorvex
