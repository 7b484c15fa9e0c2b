#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <initializer_list>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include <QMainWindow>
#include <QPointer>
#include <QTemporaryDir>
#include <QString>

#include "common/error_limit.h"
#include "common/gui/commands.h"
#include "reader/run.h"
#include "results/gui/results_host.h"
#include "results/gui/results_view.h"
#include "shell/gui/qt_dialog_services.h"
#include "shell/gui/run_services.h"

class QAction;
class QMenu;
class QPushButton;
class QWidget;

namespace quorvex {

class FixTotals;
class HelpWindow;
class HistoryViews;
class ReportCommands;
class ReportDialogs;
class RunProgress;
class SetErrorsDialog;
class UnattendedServices;
class WelcomeScreen;

inline constexpr int kTaxYear = 2008;

struct MainWindowOptions {
    std::filesystem::path programFolder;
    // Who answers the questions of a run and of the dialogs; the Qt dialogs when null.
    DialogServices* prompter = nullptr;
    // The save dialogs, the browser and printing pages for the reports; the Qt ones when null.
    DesktopServices* desktop = nullptr;
    // Who answers the report's own dialogs (report option, print, preview, font); Qt's when
    // null.
    ReportDialogs* reportDialogs = nullptr;
    std::chrono::microseconds yieldInterval{std::chrono::milliseconds(8)};
    // Where the window keeps its size and position; the user's settings when empty.
    QString settingsFile;
    // Why the program folder can only be read (empty: it can be written): its results can
    // be viewed, but testing and the error limit are off, and say why.
    std::string readOnly;
    // QUORVEX_UNATTENDED: no dialog waits for an answer (UnattendedServices), where no
    // prompter is given.
    bool unattended = false;
    // The runs' own choices (RunOptions).
    bool writerThread = true;
    int historyRuns = kHistoryRuns;
};

// frmMain: the welcome screen, the commands and menus, and the test run started from them.
class MainWindow : public QMainWindow, public ResultsHost, private RunDisplay {
    Q_OBJECT

public:
    explicit MainWindow(MainWindowOptions options, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Does what "&Start Testing" does (the error limit dialog calls it after OK).
    void StartTesting();
    // Tests `file` as "&Start Testing" does once its file dialog has given it (quorvex FILE).
    void TestFile(const std::string& file);
    // cmdExit_Click: ends the program; during a run the run stops first and is logged.
    void RequestExit();

    bool Running() const { return running_; }
    const std::filesystem::path& ProgramFolder() const override { return options_.programFolder; }
    int ErrorLimit() const { return errorLimit_; }
    void SetErrorLimit(int limit) { errorLimit_ = limit; }
    DialogServices& Services() override { return services_; }
    QtDialogServices& QtServices() { return qtServices_; }
    // The area below the welcome screen where the result views are placed.
    QWidget* ResultsArea() const override { return resultsArea_; }
    ResultsView* Results() const { return results_; }
    FixTotals* Fixes() const { return fixTotals_; }

    // The action behind a button, menu or menu item.
    QAction* Action(Command command) const { return actions_[static_cast<std::size_t>(command)]; }

    void ShowSetErrors();
    void ShowHelp();
    void ShowAbout();

    // cmdErrors_Click: the report of the current results, after its guard; cmdPrint_Click
    // the same for the printer; mnuRLast: the last results and, when they hold errors,
    // their report.
    void cmdErrors_Click();
    void cmdPrint_Click();
    void mnuRLast_Click();

    // A failure of the log, told as the run tells it ("Error Number: ..."); never fatal.
    void ShowFailure(const std::exception& failure);
    // A message box owned by `owner` (a dialog of this window), which gets the focus back.
    MsgAnswer MessageOver(QWidget* owner, std::string_view text, std::string_view title, MsgIcon icon,
                          MsgButtons buttons);

signals:
    // A file was chosen: the run owns the log from now on.
    void runStarted();
    void runFinished(quorvex::RunOutcome outcome);
    // Result views and reports: the views are the results area's, the reports the report
    // window's (the report signals come after their guard).
    void viewTestedRecords();
    void viewRecordsWithErrors();
    void viewErrorReport();
    void printErrorReport();
    void viewLastResults();

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // RunDisplay
    bool ProcessWindowEvents() override;
    void ShowBusy(bool busy) override;
    void ShowRunProgress(std::int64_t recCtr, std::int64_t recordsInFile,
                         std::uint64_t fileLength) override;
    void FileChosen() override { newFile_ = true; }
    void BeforeMessage() override;

    void SetEnabled(Command command, bool enabled);
    void Apply(std::span<const CommandState> states);
    void Apply(std::initializer_list<CommandState> states) { Apply(std::span(states.begin(), states.size())); }
    // What the window does when the result views tell it what they did.
    void Follow(ResultsEvent event);
    void ShowWelcomeScreen(bool shown);
    void HideProgress();

    void BuildMenus();
    QWidget* BuildCentral();
    QWidget* BuildButtonColumn(QWidget* central);
    void FormLoad();
    void ApplyStartupStates();
    void FinishRun(const RunSummary& summary);
    void ShowWelcome();
    void UnloadHandler();
    QAction* Register(QAction* action, Command command);

    MainWindowOptions options_;
    QtDialogServices qtServices_;
    // Unattended mode: what stands in front of the Qt dialogs (MainWindowOptions::unattended).
    std::unique_ptr<UnattendedServices> unattended_;
    std::unique_ptr<ReportDialogs> unattendedReports_;
    RunServices services_;
    DesktopServices& desktop_;
    std::unique_ptr<Run> run_;
    RunSummary lastSummary_;
    int errorLimit_ = kDefaultErrorLimit;
    // A read-only program folder: where the reports' pages are written instead.
    std::unique_ptr<QTemporaryDir> pages_;
    bool running_ = false;
    bool exitRequested_ = false;
    bool busyShown_ = false;
    bool unloaded_ = false;
    bool runShown_ = false;   // the run has reached its first yield: the window shows it
    bool newFile_ = false;    // a file was chosen and none of its records shown yet

    std::array<QAction*, kCommandCount> actions_{};
    QMenu* reportMenu_ = nullptr;
    QMenu* recordsMenu_ = nullptr;
    std::unique_ptr<WelcomeScreen> welcome_;
    std::unique_ptr<RunProgress> progress_;
    QWidget* resultsArea_ = nullptr;
    ResultsView* results_ = nullptr;
    ReportCommands* reports_ = nullptr;
    QPointer<SetErrorsDialog> setErrors_;
    QPointer<HelpWindow> help_;
    // The run history's windows, and whether a history that could not be written has been
    // told this session (once: it will not be writable on the next run either).
    HistoryViews* history_ = nullptr;
    FixTotals* fixTotals_ = nullptr;  // Fix Totals...: its action in the View menu, its button
    bool historyTold_ = false;
};

}  // namespace quorvex
