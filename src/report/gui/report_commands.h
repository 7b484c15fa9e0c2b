#pragma once

#include <filesystem>
#include <memory>

#include <QObject>
#include <QPointer>
#include <QPrinter>

#include "common/desktop_services.h"
#include "common/dialog_services.h"
#include "report/gui/report_dialogs.h"
#include "report/gui/report_option_dialog.h"
#include "report/gui/report_window.h"

class QWidget;

namespace quorvex {

// The report commands of the main window, "View Error &Report" (cmdErrors_Click) and
// "&Print Error Report" (cmdPrint_Click), and what they keep for the program's run: the
// report type last chosen and the current printer.
class ReportCommands : public QObject {
    Q_OBJECT

public:
    // `owner` is the main window: it owns the dialogs and the report window. The Qt report
    // dialogs are used when `dialogs` is null.
    ReportCommands(std::filesystem::path programFolder, DialogServices& services, DesktopServices& desktop,
                   QWidget* owner, ReportDialogs* dialogs = nullptr);
    ~ReportCommands() override;

    // cmdErrors_Click: "No errors found in the submission!" when the log holds no error;
    // otherwise the report option dialog, then the text report in the report window, or the
    // HTML report in the browser (the text report when that fails and the user agrees).
    // With the print flag the report is printed instead. Shows its failures; never throws.
    void cmdErrors_Click();
    // cmdPrint_Click: sets the print flag and runs cmdErrors_Click.
    void cmdPrint_Click();

    ReportFormat ReportType() const { return reportType_; }
    // "Hide SSNs" as last chosen: kept for the program's run, as the report type is.
    bool HideSsns() const { return hideSsns_; }
    bool PrintFlag() const { return printFlag_; }
    frmReport* Window() const { return window_; }
    // The current printer: the one last chosen in a print dialog (made at its first use, so
    // that starting the program does not wait for the print system).
    QPrinter& Printer();
    // Where the HTML report's page is written: the program folder unless set.
    void SetPageFolder(std::filesystem::path folder) { pageFolder_ = std::move(folder); }

public slots:
    // Closes the report window: a new run is starting, the window's report is no longer the
    // log's.
    void CloseWindow();

signals:
    // False while a report is being made, true afterwards: "View Error &Report" and
    // "&Print Error Report" follow it.
    void commandsEnabled(bool enabled);

private:
    void MakeReport(const LogReader& log);
    void TextReport(const LogReader& log);

    std::filesystem::path programFolder_;
    std::filesystem::path pageFolder_;
    DialogServices& services_;
    DesktopServices& desktop_;
    QWidget* owner_;
    std::unique_ptr<ReportDialogs> qtDialogs_;
    ReportDialogs* dialogs_;
    std::unique_ptr<QPrinter> printer_;
    QPointer<frmReport> window_;
    ReportFormat reportType_ = kTextReport;
    bool hideSsns_ = false;
    bool printFlag_ = false;
    bool busy_ = false;
    int screenWidth_;
};

}  // namespace quorvex
