#pragma once

#include <string_view>

namespace quorvex {

// What the printed report is drawn on: the printer in the desktop program, a fixed-pitch
// fake in the tests. Lengths are in inches from the top-left corner of the printable area;
// text is UTF-8.
class PrintSurface {
public:
    virtual ~PrintSurface() = default;

    // The printable area.
    virtual double PageWidth() const = 0;
    virtual double PageHeight() const = 0;

    // The font of what follows: the print font `extraPoints` larger, bold or not.
    virtual void SetFont(bool bold, int extraPoints) = 0;

    // Width and line height of `text` in the current font.
    virtual double TextWidth(std::string_view text) const = 0;
    virtual double TextHeight(std::string_view text) const = 0;

    // Draws `text` with the top of its line at `y`.
    virtual void DrawText(double x, double y, std::string_view text) = 0;
    virtual void DrawRect(double left, double top, double right, double bottom) = 0;

    // Ends the current page; what follows goes on a new one.
    virtual void NewPage() = 0;
    // Ends the print job.
    virtual void EndDoc() = 0;
};

}  // namespace quorvex
