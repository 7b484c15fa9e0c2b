#include "report/gui/report_dialogs.h"

#include <QPrintDialog>
#include <QPrinter>

#include "common/gui/text_codec.h"
#include "report/core/print_dialog.h"
#include "report/gui/print_font_dialog.h"
#include "report/gui/print_preview.h"
#include "report/gui/qt_print_surface.h"
#include "report/gui/report_option_dialog.h"

namespace quorvex {

std::optional<ReportChoice> QtReportDialogs::ChooseReportType(QWidget* owner, ReportChoice current) {
    frmReportOption dialog(current, owner);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.Choice();
}

void SetUpPrintDialog(QPrintDialog& box, const clsPrintDialog& dialog, QPrinter& printer) {
    box.setMinMax(dialog.Min(), dialog.Max());
    printer.setFromTo(dialog.FromPage(), dialog.ToPage());
    printer.setPrintRange(QPrinter::AllPages);
    box.setOption(QAbstractPrintDialog::PrintPageRange, true);
    box.setOption(QAbstractPrintDialog::PrintSelection, !(dialog.Flags() & kPdNoSelection));
    box.setOption(QAbstractPrintDialog::PrintToFile, !(dialog.Flags() & kPdHidePrintToFile));
}

void TakePrintDialog(clsPrintDialog& dialog, const QPrinter& printer) {
    std::uint32_t flags = dialog.Flags() & ~kPdPageNums;
    if (printer.printRange() == QPrinter::PageRange) flags |= kPdPageNums;
    dialog.Accept(printer.fromPage(), printer.toPage(), printer.copyCount(), flags);
}

bool QtReportDialogs::ShowPrinter(QWidget* owner, clsPrintDialog& dialog, QPrinter& printer) {
    QPrintDialog box(&printer, owner);
    SetUpPrintDialog(box, dialog, printer);
    if (box.exec() != QDialog::Accepted) return false;
    TakePrintDialog(dialog, printer);
    return true;
}

bool QtReportDialogs::PrinterInstalled() const { return quorvex::PrinterInstalled(); }

void QtReportDialogs::Preview(QWidget* owner, QPrinter& printer, const std::function<void(QPrinter*)>& paint,
                              const std::function<void(QWidget*)>& print) {
    PrintPreview preview(printer, paint, owner);
    QObject::connect(&preview, &PrintPreview::printAsked, &preview, [&] { print(&preview); });
    preview.exec();
}

std::optional<FontChoice> QtReportDialogs::ChooseFont(QWidget* owner, std::string_view title,
                                                      const FontChoice& current, int minSize, int maxSize) {
    PrintFontDialog dialog(current, minSize, maxSize, owner);
    dialog.setWindowTitle(FromCp1252(title));
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.Chosen();
}

}  // namespace quorvex
