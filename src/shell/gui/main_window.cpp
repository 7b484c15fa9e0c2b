#include "shell/gui/main_window.h"

#include <exception>
#include <system_error>
#include <tuple>
#include <utility>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QHBoxLayout>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include "common/error_limit.h"
#include "common/gui/window_place.h"
#include "errorlog/error_log.h"
#include "history/gui/history_views.h"
#include "report/core/browser.h"
#include "report/gui/report_commands.h"
#include "results/gui/results_view.h"
#include "shell/gui/about_dialog.h"
#include "shell/gui/fix_totals.h"
#include "shell/gui/help_window.h"
#include "shell/gui/logo.h"
#include "shell/gui/run_progress.h"
#include "shell/gui/set_errors_dialog.h"
#include "shell/gui/unattended_services.h"
#include "shell/gui/welcome_screen.h"
#include "shell/gui/window_states.h"

namespace quorvex {

namespace {

using namespace window_states;

QString Caption() { return QStringLiteral("Quorvex %1").arg(kTaxYear); }

std::unique_ptr<QSettings> OpenSettings(const QString& file) {
    if (file.isEmpty()) return std::make_unique<QSettings>();
    return std::make_unique<QSettings>(file, QSettings::IniFormat);
}

}  // namespace

MainWindow::MainWindow(MainWindowOptions options, QWidget* parent)
    : QMainWindow(parent),
      options_(std::move(options)),
      qtServices_(this),
      unattended_(options_.unattended ? std::make_unique<UnattendedServices>(qtServices_) : nullptr),
      unattendedReports_(unattended_ ? std::make_unique<UnattendedReportDialogs>() : nullptr),
      services_(options_.prompter ? *options_.prompter
                : unattended_     ? static_cast<DialogServices&>(*unattended_)
                                  : qtServices_,
                *this),
      desktop_(options_.desktop ? *options_.desktop
               : unattended_    ? static_cast<DesktopServices&>(*unattended_)
                                : qtServices_) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(Caption());
    setWindowIcon(QIcon(AgencyLogo(64)));
    setAcceptDrops(true);
    BuildMenus();
    setCentralWidget(BuildCentral());
    results_ = new ResultsView(*this);
    connect(results_, &ResultsView::happened, this, &MainWindow::Follow);
    connect(results_, &ResultsView::happened, fixTotals_, &FixTotals::Follow);
    connect(this, &MainWindow::runStarted, results_, &ResultsView::Unload);
    connect(this, &MainWindow::viewRecordsWithErrors, results_, &ResultsView::cmdGrid_Click);
    connect(this, &MainWindow::viewTestedRecords, results_, &ResultsView::cmdView_Click);
    connect(this, &MainWindow::viewLastResults, results_, &ResultsView::cmdLast_Click);
    reports_ = new ReportCommands(options_.programFolder, services_, desktop_, this,
                                  options_.reportDialogs ? options_.reportDialogs : unattendedReports_.get());
    connect(this, &MainWindow::viewErrorReport, reports_, &ReportCommands::cmdErrors_Click);
    connect(this, &MainWindow::printErrorReport, reports_, &ReportCommands::cmdPrint_Click);
    connect(this, &MainWindow::runStarted, reports_, &ReportCommands::CloseWindow);
    if (!options_.readOnly.empty()) {
        // The report's page goes to a folder of the user's own, removed with the window.
        pages_ = std::make_unique<QTemporaryDir>();
        if (pages_->isValid()) reports_->SetPageFolder(QFile::encodeName(pages_->path()).toStdString());
    }
    // While a report is made its commands are off; afterwards they are on again.
    connect(reports_, &ReportCommands::commandsEnabled, this, [this](bool enabled) {
        Apply({{Errors, enabled}, {Print, enabled}, {RCurrent, enabled}, {TPrint, enabled}});
    });
    FormLoad();

    auto settings = OpenSettings(options_.settingsFile);
    const QByteArray geometry = settings->value(QStringLiteral("MainWindow/geometry")).toByteArray();
    // A size saved on a larger screen opens whole on this one.
    if (!RestoreOnScreen(*this, geometry)) {
        // Room for the grid beside the whole captions and values of the field viewer,
        // where the screen has it.
        QSize size(1180, 760);
        if (const QScreen* s = screen()) size = size.boundedTo(s->availableGeometry().size() * 9 / 10);
        resize(size);
        PlaceOnScreen(*this);
    }
    qtServices_.SetLastFolder(settings->value(QStringLiteral("Files/lastFolder")).toString());
}

MainWindow::~MainWindow() {
    if (!unloaded_) UnloadHandler();
}

QAction* MainWindow::Register(QAction* action, Command command) {
    const auto i = static_cast<std::size_t>(command);
    action->setObjectName(QString::fromLatin1(kCommandNames[i].name));
    actions_[i] = action;
    return action;
}

void MainWindow::BuildMenus() {
    auto add = [this](QMenu* menu, Command command, const QString& caption, auto slot) {
        QAction* action = Register(menu->addAction(caption), command);
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    auto track = [this](QMenu* menu, Command command) {
        Register(menu->menuAction(), command);
        menu->setObjectName(menu->menuAction()->objectName());
    };

    QMenu* test = menuBar()->addMenu(tr("&Test"));
    track(test, TestMenu);
    add(test, TStart, tr("&Start New"), [this] { StartTesting(); });
    add(test, TOpenLast, tr("Open &Last"), [this] { emit viewLastResults(); });
    add(test, TPrint, tr("&Print Report"), [this] { cmdPrint_Click(); });
    add(test, TSet, tr("Set &Error(s)"), [this] { ShowSetErrors(); });
    test->addSeparator();
    add(test, TExit, tr("E&xit"), [this] { RequestExit(); });

    QMenu* view = menuBar()->addMenu(tr("&View"));
    track(view, ViewMenu);
    reportMenu_ = view->addMenu(tr("&Report"));
    track(reportMenu_, VReport);
    add(reportMenu_, RLast, tr("&Last"), [this] { mnuRLast_Click(); });
    add(reportMenu_, RCurrent, tr("&Current"), [this] { cmdErrors_Click(); });
    recordsMenu_ = view->addMenu(tr("Recor&ds"));
    track(recordsMenu_, VRecords);
    add(recordsMenu_, VRAll, tr("All &Tested"), [this] { emit viewTestedRecords(); });
    add(recordsMenu_, VRErrors, tr("&With Errors"), [this] { emit viewRecordsWithErrors(); });
    // The run history: its actions are no commands of the table; they are off during a run.
    view->addSeparator();
    history_ = new HistoryViews(options_.programFolder, services_, this);
    for (auto [name, caption, open] :
         {std::tuple{"mnuVCompare", tr("&Compare with Previous Run"), &HistoryViews::ShowComparePrevious},
          std::tuple{"mnuVHistory", tr("Run &History"), &HistoryViews::ShowRunHistory}}) {
        QAction* action = view->addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, history_, open);
        connect(this, &MainWindow::runStarted, action, [action] { action->setEnabled(false); });
        connect(this, &MainWindow::runFinished, action, [action] { action->setEnabled(true); });
    }
    connect(this, &MainWindow::runStarted, history_, &HistoryViews::CloseWindows);
    fixTotals_ = new FixTotals(*this, desktop_, view);

    QMenu* help = menuBar()->addMenu(tr("&Help"));
    track(help, HelpMenu);
    add(help, HContents, tr("&Contents"), [this] { ShowHelp(); });
    add(help, HAbout, tr("&About"), [this] { ShowAbout(); });
}

QWidget* MainWindow::BuildCentral() {
    auto* central = new QWidget(this);
    auto* outer = new QHBoxLayout(central);
    outer->addWidget(BuildButtonColumn(central), 0, Qt::AlignLeft);

    auto* right = new QVBoxLayout;
    welcome_ = std::make_unique<WelcomeScreen>(central, right);

    // Holds the focus during a run, so that it does not fall to Exit when the commands
    // around it are turned off.
    central->setFocusPolicy(Qt::ClickFocus);
    central->setAccessibleName(Caption());
    progress_ = std::make_unique<RunProgress>(central, right);

    resultsArea_ = new QWidget(central);
    resultsArea_->setObjectName(QStringLiteral("resultsArea"));
    new QVBoxLayout(resultsArea_);
    resultsArea_->layout()->setContentsMargins(0, 0, 0, 0);
    right->addWidget(resultsArea_, 100);
    right->addStretch(1);
    outer->addLayout(right, 1);
    return central;
}

QWidget* MainWindow::BuildButtonColumn(QWidget* central) {
    // The command column. Each button is driven by an action of the same name, so the
    // command states are kept in one place for buttons and menus alike.
    // Its width is its own: it does not grow when the rest of the window has nothing to show.
    auto* buttonColumn = new QWidget(central);
    buttonColumn->setObjectName(QStringLiteral("buttonColumn"));
    buttonColumn->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    auto* buttons = new QVBoxLayout(buttonColumn);
    buttons->setContentsMargins(0, 0, 0, 0);
    // Every access key of the window once: Alt+T is the Test menu's, so the tested
    // records take Alt+D, the key of "Recor&ds" in the View menu.
    const QString captions[] = {tr("&Start Testing"),     tr("View Tested Recor&ds"),
                                tr("View Records &With Errors"), tr("View Error &Report"),
                                tr("&Print Error Report"), tr("View &Last Test Results"),
                                tr("E&xit")};
    for (int i = 0; i < 7; ++i) {
        auto* action = Register(new QAction(captions[i], this), static_cast<Command>(i));
        auto* button = new QPushButton(captions[i], buttonColumn);
        button->setObjectName(action->objectName());
        button->setMinimumWidth(190);
        connect(button, &QPushButton::clicked, action, &QAction::trigger);
        connect(action, &QAction::changed, button,
                [button, action] { button->setEnabled(action->isEnabled()); });
        buttons->addWidget(button);
        if (i != 5) continue;
        // Compare with Previous Run, below the results of the last test (and before Exit in
        // the Tab order and for a screen reader).
        auto* compare = new QPushButton(tr("&Compare with Previous Run"), buttonColumn);
        compare->setObjectName(QStringLiteral("cmdCompare"));
        QAction* compareAction = findChild<QAction*>(QStringLiteral("mnuVCompare"));
        connect(compare, &QPushButton::clicked, compareAction, &QAction::trigger);
        connect(compareAction, &QAction::changed, compare,
                [compare, compareAction] { compare->setEnabled(compareAction->isEnabled()); });
        buttons->addWidget(compare);
        buttons->addWidget(fixTotals_->MakeButton(buttonColumn));
        buttons->addStretch(1);
    }
    connect(Action(Start), &QAction::triggered, this, [this] { StartTesting(); });
    connect(Action(View), &QAction::triggered, this, [this] { emit viewTestedRecords(); });
    connect(Action(Grid), &QAction::triggered, this, [this] { emit viewRecordsWithErrors(); });
    connect(Action(Errors), &QAction::triggered, this, [this] { cmdErrors_Click(); });
    connect(Action(Print), &QAction::triggered, this, [this] { cmdPrint_Click(); });
    connect(Action(Last), &QAction::triggered, this, [this] { emit viewLastResults(); });
    connect(Action(Exit), &QAction::triggered, this, [this] { RequestExit(); });
    return buttonColumn;
}

void MainWindow::FormLoad() {
    welcome_->Load();
    progress_->Conceal();
    resultsArea_->hide();

    // The program folder is the working folder, so relative names land beside the log.
    QDir::setCurrent(QString::fromStdString(options_.programFolder.string()));
    errorLimit_ = GetErrorLimit(options_.programFolder);
    ApplyStartupStates();
}

void MainWindow::ApplyStartupStates() {
    for (std::size_t i = 0; i < kCommandCount; ++i) SetEnabled(static_cast<Command>(i), true);
    Apply(kStartupStates);
    if (options_.readOnly.empty()) return;
    // Why testing is off, where the user looks for it.
    const QString why = QString::fromStdString(options_.readOnly);
    for (const Command command : {Start, TStart, TSet}) Action(command)->setToolTip(why);
    findChild<QPushButton*>(QStringLiteral("cmdStart"))->setToolTip(why);
    Action(TestMenu)->menu()->setToolTipsVisible(true);
}

void MainWindow::SetEnabled(Command command, bool enabled) {
    // A folder that can only be read takes no test and no error limit, whatever happens.
    if (!options_.readOnly.empty() && (command == Start || command == TStart || command == TSet)) enabled = false;
    Action(command)->setEnabled(enabled);
}

void MainWindow::Apply(std::span<const CommandState> states) {
    for (const CommandState& s : states) SetEnabled(s.command, s.enabled);
}

void MainWindow::StartTesting() {
    // The commands stay as they are while the file dialog is open: they are turned off when
    // the run shows itself, after a file has been chosen and opened.
    if (running_ || unloaded_) return;
    if (!options_.readOnly.empty()) {
        // A file dropped on the window, or given to the program.
        services_.MessageUtf8(options_.readOnly, "Quorvex 2008", MsgIcon::Exclamation, MsgButtons::Ok);
        return;
    }
    running_ = true;
    exitRequested_ = false;
    runShown_ = false;
    newFile_ = false;

    // The previous run's log stays open until this one starts; a new run owns its own.
    run_.reset();
    RunOptions runOptions;
    runOptions.programFolder = options_.programFolder;
    runOptions.errorLimit = errorLimit_;
    runOptions.yieldInterval = options_.yieldInterval;
    runOptions.writerThread = options_.writerThread;
    runOptions.historyRuns = options_.historyRuns;
    runOptions.noErrors = [this] { SubmissionPrompt(services_, desktop_, options_.programFolder); };
    runOptions.historyProblem = [this](const std::string& problem) {
        if (!std::exchange(historyTold_, true))
            services_.Message(problem, "Run History", MsgIcon::Exclamation, MsgButtons::Ok);
    };
    run_ = std::make_unique<Run>(services_, runOptions);

    RunSummary summary;
    try {
        summary = run_->ReadFile();
    } catch (const std::exception& failure) {
        // The run reports its own failures; this only guards the window against the rest.
        summary.outcome = RunOutcome::Failed;
        ShowFailure(failure);
    }
    running_ = false;
    services_.ClearQueuedFiles();
    ShowBusy(false);
    lastSummary_ = summary;
    FinishRun(summary);
    // cmdStart_Click: the disclaimer has been read once a test was asked for.
    welcome_->HideDisclosure();
    emit runFinished(summary.outcome);

    if (exitRequested_ || summary.outcome == RunOutcome::Aborted) close();
}

void MainWindow::FinishRun(const RunSummary& summary) {
    // A run that ended before it showed itself (the dialog cancelled, the file not opened)
    // changed neither the log nor the window.
    if (!runShown_) return;
    QPushButton* start = findChild<QPushButton*>(QStringLiteral("cmdStart"));
    switch (summary.outcome) {
    case RunOutcome::NoData:
    case RunOutcome::NoErrors:
        Apply(kRunEndedStates);
        Apply(kFinishedCleanStates);
        SetEnabled(View, summary.outcome == RunOutcome::NoErrors);
        ShowWelcome();
        start->setFocus();
        break;
    case RunOutcome::Failed:
        Apply(kRunEndedStates);
        if (summary.errorsFound == 0) {
            ShowWelcome();
            start->setFocus();
            break;
        }
        [[fallthrough]];
    case RunOutcome::Errors:
    case RunOutcome::Stopped:
        Apply(kRunEndedStates);
        HideProgress();
        emit viewRecordsWithErrors();
        break;
    case RunOutcome::Cancelled:
    case RunOutcome::Aborted:
    case RunOutcome::Restart:
        break;
    }
}

void MainWindow::ShowFailure(const std::exception& failure) { ShowLogFailure(services_, failure); }

void MainWindow::Follow(ResultsEvent event) {
    const Reaction& reaction = kReactions[static_cast<std::size_t>(event)];
    if (reaction.runShown && run_) run_->ClearTesting();
    if (reaction.hideDisclosure) welcome_->HideDisclosure();
    if (reaction.hideProgress) HideProgress();
    if (reaction.hideWelcome) ShowWelcomeScreen(false);
    Apply(reaction.states);
}

MsgAnswer MainWindow::MessageOver(QWidget* owner, std::string_view text, std::string_view title, MsgIcon icon,
                                  MsgButtons buttons) {
    qtServices_.SetParent(owner);
    const MsgAnswer answer = services_.Message(text, title, icon, buttons);
    qtServices_.SetParent(this);
    return answer;
}

void MainWindow::ShowWelcome() {
    HideProgress();
    ShowWelcomeScreen(true);
    setWindowTitle(Caption());
}

void MainWindow::ShowWelcomeScreen(bool shown) {
    welcome_->Show(shown);
    resultsArea_->setVisible(!shown);
}

void MainWindow::HideProgress() { progress_->Hide(); }

void MainWindow::cmdErrors_Click() {
    if (results_->ErrorsToReport()) emit viewErrorReport();
}

void MainWindow::cmdPrint_Click() {
    if (results_->ErrorsToReport()) emit printErrorReport();
}

void MainWindow::mnuRLast_Click() {
    results_->cmdLast_Click();
    if (results_->LogHasErrors()) cmdErrors_Click();
}

bool MainWindow::ProcessWindowEvents() {
    if (!runShown_) {
        // The window shows the run: the commands that would disturb it go off, and the
        // focus stays off them rather than falling to Exit.
        runShown_ = true;
        centralWidget()->setFocus();
        Apply(kRunningStates);
        setWindowTitle(Caption());
        emit runStarted();
    }
    if (newFile_) {
        // No record of the new file has been read yet.
        newFile_ = false;
        HideProgress();
    }
    progress_->Draw();
    // The window answers from here on: no hourglass over Exit and the menus.
    if (busyShown_) {
        QApplication::restoreOverrideCursor();
        busyShown_ = false;
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    return !exitRequested_;
}

void MainWindow::BeforeMessage() {
    if (running_) progress_->Draw();
}

void MainWindow::ShowBusy(bool busy) {
    if (busy && !busyShown_) QApplication::setOverrideCursor(Qt::WaitCursor);
    if (!busy && busyShown_) QApplication::restoreOverrideCursor();
    busyShown_ = busy;
}

void MainWindow::ShowRunProgress(std::int64_t recCtr, std::int64_t recordsInFile,
                                 std::uint64_t fileLength) {
    progress_->Keep(recCtr, recordsInFile, fileLength);
}

void MainWindow::RequestExit() {
    if (running_) {
        // The run sees this at its next yield, logs the abort and returns; then we close.
        exitRequested_ = true;
        return;
    }
    close();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (running_) {
        exitRequested_ = true;
        event->ignore();
        return;
    }
    UnloadHandler();
    event->accept();
    QMainWindow::closeEvent(event);
}

void MainWindow::UnloadHandler() {
    if (unloaded_) return;
    unloaded_ = true;
    // A run stopped but not yet shown is recorded as aborted in its log. Ending the
    // program must not fail on a log that can no longer be written: the user is told.
    if (run_) {
        try {
            if (lastSummary_.outcome != RunOutcome::Aborted) run_->LogTestAborted();
            run_->CloseDatabase();
        } catch (const std::exception& failure) {
            ShowFailure(failure);
            try {
                run_->CloseDatabase();
            } catch (const std::exception&) {
            }
        }
    }
    if (setErrors_) setErrors_->close();
    if (help_) help_->close();
    ShowBusy(false);
    auto settings = OpenSettings(options_.settingsFile);
    settings->setValue(QStringLiteral("MainWindow/geometry"), saveGeometry());
    settings->setValue(QStringLiteral("Files/lastFolder"), qtServices_.LastFolder());
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (running_ || !event->mimeData()->hasUrls()) return;
    const QList<QUrl> urls = event->mimeData()->urls();
    if (!urls.isEmpty() && urls.front().isLocalFile()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
    if (running_ || !event->mimeData()->hasUrls()) return;
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty() || !urls.front().isLocalFile()) return;
    event->acceptProposedAction();
    const std::string file = QFile::encodeName(urls.front().toLocalFile()).toStdString();
    // Started after the drop has been answered, so the dragging program is not kept waiting.
    QTimer::singleShot(0, this, [this, file] {
        if (running_) return;
        services_.QueueFile(file);
        StartTesting();
    });
}

void MainWindow::TestFile(const std::string& file) {
    if (running_) return;
    services_.QueueFile(file);
    StartTesting();
}

void MainWindow::ShowSetErrors() {
    if (!setErrors_) setErrors_ = new SetErrorsDialog(*this);
    setErrors_->Open();
}

void MainWindow::ShowHelp() {
    if (!help_) help_ = new HelpWindow(this);
    help_->ShowHome();
}

void MainWindow::ShowAbout() {
    auto* about = new AboutDialog(this);
    about->setAttribute(Qt::WA_DeleteOnClose);
    about->open();
}

}  // namespace quorvex
