#pragma once

#include <cstdint>

#include "report/core/report_printer.h"

namespace quorvex {

// Flags of the print dialog.
inline constexpr std::uint32_t kPdPageNums = 0x2;             // the user chose a page range
inline constexpr std::uint32_t kPdNoSelection = 0x4;          // no "Selection" choice
inline constexpr std::uint32_t kPdHidePrintToFile = 0x100000; // no "Print to file" box

// clsPrintDialog: what the print dialog is opened with and gives back. The page numbers
// are never negative and always ordered Min <= FromPage <= ToPage <= Max: setting one moves
// the others out of its way. The desktop program shows it (ShowPrinter) and calls Accept.
class clsPrintDialog {
public:
    int Min() const { return min_; }
    int Max() const { return max_; }
    int FromPage() const { return from_; }
    int ToPage() const { return to_; }
    int Copies() const { return copies_; }
    std::uint32_t Flags() const { return flags_; }

    void SetMin(int v);
    void SetMax(int v);
    void SetFromPage(int v);
    void SetToPage(int v);
    void SetFlags(std::uint32_t flags) { flags_ = flags; }

    // What the dialog gave back on OK.
    void Accept(int fromPage, int toPage, int copies, std::uint32_t flags);

private:
    int min_ = 0, max_ = 0, from_ = 0, to_ = 0, copies_ = 1;
    std::uint32_t flags_ = 0;
};

// The dialog PrintReport opens for a report of `pages` pages: pages 1 to `pages`, no
// selection choice, no print-to-file box, Cancel reported.
clsPrintDialog PrintDialogFor(int pages);

// The pages to print after OK: the chosen range, or 1 to the counted pages + 10 when the
// user chose none.
PageRange PrintRange(const clsPrintDialog& dialog, int countedPages);

}  // namespace quorvex
