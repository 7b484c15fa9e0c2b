#include "report/gui/print_preview.h"

#include <algorithm>
#include <cmath>

#include <QComboBox>
#include <QGraphicsView>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPrintPreviewWidget>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

#include "common/gui/window_place.h"

namespace quorvex {

namespace {

// The zoom box: the two fits, then the percentages Zoom In and Zoom Out step through.
constexpr int kFitWidth = 0;
constexpr int kFitPage = 1;
constexpr int kPercents[] = {25, 50, 75, 100, 125, 150, 200, 300, 400};

}  // namespace

PrintPreview::PrintPreview(QPrinter& printer, const std::function<void(QPrinter*)>& paint, QWidget* owner)
    : QDialog(owner) {
    setObjectName(QStringLiteral("PrintPreview"));
    setWindowTitle(tr("Print Preview"));
    pages_ = new QPrintPreviewWidget(&printer, this);
    pages_->setObjectName(QStringLiteral("pages"));
    pages_->setAccessibleName(tr("Pages of the report"));
    connect(pages_, &QPrintPreviewWidget::paintRequested, this, paint);
    connect(pages_, &QPrintPreviewWidget::previewChanged, this, &PrintPreview::ShowPageCount);
    AddControls();
    for (QGraphicsView* view : pages_->findChildren<QGraphicsView*>())
        view->setAccessibleName(pages_->accessibleName());
    for (QScrollBar* bar : pages_->findChildren<QScrollBar*>())
        bar->setAccessibleName(bar->orientation() == Qt::Vertical ? tr("Page lines") : tr("Page columns"));

    // Large, over most of the screen the owner is on.
    const QScreen* screen = owner && owner->screen() ? owner->screen() : QGuiApplication::primaryScreen();
    const QRect room = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    resize((room.size() - kFrameAllowance) * 0.95);
    PlaceOnScreen(*this, room.center());
    pages_->setZoomMode(QPrintPreviewWidget::FitToWidth);
    pages_->updatePreview();
}

QPushButton* PrintPreview::Button(const QString& caption, const QString& name, const QKeySequence& key) {
    auto* b = new QPushButton(caption, this);
    b->setObjectName(name);
    b->setAutoDefault(false);
    if (!key.isEmpty()) {
        b->setToolTip(key.toString(QKeySequence::NativeText));
        connect(new QShortcut(key, this), &QShortcut::activated, b, &QPushButton::click);
    }
    return b;
}

void PrintPreview::AddControls() {
    QPushButton* print = Button(tr("&Print..."), QStringLiteral("cmdPrint"), QKeySequence::Print);
    connect(print, &QPushButton::clicked, this, &PrintPreview::printAsked);
    QPushButton* previous = Button(tr("Pre&vious Page"), QStringLiteral("cmdPrevious"), Qt::Key_PageUp);
    QPushButton* next = Button(tr("&Next Page"), QStringLiteral("cmdNext"), Qt::Key_PageDown);
    connect(previous, &QPushButton::clicked, this, [this] { GoTo(CurrentPage() - 1); });
    connect(next, &QPushButton::clicked, this, [this] { GoTo(CurrentPage() + 1); });
    page_ = new QSpinBox(this);
    page_->setObjectName(QStringLiteral("page"));
    page_->setAccessibleName(tr("Page"));
    auto* pageLabel = new QLabel(tr("P&age:"), this);
    pageLabel->setBuddy(page_);
    of_ = new QLabel(this);
    connect(page_, &QSpinBox::valueChanged, this, &PrintPreview::GoTo);
    QPushButton* zoomOut = Button(tr("Zoom &Out"), QStringLiteral("cmdZoomOut"), QKeySequence::ZoomOut);
    QPushButton* zoomIn = Button(tr("Zoom &In"), QStringLiteral("cmdZoomIn"), QKeySequence::ZoomIn);
    // Ctrl+= is Ctrl++ without Shift on many keyboards.
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Equal), this), &QShortcut::activated, zoomIn,
            &QPushButton::click);
    connect(zoomOut, &QPushButton::clicked, this, [this] { ZoomBy(-1); });
    connect(zoomIn, &QPushButton::clicked, this, [this] { ZoomBy(1); });
    zoom_ = new QComboBox(this);
    zoom_->setObjectName(QStringLiteral("zoom"));
    zoom_->setAccessibleName(tr("Zoom"));
    zoom_->addItems({tr("Fit Width"), tr("Fit Page")});
    for (const int percent : kPercents) zoom_->addItem(tr("%1%").arg(percent));
    auto* zoomLabel = new QLabel(tr("&Zoom:"), this);
    zoomLabel->setBuddy(zoom_);
    connect(zoom_, &QComboBox::activated, this, &PrintPreview::ApplyZoom);
    QPushButton* close = Button(tr("&Close"), QStringLiteral("cmdClose"), {});
    close->setToolTip(tr("Esc"));
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    auto* bar = new QHBoxLayout;
    for (QWidget* w : std::initializer_list<QWidget*>{print, previous, next, pageLabel, page_, of_, zoomOut, zoomIn,
                                                      zoomLabel, zoom_})
        bar->addWidget(w);
    bar->addStretch(1);
    bar->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(pages_, 1);
    // The pages after the controls.
    if (auto* view = pages_->findChild<QGraphicsView*>()) setTabOrder(close, view);
}

int PrintPreview::CurrentPage() const { return pages_->currentPage(); }

double PrintPreview::Zoom() const { return pages_->zoomFactor(); }

void PrintPreview::GoTo(int page) {
    pages_->setCurrentPage(std::clamp(page, 1, std::max(1, pages_->pageCount())));
    ShowPageCount();
}

void PrintPreview::ZoomBy(int steps) {
    // The next percentage of the zoom box beyond the zoom shown, or the last one.
    const double shown = Zoom() * 100;
    int item = steps > 0 ? zoom_->count() - 1 : 2;
    for (int i = 2; i < zoom_->count(); ++i) {
        const int percent = kPercents[i - 2];
        if (steps > 0 && percent > shown + 0.5) {
            item = i;
            break;
        }
        if (steps < 0 && percent < shown - 0.5) item = i;
    }
    zoom_->setCurrentIndex(item);
    ApplyZoom(item);
}

void PrintPreview::ApplyZoom(int item) {
    if (item == kFitWidth) {
        pages_->setZoomMode(QPrintPreviewWidget::FitToWidth);
    } else if (item == kFitPage) {
        pages_->setZoomMode(QPrintPreviewWidget::FitInView);
    } else if (item > kFitPage && item < zoom_->count()) {
        pages_->setZoomMode(QPrintPreviewWidget::CustomZoom);
        pages_->setZoomFactor(kPercents[item - 2] / 100.0);
    }
}

void PrintPreview::ShowPageCount() {
    const QSignalBlocker quiet(page_);
    page_->setRange(1, std::max(1, pages_->pageCount()));
    page_->setValue(pages_->currentPage());
    of_->setText(tr("of %1").arg(pages_->pageCount()));
}

}  // namespace quorvex
