#include "report/core/print_dialog.h"

#include <algorithm>

namespace quorvex {

void clsPrintDialog::SetMin(int v) {
    min_ = std::max(v, 0);
    from_ = std::max(from_, min_);
    to_ = std::max(to_, min_);
    max_ = std::max(max_, min_);
}

void clsPrintDialog::SetFromPage(int v) {
    from_ = std::max(v, 0);
    to_ = std::max(to_, from_);
    max_ = std::max(max_, from_);
    min_ = std::min(min_, from_);
}

void clsPrintDialog::SetToPage(int v) {
    to_ = std::max(v, 0);
    max_ = std::max(max_, to_);
    from_ = std::min(from_, to_);
    min_ = std::min(min_, to_);
}

void clsPrintDialog::SetMax(int v) {
    max_ = std::max(v, 0);
    to_ = std::min(to_, max_);
    from_ = std::min(from_, max_);
    min_ = std::min(min_, max_);
}

void clsPrintDialog::Accept(int fromPage, int toPage, int copies, std::uint32_t flags) {
    from_ = fromPage;
    to_ = toPage;
    copies_ = copies;
    flags_ = flags;
}

clsPrintDialog PrintDialogFor(int pages) {
    clsPrintDialog dialog;
    dialog.SetMin(1);
    dialog.SetMax(pages);
    dialog.SetFromPage(dialog.Min());
    dialog.SetToPage(dialog.Max());
    dialog.SetFlags(kPdHidePrintToFile | kPdNoSelection);
    return dialog;
}

PageRange PrintRange(const clsPrintDialog& dialog, int countedPages) {
    if (dialog.Flags() & kPdPageNums) return {dialog.FromPage(), dialog.ToPage()};
    return {1, countedPages + 10};
}

}  // namespace quorvex
