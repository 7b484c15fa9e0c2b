#include "shell/gui/main_window.h"

#include <exception>
#include <system_error>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include "errorlog/error_log.h"
#include "common/error_limit.h"
#include "shell/gui/about_dialog.h"
#include "shell/gui/help_window.h"
#include "shell/gui/logo.h"
#include "shell/gui/set_errors_dialog.h"
#include "shell/gui/startup.h"

namespace quorvex {

namespace {

// Progress drawn between yields at most this often, so that a run that reports every
// record does not spend its time on labels nobody can see.
constexpr qint64 kProgressRedrawMs = 100;
constexpr int kProgressSteps = 1000;

const char* const kButtonNames[] = {"cmdStart", "cmdView", "cmdGrid", "cmdErrors",
                                    "cmdPrint", "cmdLast",  "cmdExit"};

QString Caption() { return QStringLiteral("Quorvex %1").arg(kTaxYear); }

QString WelcomeText() {
    // Three lines; the second and third begin with one blank.
    return QStringLiteral("Welcome To Quorvex %1\n For Tax Year %1\n ZRW5 Submissions").arg(kTaxYear);
}

QString DisclosureText() {
    return QStringLiteral(
        "\nDISCLAIMER STATEMENT\n\n"
        "The Quorvex application identifies most of the common format errors in wage submissions. "
        "Using this application greatly reduces submission rejections. Please be aware that even if "
        "no errors are identified by Quorvex, your submission could be returned because of other "
        "errors.");
}

std::unique_ptr<QSettings> OpenSettings(const QString& file) {
    if (file.isEmpty()) return std::make_unique<QSettings>();
    return std::make_unique<QSettings>(file, QSettings::IniFormat);
}

}  // namespace

MainWindow::MainWindow(MainWindowOptions options, QWidget* parent)
    : QMainWindow(parent),
      options_(std::move(options)),
      qtServices_(this),
      services_(options_.prompter ? *options_.prompter : static_cast<DialogServices&>(qtServices_),
                *this) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(Caption());
    setWindowIcon(QIcon(AgencyLogo(64)));
    setAcceptDrops(true);
    BuildMenus();
    setCentralWidget(BuildCentral());
    FormLoad();

    auto settings = OpenSettings(options_.settingsFile);
    const QByteArray geometry = settings->value(QStringLiteral("MainWindow/geometry")).toByteArray();
    if (geometry.isEmpty() || !restoreGeometry(geometry)) resize(820, 560);
}

MainWindow::~MainWindow() {
    if (!unloaded_) UnloadHandler();
}

QAction* MainWindow::Action(const char* name) const {
    const auto it = actions_.find(QString::fromLatin1(name));
    return it == actions_.end() ? nullptr : it->second;
}

void MainWindow::SetEnabled(const char* name, bool enabled) {
    if (QAction* action = Action(name)) action->setEnabled(enabled);
}

void MainWindow::BuildMenus() {
    auto add = [this](QMenu* menu, const char* name, const QString& caption, auto slot) {
        QAction* action = menu->addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, slot);
        actions_[action->objectName()] = action;
        return action;
    };
    auto track = [this](QMenu* menu, const char* name) {
        menu->setObjectName(QString::fromLatin1(name));
        menu->menuAction()->setObjectName(QString::fromLatin1(name));
        actions_[menu->objectName()] = menu->menuAction();
    };

    QMenu* test = menuBar()->addMenu(tr("&Test"));
    track(test, "mnuTest");
    add(test, "mnuTStart", tr("&Start New"), [this] { StartTesting(); });
    add(test, "mnuTOpenLast", tr("Open &Last"), [this] { emit viewLastResults(); });
    add(test, "mnuTPrint", tr("&Print Report"), [this] { emit printErrorReport(); });
    add(test, "mnuTSet", tr("Set &Error(s)"), [this] { ShowSetErrors(); });
    test->addSeparator();
    add(test, "mnuTExit", tr("E&xit"), [this] { RequestExit(); });

    QMenu* view = menuBar()->addMenu(tr("&View"));
    track(view, "mnuView");
    reportMenu_ = view->addMenu(tr("&Report"));
    track(reportMenu_, "mnuVReport");
    add(reportMenu_, "mnuRLast", tr("&Last"), [this] { emit viewLastReport(); });
    add(reportMenu_, "mnuRCurrent", tr("&Current"), [this] { emit viewErrorReport(); });
    recordsMenu_ = view->addMenu(tr("Recor&ds"));
    track(recordsMenu_, "mnuVRecords");
    add(recordsMenu_, "mnuVRAll", tr("All &Tested"), [this] { emit viewTestedRecords(); });
    add(recordsMenu_, "mnuVRErrors", tr("&With Errors"), [this] { emit viewRecordsWithErrors(); });

    QMenu* help = menuBar()->addMenu(tr("&Help"));
    track(help, "mnuHelp");
    add(help, "mnuHContents", tr("&Contents"), [this] { ShowHelp(); });
    add(help, "mnuHAbout", tr("&About"), [this] { ShowAbout(); });
}

QWidget* MainWindow::BuildCentral() {
    auto* central = new QWidget(this);
    auto* outer = new QHBoxLayout(central);

    // The command column. Each button is driven by an action of the same name, so the
    // command states are kept in one place for buttons and menus alike.
    auto* buttons = new QVBoxLayout;
    const QString captions[] = {tr("&Start Testing"),     tr("View &Tested Records"),
                                tr("View Records &With Errors"), tr("View Error &Report"),
                                tr("&Print Error Report"), tr("View &Last Test Results"),
                                tr("E&xit")};
    for (int i = 0; i < 7; ++i) {
        auto* action = new QAction(captions[i], this);
        action->setObjectName(QString::fromLatin1(kButtonNames[i]));
        actions_[action->objectName()] = action;
        auto* button = new QPushButton(captions[i], central);
        button->setObjectName(action->objectName());
        button->setMinimumWidth(190);
        connect(button, &QPushButton::clicked, action, &QAction::trigger);
        connect(action, &QAction::changed, button,
                [button, action] { button->setEnabled(action->isEnabled()); });
        buttons->addWidget(button);
        if (i == 5) buttons->addStretch(1);
    }
    connect(Action("cmdStart"), &QAction::triggered, this, [this] { StartTesting(); });
    connect(Action("cmdView"), &QAction::triggered, this, [this] { emit viewTestedRecords(); });
    connect(Action("cmdGrid"), &QAction::triggered, this, [this] { emit viewRecordsWithErrors(); });
    connect(Action("cmdErrors"), &QAction::triggered, this, [this] { emit viewErrorReport(); });
    connect(Action("cmdPrint"), &QAction::triggered, this, [this] { emit printErrorReport(); });
    connect(Action("cmdLast"), &QAction::triggered, this, [this] { emit viewLastResults(); });
    connect(Action("cmdExit"), &QAction::triggered, this, [this] { RequestExit(); });
    outer->addLayout(buttons);

    auto* right = new QVBoxLayout;
    auto* welcomeRow = new QHBoxLayout;
    logo_ = new QLabel(central);
    logo_->setObjectName(QStringLiteral("imgLogo"));
    logo_->setPixmap(AgencyLogo(140));
    welcomeRow->addWidget(logo_, 0, Qt::AlignTop);
    welcome_ = new QLabel(central);
    welcome_->setObjectName(QStringLiteral("lblWelcome"));
    QFont welcomeFont = welcome_->font();
    welcomeFont.setPointSizeF(welcomeFont.pointSizeF() * 1.6);
    welcomeFont.setBold(true);
    welcome_->setFont(welcomeFont);
    welcomeRow->addWidget(welcome_, 1, Qt::AlignVCenter);
    right->addLayout(welcomeRow);

    disclosureFrame_ = new QFrame(central);
    disclosureFrame_->setObjectName(QStringLiteral("shpFrame"));
    disclosureFrame_->setFrameShape(QFrame::StyledPanel);
    auto* frameLayout = new QVBoxLayout(disclosureFrame_);
    disclosure_ = new QPlainTextEdit(disclosureFrame_);
    disclosure_->setObjectName(QStringLiteral("txtDisclosure"));
    disclosure_->setReadOnly(true);
    disclosure_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    disclosure_->setMaximumHeight(disclosure_->fontMetrics().lineSpacing() * 9);
    frameLayout->addWidget(disclosure_);
    right->addWidget(disclosureFrame_, 0);

    recCtr_ = new QLabel(central);
    recCtr_->setObjectName(QStringLiteral("lblRecCtr"));
    recCtr_->setMinimumWidth(260);
    progress_ = new QProgressBar(central);
    progress_->setObjectName(QStringLiteral("lblPrgrss1"));
    progress_->setRange(0, kProgressSteps);
    progress_->setTextVisible(false);
    right->addWidget(recCtr_);
    right->addWidget(progress_);

    resultsArea_ = new QWidget(central);
    resultsArea_->setObjectName(QStringLiteral("resultsArea"));
    new QVBoxLayout(resultsArea_);
    resultsArea_->layout()->setContentsMargins(0, 0, 0, 0);
    right->addWidget(resultsArea_, 3);
    right->addStretch(1);
    outer->addLayout(right, 1);
    return central;
}

void MainWindow::FormLoad() {
    welcome_->setText(WelcomeText());
    disclosure_->setPlainText(DisclosureText());
    QTextCursor cursor = disclosure_->textCursor();
    cursor.setPosition(2);
    disclosure_->setTextCursor(cursor);
    recCtr_->hide();
    progress_->hide();
    resultsArea_->hide();

    // The program folder is the working folder, so relative names land beside the log.
    QDir::setCurrent(QString::fromStdString(options_.programFolder.string()));
    lastLog_ = FindErrorLog(options_.programFolder);
    errorLimit_ = GetErrorLimit(options_.programFolder);
    ApplyStartupStates();
}

void MainWindow::ApplyStartupStates() {
    for (auto& [name, action] : actions_) action->setEnabled(true);
    for (const char* name : {"cmdView", "cmdGrid", "cmdErrors", "cmdPrint", "mnuTPrint", "mnuRCurrent",
                             "mnuVRecords", "mnuVRAll", "mnuVRErrors"}) {
        SetEnabled(name, false);
    }
}

void MainWindow::ApplyRunningStates() {
    savedStates_.clear();
    for (auto& [name, action] : actions_) savedStates_[name] = action->isEnabled();
    // Everything that would start another run, open the log or a report while this run
    // writes it is off; Exit, the error limit, help and about stay usable.
    for (const char* name : {"cmdStart", "cmdLast", "mnuTOpenLast", "cmdPrint", "cmdErrors", "cmdView",
                             "cmdGrid", "mnuTStart", "mnuTPrint", "mnuVReport", "mnuVRecords"}) {
        SetEnabled(name, false);
    }
}

void MainWindow::StartTesting() {
    if (running_ || unloaded_) return;
    running_ = true;
    exitRequested_ = false;
    ApplyRunningStates();
    setWindowTitle(Caption());

    // The previous run's log stays open until this one starts; a new run owns its own.
    run_.reset();
    RunOptions runOptions;
    runOptions.programFolder = options_.programFolder;
    runOptions.errorLimit = errorLimit_;
    runOptions.yieldInterval = options_.yieldInterval;
    run_ = std::make_unique<Run>(services_, runOptions);

    RunSummary summary;
    try {
        summary = run_->ReadFile();
    } catch (const std::exception& failure) {
        // The run reports its own failures; this only guards the window against the rest.
        summary.outcome = RunOutcome::Failed;
        services_.Message(std::string("Error Number: 0\r\nError Description: ") + failure.what(),
                          "Submission File Error", MsgIcon::Critical, MsgButtons::Ok);
    }
    running_ = false;
    services_.ClearQueuedFiles();
    ShowBusy(false);
    lastSummary_ = summary;
    // The log this run left (or the earlier one, when the run did not get as far).
    lastLog_ = FindErrorLog(options_.programFolder);
    FinishRun(summary);
    // cmdStart_Click: the disclaimer has been read once a test was asked for.
    disclosureFrame_->hide();
    emit runFinished(summary.outcome);

    if (exitRequested_ || summary.outcome == RunOutcome::Aborted) close();
}

void MainWindow::FinishRun(const RunSummary& summary) {
    switch (summary.outcome) {
    case RunOutcome::Cancelled:
        for (auto& [name, enabled] : savedStates_) actions_[name]->setEnabled(enabled);
        break;
    case RunOutcome::NoData:
    case RunOutcome::NoErrors:
        for (auto& [name, enabled] : savedStates_) actions_[name]->setEnabled(enabled);
        SetEnabled("cmdStart", true);
        SetEnabled("mnuTStart", true);
        SetEnabled("cmdView", summary.outcome == RunOutcome::NoErrors);
        SetEnabled("mnuVRecords", true);
        SetEnabled("mnuVRAll", true);
        SetEnabled("mnuVReport", false);
        SetEnabled("mnuVRErrors", false);
        SetEnabled("cmdLast", false);
        SetEnabled("mnuTOpenLast", false);
        ShowWelcome();
        break;
    case RunOutcome::Errors:
    case RunOutcome::Stopped:
        ShowRecordsWithErrors();
        break;
    case RunOutcome::Failed:
        for (auto& [name, enabled] : savedStates_) actions_[name]->setEnabled(enabled);
        SetEnabled("cmdStart", true);
        SetEnabled("mnuTStart", true);
        if (summary.errorsFound > 0) {
            ShowRecordsWithErrors();
        } else {
            ShowWelcome();
        }
        break;
    case RunOutcome::Aborted:
    case RunOutcome::Restart:
        break;
    }
}

void MainWindow::ShowWelcome() {
    recCtr_->hide();
    progress_->hide();
    logo_->show();
    welcome_->show();
    setWindowTitle(Caption());
}

void MainWindow::ShowRecordsWithErrors() {
    // The records-with-errors view: its grids live in the results area; the commands
    // that reach the results are on, and the run counts as shown.
    recCtr_->hide();
    progress_->hide();
    for (const char* name : {"cmdStart", "mnuTStart", "cmdPrint", "cmdView", "cmdErrors", "mnuRCurrent",
                             "mnuVRErrors", "mnuVRAll", "mnuTPrint", "mnuVRecords", "mnuVReport"}) {
        SetEnabled(name, true);
    }
    for (const char* name : {"mnuTOpenLast", "mnuRLast", "cmdGrid", "cmdLast"}) SetEnabled(name, false);
    if (run_) run_->ClearTesting();
    emit viewRecordsWithErrors();
}

bool MainWindow::ProcessWindowEvents() {
    if (!progressClock_.isValid() || progressClock_.elapsed() >= kProgressRedrawMs) UpdateProgressWidgets();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    return !exitRequested_;
}

void MainWindow::ShowBusy(bool busy) {
    if (busy == busy_) return;
    busy_ = busy;
    if (busy) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
        QApplication::restoreOverrideCursor();
    }
}

void MainWindow::ShowRunProgress(std::int64_t recCtr, std::int64_t recordsInFile,
                                 std::uint64_t fileLength) {
    progressRecord_ = recCtr;
    progressInFile_ = recordsInFile;
    progressFileLength_ = fileLength;
    progressDirty_ = true;
    if (!progressClock_.isValid() || progressClock_.elapsed() >= kProgressRedrawMs) {
        UpdateProgressWidgets();
    }
}

void MainWindow::UpdateProgressWidgets() {
    if (!progressDirty_) return;
    progressDirty_ = false;
    progressClock_.start();
    recCtr_->setText(QStringLiteral("Processing Record Number: %1").arg(progressRecord_));
    recCtr_->show();
    progress_->show();
    if (progressFileLength_ > 512) {
        const double recordsInFile = double(progressFileLength_) / 512.0;
        const double share = double(progressInFile_) / recordsInFile;
        progress_->setValue(int(std::min(1.0, std::max(0.0, share)) * kProgressSteps));
    } else {
        progress_->setValue(0);
    }
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
    // A run stopped but not yet shown is recorded as aborted in its log.
    if (run_ && lastSummary_.outcome != RunOutcome::Aborted) {
        try {
            run_->LogTestAborted();
        } catch (...) {
            // Ending the program must not fail on a log that can no longer be written.
        }
    }
    if (run_) {
        try {
            run_->CloseDatabase();
        } catch (...) {
        }
    }
    if (setErrors_) setErrors_->close();
    if (help_) help_->close();
    ShowBusy(false);
    auto settings = OpenSettings(options_.settingsFile);
    settings->setValue(QStringLiteral("MainWindow/geometry"), saveGeometry());
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
