#pragma once

#include <vector>

#include <QPalette>
#include <QWidget>

class QLabel;
class QLineEdit;
class QScrollBar;

namespace quorvex {

struct RecordView;

// The light yellow of a field that fails its checks.
inline constexpr unsigned kHighlightRgb = 0xFFFF80;

// A value as the viewer shows it: each control character as its visible mark (the
// control pictures, U+FFFD for the C1 controls), so that none hides in a box.
QString VisibleValue(const QString& value);

// The record field viewer: per field of the record shown, a caption box (Text1) and a
// value box (Text2) under the headings "Field Name" and "Field Data"; as many whole rows
// as the height holds, the scroll bar VScroll1 for the rest (its value is the first row
// shown). The viewer asks for the width of the longest caption and the longest field
// of the layouts (values in a fixed-pitch font); the record shown shares it between its
// captions and its values as they need. A highlighted value box is
// light yellow and tells what is wrong in its tooltip and accessible description; each
// value box is named by its field's caption and positions. Tab and Shift+Tab step
// through the boxes: Shift+Tab out of a caption box scrolls up one row, Tab out of a
// value box scrolls down one row (while the row above it is in sight), and a box that
// takes the focus is always scrolled into view.
class RecordViewer : public QWidget {
    Q_OBJECT

public:
    explicit RecordViewer(QWidget* parent = nullptr);

    // Shows the rows of a record, replacing those of the record before.
    void Show(const RecordView& view);
    // Removes every row but row 0, which is emptied.
    void UnloadLabels();

    int RowCount() const { return rows_in_use_; }
    QLineEdit* Text1(int row) const { return text1_[static_cast<std::size_t>(row)]; }
    QLineEdit* Text2(int row) const { return text2_[static_cast<std::size_t>(row)]; }
    QScrollBar* VScroll1() const { return scroll_; }
    // Rows that fit the height.
    int VisibleRows() const;
    int CaptionWidth() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* NewBox(const QString& name, int row);
    void AddRow();
    void Arrange();
    void PlaceRows();
    void LeaveBox(int row, bool caption, Qt::FocusReason reason);
    int RowHeight() const;

    QLabel* fieldName_ = nullptr;
    QLabel* fieldData_ = nullptr;
    QWidget* rows_ = nullptr;  // the boxes; rows outside it are clipped, not hidden, so Tab reaches them
    QScrollBar* scroll_ = nullptr;
    // The boxes made so far; rows past the ones in use are hidden and kept for the next
    // record, so that moving from record to record builds no widgets.
    std::vector<QLineEdit*> text1_;
    std::vector<QLineEdit*> text2_;
    int rows_in_use_ = 0;
    int captionColumn_ = 0;  // widths the text of every layout needs
    int valueColumn_ = 0;
    int captionNeed_ = 0;    // widths the text of the record shown needs
    int valueNeed_ = 0;
    QPalette normal_;
};

}  // namespace quorvex
