#pragma once

#include <array>
#include <map>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <utility>

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPrinter>

#include "report/gui/report_dialogs.h"
#include "report/core/print_surface.h"

namespace quorvex {

// The printed report on a QPrinter (a printer, a PDF file or a print preview), in the print
// font. It measures on the printer from the start, so it also serves the page count; it draws
// only after Begin.
class QtPrintSurface final : public PrintSurface {
public:
    QtPrintSurface(QPrinter& printer, const FontChoice& printFont);
    ~QtPrintSurface() override;
    QtPrintSurface(const QtPrintSurface&) = delete;
    QtPrintSurface& operator=(const QtPrintSurface&) = delete;

    // Starts the print job; false when the printer (or the PDF file) refused it.
    bool Begin();
    // Abandons the job: nothing more is printed (a PDF file is left unfinished).
    void Abort();

    double PageWidth() const override;
    double PageHeight() const override;
    void SetFont(bool bold, int extraPoints) override;
    double TextWidth(std::string_view text) const override;
    double TextHeight(std::string_view text) const override;
    void DrawText(double x, double y, std::string_view text) override;
    void DrawRect(double left, double top, double right, double bottom) override;
    void NewPage() override;
    void EndDoc() override;

private:
    QPrinter& printer_;
    QFont base_;
    double dpiX_;
    double dpiY_;
    std::unique_ptr<QPainter> painter_;
    // Each font used (bold, extra points), made once: the report changes font for every
    // record header and page footer. With it the advance of each character, taken from the
    // font once: a line is measured by adding them up, not by shaping it again. The first 256
    // characters are measured at once, the others when first met.
    struct Font {
        QFont font;
        QFontMetricsF metrics;
        std::array<double, 256> first{};
        std::unordered_map<char32_t, double> others;
    };
    std::map<std::pair<bool, int>, Font> fonts_;
    Font* font_ = nullptr;
};

// Whether the print system knows a printer.
bool PrinterInstalled();

// Margins of a printed page: at least the printer's least ones, and at least half an inch
// on a PDF file.
void KeepMargins(QPrinter& printer);

// The print font as Qt draws it: the named font (a fixed-pitch one when it is missing).
QFont PrintFont(const FontChoice& choice);

}  // namespace quorvex
