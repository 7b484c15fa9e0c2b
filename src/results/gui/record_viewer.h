#pragma once

#include <QTableView>

namespace quorvex {

struct RecordView;
class RecordFieldsModel;

// The light yellow of a field that fails its checks.
inline constexpr unsigned kHighlightRgb = 0xFFFF80;

// A value as the viewer shows it: each control character as its visible mark (the
// control pictures, U+FFFD for the C1 controls), so that none hides in a cell.
QString VisibleValue(const QString& value);

// The record field viewer: the fields of the record shown as the rows of one table under
// the headings "Field Name" and "Field Data". It is one stop for Tab; the arrow keys, Page
// Up and Down, Home and End move through the fields, and Ctrl+C copies the cell at the
// cursor. A field that fails its checks has its data light yellow and tells what is wrong
// in its tooltip. A field is current (and selected) only while the viewer has the focus,
// the same one again when the focus comes back. A screen reader hears a row whole: the
// field's name, its positions and its value, and what is wrong with it. The split between
// the columns follows the viewer's width alone, so it is the same for every record: the
// names wrap where their column is narrower than they are, the values (in a fixed-pitch
// font) never wrap.
class RecordViewer : public QTableView {
    Q_OBJECT

public:
    explicit RecordViewer(QWidget* parent = nullptr);

    // Shows the fields of a record, replacing those of the record before.
    void Show(const RecordView& view);
    // Shows no record.
    void UnloadLabels();
    // Goes into the fields: the first one current, the focus here. False when there are none.
    bool Enter();

    int RowCount() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void Split();
    void LetGo();

    RecordFieldsModel* fields_ = nullptr;
    int captionColumn_ = 0;  // widths the longest caption and value of every layout need
    int valueColumn_ = 0;
    int lastRow_ = 0;  // the field that was current when the focus left
};

}  // namespace quorvex
