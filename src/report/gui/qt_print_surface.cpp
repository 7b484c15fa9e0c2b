#include "report/gui/qt_print_surface.h"

#include <algorithm>

#include <QFontInfo>
#include <QPageLayout>
#include <QPen>
#include <QPrinterInfo>

#include "common/text_1252.h"

namespace quorvex {

QFont PrintFont(const FontChoice& choice) {
    QFont font(QString::fromUtf8(choice.name.data(), qsizetype(choice.name.size())));
    font.setPointSize(choice.size);
    // "Courier" and other names the machine lacks fall back to its fixed-pitch font.
    font.setStyleHint(QFont::TypeWriter);
    return font;
}

QtPrintSurface::QtPrintSurface(QPrinter& printer, const FontChoice& printFont)
    : printer_(printer), base_(PrintFont(printFont)), dpiX_(printer.logicalDpiX()), dpiY_(printer.logicalDpiY()) {
    // A fixed-pitch font has no kerning or ligatures for the report's text: its lines are
    // drawn glyph by glyph, at the advances they are measured with, without the cost of
    // shaping every line (the larger part of drawing a long report).
    if (QFontInfo(base_).fixedPitch()) base_.setStyleStrategy(QFont::PreferNoShaping);
    SetFont(false, 0);
}

QtPrintSurface::~QtPrintSurface() = default;

bool QtPrintSurface::Begin() {
    painter_ = std::make_unique<QPainter>();
    if (!painter_->begin(&printer_)) {
        painter_.reset();
        return false;
    }
    painter_->setFont(font_->font);
    QPen pen(Qt::black);
    pen.setWidthF(dpiX_ / 100);
    painter_->setPen(pen);
    painter_->setBrush(Qt::NoBrush);
    return true;
}

void QtPrintSurface::Abort() {
    if (painter_) printer_.abort();
    painter_.reset();
}

double QtPrintSurface::PageWidth() const { return printer_.width() / dpiX_; }

double QtPrintSurface::PageHeight() const { return printer_.height() / dpiY_; }

void QtPrintSurface::SetFont(bool bold, int extraPoints) {
    auto at = fonts_.find({bold, extraPoints});
    if (at == fonts_.end()) {
        QFont font = base_;
        font.setBold(bold);
        font.setPointSize(base_.pointSize() + extraPoints);
        at = fonts_.emplace(std::pair{bold, extraPoints}, Font{font, QFontMetricsF(font, &printer_), {}, {}}).first;
        Font& f = at->second;
        for (char16_t c = 0; c < 256; ++c) f.first[c] = f.metrics.horizontalAdvance(QChar(c)) / dpiX_;
    }
    // The painter keeps its font from page to page: it is told only of a change.
    if (font_ == &at->second) return;
    font_ = &at->second;
    if (painter_) painter_->setFont(font_->font);
}

double QtPrintSurface::TextWidth(std::string_view text) const {
    double width = 0;
    for (std::size_t i = 0; i < text.size();) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const char32_t c = byte < 0x80 ? (++i, byte) : NextCodePoint(text, i);
        if (c < 256) {
            width += font_->first[c];
            continue;
        }
        auto [slot, added] = font_->others.try_emplace(c, 0.0);
        if (added) slot->second = font_->metrics.horizontalAdvance(QString::fromUcs4(&c, 1)) / dpiX_;
        width += slot->second;
    }
    return width;
}

double QtPrintSurface::TextHeight(std::string_view) const {
    return font_->metrics.lineSpacing() / dpiY_;
}

void QtPrintSurface::DrawText(double x, double y, std::string_view text) {
    // Blanks at the end of a line (wrapped lines keep the one they were cut at) and blank
    // lines (the report's spacing) put nothing on the page.
    const std::size_t last = text.find_last_not_of(' ');
    if (!painter_ || last == std::string_view::npos) return;
    text = text.substr(0, last + 1);
    painter_->drawText(QPointF(x * dpiX_, y * dpiY_ + font_->metrics.ascent()),
                       QString::fromUtf8(text.data(), qsizetype(text.size())));
}

void QtPrintSurface::DrawRect(double left, double top, double right, double bottom) {
    if (!painter_) return;
    painter_->drawRect(QRectF(QPointF(left * dpiX_, top * dpiY_), QPointF(right * dpiX_, bottom * dpiY_)));
}

bool PrinterInstalled() { return !QPrinterInfo::availablePrinterNames().isEmpty(); }

void KeepMargins(QPrinter& printer) {
    QPageLayout layout = printer.pageLayout();
    layout.setUnits(QPageLayout::Inch);
    const QMarginsF least = layout.minimumMargins();
    const double pdf = printer.outputFormat() == QPrinter::PdfFormat ? 0.5 : 0;
    const QMarginsF now = layout.margins();
    const QMarginsF kept(std::max({now.left(), least.left(), pdf}), std::max({now.top(), least.top(), pdf}),
                         std::max({now.right(), least.right(), pdf}), std::max({now.bottom(), least.bottom(), pdf}));
    if (kept != now) printer.setPageMargins(kept, QPageLayout::Inch);
}

void QtPrintSurface::NewPage() {
    if (painter_) printer_.newPage();
}

void QtPrintSurface::EndDoc() {
    // The painter ends the job as it goes.
    painter_.reset();
}

}  // namespace quorvex
