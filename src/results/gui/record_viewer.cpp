#include "results/gui/record_viewer.h"

#include <algorithm>

#include <QEvent>
#include <QFocusEvent>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>

#include "results/core/record_view.h"
#include "common/gui/text_codec.h"
#include "validation/layouts.h"

namespace quorvex {

namespace {

constexpr RecordType kAllTypes[] = {RecordType::RA, RecordType::RE, RecordType::RW, RecordType::RO,
                                    RecordType::RT, RecordType::RU, RecordType::RF};

// A box of the viewer. Reached by Tab its text is selected with the caret at the start,
// and it shows its start again when the focus leaves, however far it was scrolled.
class ViewerBox : public QLineEdit {
public:
    using QLineEdit::QLineEdit;

protected:
    void focusInEvent(QFocusEvent* event) override {
        QLineEdit::focusInEvent(event);
        if (event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason)
            setSelection(int(text().size()), -int(text().size()));
    }
    void focusOutEvent(QFocusEvent* event) override {
        QLineEdit::focusOutEvent(event);
        if (event->reason() != Qt::PopupFocusReason && event->reason() != Qt::ActiveWindowFocusReason)
            setCursorPosition(0);
    }
};

// Room a box needs around its text: frame and margins.
int BoxPadding(const QLineEdit& box) {
    const QMargins m = box.textMargins() + box.contentsMargins();
    return m.left() + m.right() + 12;
}

}  // namespace

QString VisibleValue(const QString& value) {
    QString out = value;
    for (QChar& ch : out) {
        const char16_t c = ch.unicode();
        if (c < 0x20) ch = QChar(char16_t(0x2400 + c));  // ␀ .. ␟
        else if (c == 0x7F) ch = QChar(char16_t(0x2421));  // ␡
        else if (c >= 0x80 && c < 0xA0) ch = QChar(char16_t(0xFFFD));
    }
    return out;
}

RecordViewer::RecordViewer(QWidget* parent) : QWidget(parent) {
    fieldName_ = new QLabel(tr("Field Name"), this);
    fieldName_->setObjectName(QStringLiteral("lblFName"));
    fieldData_ = new QLabel(tr("Field Data"), this);
    fieldData_->setObjectName(QStringLiteral("lblFData"));
    rows_ = new QWidget(this);
    scroll_ = new QScrollBar(Qt::Vertical, this);
    scroll_->setObjectName(QStringLiteral("VScroll1"));
    scroll_->setAccessibleName(tr("Fields shown"));
    scroll_->setFocusPolicy(Qt::NoFocus);
    scroll_->setSingleStep(1);
    scroll_->setPageStep(10);
    scroll_->hide();
    connect(scroll_, &QScrollBar::valueChanged, this, [this] { PlaceRows(); });
    AddRow();
    normal_ = text2_.front()->palette();

    // Column widths from the layouts, so that they do not change from record to record:
    // the longest caption, and the longest field other than the blank fillers.
    QLineEdit& caption = *text1_.front();
    QLineEdit& value = *text2_.front();
    int captionText = 0, longest = 2;
    for (const RecordType type : kAllTypes) {
        for (const FieldLayout& f : Layout(type)) {
            captionText = std::max(captionText, caption.fontMetrics().horizontalAdvance(
                                                    FromCp1252(f.ViewerCaption())));
            if (f.cls != FieldClass::Blank) longest = std::max(longest, f.Length());
        }
    }
    captionColumn_ = captionText + BoxPadding(caption);
    valueColumn_ = value.fontMetrics().horizontalAdvance(QString(longest, QLatin1Char('0'))) + BoxPadding(value);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
}

QLineEdit* RecordViewer::NewBox(const QString& name, int row) {
    auto* box = new ViewerBox(rows_);
    box->setObjectName(QStringLiteral("%1(%2)").arg(name).arg(row));
    box->setReadOnly(true);
    box->installEventFilter(this);
    box->show();
    return box;
}

void RecordViewer::AddRow() {
    const int row = rows_in_use_++;
    if (row < static_cast<int>(text1_.size())) {
        text1_[static_cast<std::size_t>(row)]->show();
        text2_[static_cast<std::size_t>(row)]->show();
        return;
    }
    QLineEdit* caption = NewBox(QStringLiteral("Text1"), row);
    QLineEdit* value = NewBox(QStringLiteral("Text2"), row);
    // The field data in a fixed-pitch font: every position as wide as the next.
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPointSizeF(value->font().pointSizeF());
    value->setFont(fixed);
    // Tab goes from a caption to its value and on to the next row's caption.
    if (row > 0) setTabOrder(text2_.back(), caption);
    setTabOrder(caption, value);
    text1_.push_back(caption);
    text2_.push_back(value);
}

void RecordViewer::UnloadLabels() {
    for (std::size_t row = 0; row < text1_.size(); ++row) {
        if (row > 0) {
            text1_[row]->hide();
            text2_[row]->hide();
        }
        text1_[row]->clear();
        text2_[row]->clear();
        text2_[row]->setPalette(normal_);
        text1_[row]->setToolTip({});
        text2_[row]->setToolTip({});
        text1_[row]->setAccessibleName(fieldName_->text());
        text2_[row]->setAccessibleName(fieldData_->text());
        text2_[row]->setAccessibleDescription({});
    }
    rows_in_use_ = 1;
    captionNeed_ = captionColumn_;
    valueNeed_ = valueColumn_;
    scroll_->setValue(0);
    Arrange();
}

void RecordViewer::Show(const RecordView& view) {
    UnloadLabels();
    while (RowCount() < static_cast<int>(view.rows.size())) AddRow();
    QPalette highlighted = normal_;
    highlighted.setColor(QPalette::Base, QColor::fromRgb(kHighlightRgb));
    const int rows = static_cast<int>(view.rows.size());
    captionNeed_ = valueNeed_ = 0;
    for (const ViewerRow& row : view.rows) {
        QLineEdit* caption = Text1(row.index);
        QLineEdit* value = Text2(row.index);
        const QString captionText = FromCp1252(row.caption);
        caption->setText(captionText);
        caption->setToolTip(captionText);
        value->setText(VisibleValue(FromCp1252(row.value)));
        caption->setCursorPosition(0);
        value->setCursorPosition(0);
        value->setPalette(row.marked ? highlighted : normal_);
        QStringList tip;
        for (const std::string& message : row.messages) tip << MessageText(message);
        value->setToolTip(row.marked ? tip.join(QLatin1Char('\n')) : QString());
        // What a screen reader says of the boxes: the caption box's place in the list, the
        // value box's field and positions, and what is wrong with a highlighted one.
        caption->setAccessibleName(tr("Field Name %1 of %2").arg(row.index + 1).arg(rows));
        value->setAccessibleName(FromCp1252(Reference(row.caption, row.first, row.last)));
        value->setAccessibleDescription(row.marked ? tr("Fails its checks: %1").arg(tip.join(QLatin1Char(' ')))
                                                   : QString());
        captionNeed_ =
            std::max(captionNeed_, caption->fontMetrics().horizontalAdvance(captionText) + BoxPadding(*caption));
        // The blanks that pad a value out to its field show nothing: the captions may have their room.
        QString shown = value->text();
        while (shown.endsWith(QLatin1Char(' '))) shown.chop(1);
        if (captionText != QLatin1String("Blank"))
            valueNeed_ = std::max(valueNeed_, value->fontMetrics().horizontalAdvance(shown) + BoxPadding(*value));
    }
    Arrange();
}

int RecordViewer::RowHeight() const { return std::max(1, text1_.front()->sizeHint().height()); }

int RecordViewer::VisibleRows() const { return std::max(1, rows_->height() / RowHeight()); }

int RecordViewer::CaptionWidth() const {
    // The captions of the record shown get what its values do not need, and at least 45
    // percent; a caption longer than that shows its start, and all of it in its tooltip.
    const int available = std::max(width() - scroll_->sizeHint().width(), 0);
    return std::min(captionNeed_, std::max(available * 45 / 100, available - valueNeed_));
}

QSize RecordViewer::sizeHint() const {
    return {captionColumn_ + valueColumn_ + scroll_->sizeHint().width(), RowHeight() * 12};
}

QSize RecordViewer::minimumSizeHint() const { return {240, fieldName_->sizeHint().height() + RowHeight() * 3}; }

void RecordViewer::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Arrange();
}

void RecordViewer::Arrange() {
    const int heading = fieldName_->sizeHint().height();
    const int captionWidth = CaptionWidth();
    fieldName_->setGeometry(0, 0, captionWidth, heading);
    fieldData_->setGeometry(captionWidth, 0, width() - captionWidth, heading);
    const int scrollWidth = scroll_->sizeHint().width();
    // Whole rows only: the last row in sight is never cut.
    const int h = RowHeight();
    const int visible = std::max(1, (height() - heading) / h);
    rows_->setGeometry(0, heading, width() - scrollWidth, visible * h);
    scroll_->setGeometry(width() - scrollWidth, heading, scrollWidth, visible * h);
    // The scroll bar when the rows do not fit; the value boxes reach up to it, or to the
    // right edge without it.
    const bool scrolls = RowCount() > visible;
    scroll_->setRange(0, scrolls ? RowCount() - visible : 0);
    scroll_->setVisible(scrolls);
    rows_->resize(scrolls ? width() - scrollWidth : width(), rows_->height());
    PlaceRows();
}

void RecordViewer::PlaceRows() {
    const int h = RowHeight();
    const int captionWidth = CaptionWidth();
    const int valueWidth = std::max(1, rows_->width() - captionWidth);
    const int first = scroll_->value();
    for (int row = 0; row < RowCount(); ++row) {
        const int top = (row - first) * h;
        Text1(row)->setGeometry(0, top, captionWidth, h);
        Text2(row)->setGeometry(captionWidth, top, valueWidth, h);
    }
}

void RecordViewer::LeaveBox(int row, bool caption, Qt::FocusReason reason) {
    const int first = scroll_->value();
    if (caption && reason == Qt::BacktabFocusReason) {
        // Shift+Tab out of a caption box: one row up, when the list is scrolled.
        if (row > 0 && first > scroll_->minimum()) scroll_->setValue(first - 1);
    } else if (!caption && reason == Qt::TabFocusReason) {
        // Tab out of a value box: one row down, while the row above it is in sight and
        // the list is not at its end.
        const bool aboveSeen = row - 1 >= first && row - 1 < first + VisibleRows();
        if (row > 0 && aboveSeen && row + 1 < RowCount() && first < scroll_->maximum()) scroll_->setValue(first + 1);
    }
}

bool RecordViewer::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut || event->type() == QEvent::FocusIn) {
        for (int row = 0; row < RowCount(); ++row) {
            const bool caption = watched == Text1(row);
            if (!caption && watched != Text2(row)) continue;
            if (event->type() == QEvent::FocusOut) {
                LeaveBox(row, caption, static_cast<QFocusEvent*>(event)->reason());
                break;
            }
            // The box that takes the focus is scrolled into view, whichever way it came.
            const int first = scroll_->value();
            const int visible = VisibleRows();
            if (row < first) scroll_->setValue(row);
            else if (row >= first + visible) scroll_->setValue(row - visible + 1);
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace quorvex
