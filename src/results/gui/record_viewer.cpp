#include "results/gui/record_viewer.h"

#include <algorithm>

#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>

#include "results/core/record_view.h"
#include "shell/gui/text_codec.h"

namespace quorvex {

namespace {

// The longest caption a layout has ("Preferred Method of Problem Notification Code").
constexpr const char* kWidestCaption = "Preferred Method of Problem Notification Code";

}  // namespace

RecordViewer::RecordViewer(QWidget* parent) : QWidget(parent) {
    fieldName_ = new QLabel(tr("Field Name"), this);
    fieldName_->setObjectName(QStringLiteral("lblFName"));
    fieldData_ = new QLabel(tr("Field Data"), this);
    fieldData_->setObjectName(QStringLiteral("lblFData"));
    rows_ = new QWidget(this);
    scroll_ = new QScrollBar(Qt::Vertical, this);
    scroll_->setObjectName(QStringLiteral("VScroll1"));
    scroll_->setFocusPolicy(Qt::NoFocus);
    scroll_->setSingleStep(1);
    scroll_->setPageStep(10);
    scroll_->hide();
    connect(scroll_, &QScrollBar::valueChanged, this, [this] { PlaceRows(); });
    AddRow();
    normal_ = text2_.front()->palette();
    setMinimumSize(240, RowHeight() * 3);
}

QLineEdit* RecordViewer::NewBox(const QString& name, int row) {
    auto* box = new QLineEdit(rows_);
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
        text2_[row]->setToolTip({});
    }
    rows_in_use_ = 1;
    scroll_->setValue(0);
    Arrange();
}

void RecordViewer::Show(const RecordView& view) {
    UnloadLabels();
    while (RowCount() < static_cast<int>(view.rows.size())) AddRow();
    QPalette highlighted = normal_;
    highlighted.setColor(QPalette::Base, QColor::fromRgb(kHighlightRgb));
    for (const ViewerRow& row : view.rows) {
        QLineEdit* caption = Text1(row.index);
        QLineEdit* value = Text2(row.index);
        caption->setText(FromCp1252(row.caption));
        value->setText(FromCp1252(row.value));
        caption->setCursorPosition(0);
        value->setCursorPosition(0);
        value->setPalette(row.marked ? highlighted : normal_);
        QStringList tip;
        for (const std::string& message : row.messages) tip << MessageText(message);
        value->setToolTip(row.marked ? tip.join(QLatin1Char('\n')) : QString());
    }
    Arrange();
}

int RecordViewer::RowHeight() const { return std::max(1, text1_.front()->sizeHint().height()); }

int RecordViewer::VisibleRows() const { return std::max(1, rows_->height() / RowHeight()); }

int RecordViewer::CaptionWidth() const {
    const int widest = text1_.front()->fontMetrics().horizontalAdvance(QString::fromLatin1(kWidestCaption)) + 16;
    return std::min(widest, width() * 11 / 20);
}

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
    rows_->setGeometry(0, heading, width() - scrollWidth, height() - heading);
    scroll_->setGeometry(width() - scrollWidth, heading, scrollWidth, height() - heading);
    // The scroll bar when the rows do not fit; the value boxes reach up to it, or to the
    // right edge without it.
    const int visible = VisibleRows();
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

bool RecordViewer::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn) {
        // The box that takes the focus is scrolled into view, whichever way it came.
        for (int row = 0; row < RowCount(); ++row) {
            if (watched != Text1(row) && watched != Text2(row)) continue;
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
