#pragma once

#include <utility>
#include <vector>

#include <QPersistentModelIndex>
#include <QString>
#include <QTableView>

class QLabel;

namespace quorvex {

// A result grid (DBGrid1, DBGrid2, DBGrid3): a table with its caption above it, shown
// and hidden together; the caption is also the grid's accessible name. Rows are selected
// whole and the current row is always the one highlighted; Ctrl+C copies the selected rows
// as text, cells separated by TAB, rows by line ends. Arrow keys move inside the grid, Tab
// and Shift+Tab (Ctrl+Tab too) move on to the next control. A cell reached by the keyboard
// whose text does not fit shows its full text as a tooltip. The current cell is the grid's
// only while the grid has the focus: a screen reader hears no cell as focused while the
// focus is elsewhere; the grid takes it up again when the focus comes back.
class ResultGrid : public QTableView {
    Q_OBJECT

public:
    // A selection larger than this is not copied (the copy would hold the log in memory).
    static constexpr int kMostRowsCopied = 10000;

    ResultGrid(const QString& name, QWidget* parent);

    QLabel* CaptionLabel() const { return caption_; }
    void SetCaption(const QString& caption);

    // Column widths in twips (0 keeps the default width); the column `wide` is as wide as
    // the whole grid.
    void SetColumnWidths(std::initializer_list<int> twips, int wide);
    // Column `column` as wide as its widest text, but never more than `percent` of the
    // grid's width; kept so on every resize and by FitColumns after new rows.
    void FitToContents(int column, int percent);
    void FitColumns();

    // The selected rows as copied; empty when none or too many are selected.
    QString SelectedRowsText() const;

    void setVisible(bool visible) override;

signals:
    // Ctrl+C on more than kMostRowsCopied rows: nothing was copied.
    void copyRefused();

protected:
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event = nullptr) const override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QLabel* caption_ = nullptr;
    int wideColumn_ = -1;
    std::vector<std::pair<int, int>> fitted_;  // column, percent of the width
    bool keyMove_ = false;  // the current cell is being moved by a key
    // Puts the current cell aside while the grid does not have the focus.
    void Park();
    QPersistentModelIndex parked_;
};

}  // namespace quorvex
