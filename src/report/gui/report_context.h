#pragma once

#include <exception>
#include <filesystem>
#include <functional>
#include <memory>

#include <QPrinter>
#include <QString>

class QProgressDialog;
class QWidget;

#include "common/desktop_services.h"
#include "common/dialog_services.h"
#include "errorlog/log_reader.h"
#include "report/core/report_printer.h"
#include "report/gui/report_dialogs.h"

namespace quorvex {

// What the report window and the report commands share for the program's run.
struct ReportContext {
    std::filesystem::path programFolder;  // where the save dialogs open and temphtm.HTM goes
    DialogServices* services = nullptr;   // messages, the busy pointer
    DesktopServices* desktop = nullptr;   // save dialogs, the browser
    ReportDialogs* dialogs = nullptr;     // report option, print, preview and font dialogs
    QPrinter* printer = nullptr;          // the current printer: the one last chosen
};

// A report failure (the log unreadable, a file or the printer refusing) shown in a message
// box; nothing more happens.
void ShowReportFailure(DialogServices& services, const std::exception& failure);

// Runs `paint` (which prints on `printer`) and returns what it returned. When the printer
// writes a file (a PDF), the file is written as every file of the program is (SafeFile):
// into a new private file beside it, which takes its place only when `paint` returns true;
// a link in its place is replaced, never written through, and a failed or cancelled job
// leaves the old file as it was. A print preview writes no file: it is only painted.
// Throws ReportFileError when the file cannot be written.
bool PaintThroughSafeFile(QPrinter& printer, const std::function<bool()>& paint);

// The pages of `range` on `printer` as one print job in the print font, within the page's
// margins (KeepMargins), a file through PaintThroughSafeFile. False when `progress` stopped
// it: the job is aborted. Throws
// ReportFileError when the printer (or the PDF file) refuses the job, LogFailure when the
// log cannot be read.
bool PrintPages(QPrinter& printer, const FontChoice& printFont, const LogReader& log, PageRange range,
                const PrintProgress& progress = {});

// What Print... says when no printer is installed; OK saves the report as PDF instead.
inline constexpr char kNoPrinterText[] = "No printer is installed.\r\nWould you like to save the report as PDF?";
inline constexpr char kNoPrinterTitle[] = "Print";

// Progress of long report work: a dialog with "Cancel" once the work lasts, over `owner`;
// every other window waits meanwhile (the report being printed cannot be closed under it)
// while all of them repaint. Called as a PrintProgress.
class ReportProgress {
public:
    ReportProgress(QWidget* owner, const QString& label, std::int64_t errors);
    ~ReportProgress();
    ReportProgress(const ReportProgress&) = delete;
    ReportProgress& operator=(const ReportProgress&) = delete;

    bool operator()(std::int64_t errorsDone);
    // As a PrintProgress that refers to this object.
    PrintProgress Callback() {
        return [this](std::int64_t done) { return (*this)(done); };
    }

private:
    std::unique_ptr<QProgressDialog> dialog_;
};

// Every page.
inline constexpr PageRange kAllPages{1, 1 << 30};

}  // namespace quorvex
