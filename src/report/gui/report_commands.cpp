#include "report/gui/report_commands.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>

#include "report/core/html_report.h"
#include "report/core/report_writers.h"
#include "report/core/text_report.h"

namespace quorvex {

ReportCommands::ReportCommands(std::filesystem::path programFolder, DialogServices& services,
                               DesktopServices& desktop, QWidget* owner, ReportDialogs* dialogs)
    : QObject(owner),
      programFolder_(std::move(programFolder)),
      pageFolder_(programFolder_),
      services_(services),
      desktop_(desktop),
      owner_(owner),
      qtDialogs_(dialogs ? nullptr : std::make_unique<QtReportDialogs>()),
      dialogs_(dialogs ? dialogs : qtDialogs_.get()) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    screenWidth_ = screen ? screen->geometry().width() : kCommandLineScreenWidth;
}

ReportCommands::~ReportCommands() { CloseWindow(); }

QPrinter& ReportCommands::Printer() {
    if (!printer_) printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *printer_;
}

void ReportCommands::cmdPrint_Click() {
    printFlag_ = true;
    cmdErrors_Click();
}

void ReportCommands::cmdErrors_Click() {
    // A second command arriving while a report is being made (the window's events are
    // processed meanwhile) is dropped.
    if (busy_) return;
    busy_ = true;
    try {
        std::optional<LogReader> log = LogReader::OpenIn(programFolder_);
        if (log && log->ErrorCount() == 0 && log->RunInProgress()) {
            // A run that never wrote its end has no report to give, and no clean result either.
            services_.Message(InterruptedRunMessage(log->LastRecNum()),
                              "Testing Did Not Finish", MsgIcon::Exclamation, MsgButtons::Ok);
        } else if (!log || log->ErrorCount() == 0) {
            services_.Message("No errors found in the submission!", "Results", MsgIcon::Information, MsgButtons::Ok);
        } else {
            MakeReport(*log);
        }
    } catch (const std::exception& failure) {
        ShowReportFailure(services_, failure);
    }
    printFlag_ = false;
    busy_ = false;
}

void ReportCommands::MakeReport(const LogReader& logKept) {
    CloseWindow();
    const std::optional<ReportChoice> choice = dialogs_->ChooseReportType(owner_, {reportType_, hideSsns_});
    if (!choice) return;
    reportType_ = choice->type;
    hideSsns_ = choice->hideSsns;
    // The window, its preview, print and PDF and the page all read the report from this log.
    const LogReader log = hideSsns_ ? logKept.WithSsnsHidden() : logKept;

    struct Disabled {
        ReportCommands& commands;
        explicit Disabled(ReportCommands& c) : commands(c) { emit commands.commandsEnabled(false); }
        ~Disabled() { emit commands.commandsEnabled(true); }
    } disabled(*this);
    QCoreApplication::processEvents();

    if (reportType_ == kTextReport) {
        TextReport(log);
    } else if (!FormatHtmlReport(log, services_, desktop_, pageFolder_, screenWidth_, printFlag_)) {
        // No browser, or it failed, and the user asked for the text report: text from now on.
        reportType_ = kTextReport;
        TextReport(log);
    }
}

void ReportCommands::TextReport(const LogReader& log) {
    window_ = new frmReport(ReportContext{programFolder_, &services_, &desktop_, dialogs_, &Printer()}, log, owner_);
    if (printFlag_) {
        // Printed from the window's state; the window itself is not shown.
        window_->PrintReport(owner_);
        CloseWindow();
    } else {
        window_->ShowPreview(FormatTextReport(log, services_, desktop_, programFolder_));
        window_->show();
    }
}

void ReportCommands::CloseWindow() {
    if (window_) {
        window_->close();
        delete window_;
    }
}

}  // namespace quorvex
