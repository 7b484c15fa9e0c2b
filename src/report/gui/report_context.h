#pragma once

#include <exception>
#include <filesystem>

#include <QPrinter>

#include "common/dialog_services.h"
#include "errorlog/log_reader.h"
#include "report/core/report_printer.h"
#include "report/gui/report_dialogs.h"

namespace quorvex {

// What the report window and the report commands share for the program's run.
struct ReportContext {
    std::filesystem::path programFolder;  // where the save dialogs open and temphtm.HTM goes
    DialogServices* services = nullptr;   // messages, save and font dialogs, the browser
    ReportDialogs* dialogs = nullptr;     // report option, print and preview dialogs
    QPrinter* printer = nullptr;          // the current printer: the one last chosen
};

// A report failure (the log unreadable, a file or the printer refusing) shown in a message
// box; nothing more happens.
void ShowReportFailure(DialogServices& services, const std::exception& failure);

// The pages of `range` on `printer` as one print job in the print font. Throws
// ReportFileError when the printer (or the PDF file) refuses the job, LogFailure when the
// log cannot be read.
void PrintPages(QPrinter& printer, const FontChoice& printFont, const LogReader& log, PageRange range);

// Every page.
inline constexpr PageRange kAllPages{1, 1 << 30};

}  // namespace quorvex
