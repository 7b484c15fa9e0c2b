#pragma once

#include <QString>
#include <QTableView>

class QLabel;

namespace quorvex {

// A result grid (DBGrid1, DBGrid2, DBGrid3): a table with its caption above it, shown
// and hidden together. Rows are selected whole; Ctrl+C copies the selected rows as text,
// cells separated by TAB, rows by line ends.
class ResultGrid : public QTableView {
    Q_OBJECT

public:
    // A selection larger than this is not copied (the copy would hold the log in memory).
    static constexpr int kMostRowsCopied = 10000;

    ResultGrid(const QString& name, QWidget* parent);

    QLabel* CaptionLabel() const { return caption_; }
    void SetCaption(const QString& caption);
    QString Caption() const;

    // Column widths in twips (0 keeps the default width); the column `wide` is as wide as
    // the whole grid.
    void SetColumnWidths(std::initializer_list<int> twips, int wide);

    // The selected rows as copied; empty when none or too many are selected.
    QString SelectedRowsText() const;

    void setVisible(bool visible) override;

signals:
    // Ctrl+C on more than kMostRowsCopied rows: nothing was copied.
    void copyRefused();

protected:
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QLabel* caption_ = nullptr;
    int wideColumn_ = -1;
};

}  // namespace quorvex
