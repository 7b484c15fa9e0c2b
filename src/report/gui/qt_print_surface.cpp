#include "report/gui/qt_print_surface.h"

#include <QPen>

#include "shell/gui/text_codec.h"

namespace quorvex {

QFont PrintFont(const FontChoice& choice) {
    QFont font(QString::fromUtf8(choice.name.data(), qsizetype(choice.name.size())));
    font.setPointSize(choice.size);
    // "Courier" and other names the machine lacks fall back to its fixed-pitch font.
    font.setStyleHint(QFont::TypeWriter);
    return font;
}

QtPrintSurface::QtPrintSurface(QPrinter& printer, const FontChoice& printFont)
    : printer_(printer),
      base_(PrintFont(printFont)),
      font_(base_),
      metrics_(font_, &printer),
      dpiX_(printer.logicalDpiX()),
      dpiY_(printer.logicalDpiY()) {}

QtPrintSurface::~QtPrintSurface() = default;

bool QtPrintSurface::Begin() {
    painter_ = std::make_unique<QPainter>();
    if (!painter_->begin(&printer_)) {
        painter_.reset();
        return false;
    }
    painter_->setFont(font_);
    QPen pen(Qt::black);
    pen.setWidthF(dpiX_ / 100);
    painter_->setPen(pen);
    painter_->setBrush(Qt::NoBrush);
    return true;
}

double QtPrintSurface::PageWidth() const { return printer_.width() / dpiX_; }

double QtPrintSurface::PageHeight() const { return printer_.height() / dpiY_; }

void QtPrintSurface::SetFont(bool bold, int extraPoints) {
    font_ = base_;
    font_.setBold(bold);
    font_.setPointSize(base_.pointSize() + extraPoints);
    metrics_ = QFontMetricsF(font_, &printer_);
    if (painter_) painter_->setFont(font_);
}

double QtPrintSurface::TextWidth(std::string_view text) const {
    return metrics_.horizontalAdvance(FromCp1252(text)) / dpiX_;
}

double QtPrintSurface::TextHeight(std::string_view) const {
    return metrics_.lineSpacing() / dpiY_;
}

void QtPrintSurface::DrawText(double x, double y, std::string_view text) {
    if (!painter_) return;
    painter_->drawText(QPointF(x * dpiX_, y * dpiY_ + metrics_.ascent()), FromCp1252(text));
}

void QtPrintSurface::DrawRect(double left, double top, double right, double bottom) {
    if (!painter_) return;
    painter_->drawRect(QRectF(QPointF(left * dpiX_, top * dpiY_), QPointF(right * dpiX_, bottom * dpiY_)));
}

void QtPrintSurface::NewPage() {
    if (painter_) printer_.newPage();
}

void QtPrintSurface::EndDoc() {
    // The painter ends the job as it goes.
    painter_.reset();
}

}  // namespace quorvex
