#include "report/gui/report_context.h"

#include "common/text_1252.h"
#include "errorlog/log_failure.h"
#include "report/core/report_files.h"
#include "report/gui/qt_print_surface.h"

namespace quorvex {

void ShowReportFailure(DialogServices& services, const std::exception& failure) {
    std::string text;
    if (const auto* log = dynamic_cast<const LogFailure*>(&failure)) {
        text = "Error Number: " + std::to_string(log->number) + "\r\nError Description: " + log->description;
    } else {
        text = Utf8ToCp1252(failure.what());
    }
    services.Message(text, "Error Report", MsgIcon::Critical, MsgButtons::Ok);
}

void PrintPages(QPrinter& printer, const FontChoice& printFont, const LogReader& log, PageRange range) {
    QtPrintSurface surface(printer, printFont);
    if (!surface.Begin()) {
        throw ReportFileError(printer.outputFormat() == QPrinter::PdfFormat
                                  ? "Could not write " + printer.outputFileName().toStdString()
                                  : "The printer " + printer.printerName().toStdString() + " could not print.");
    }
    PrintReportPages(log, surface, range);
}

}  // namespace quorvex
