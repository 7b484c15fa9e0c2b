#include "results/gui/results_view.h"

#include <filesystem>
#include <string_view>

#include <QApplication>
#include <QEvent>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>
#include <QVBoxLayout>

#include "errorlog/error_log.h"
#include "results/gui/errors_table_model.h"
#include "results/gui/record_table_model.h"
#include "results/gui/record_viewer.h"
#include "results/gui/result_grid.h"
#include "results/gui/results_host.h"
#include "common/gui/text_codec.h"

namespace quorvex {

namespace {

// The user entry and reference of the error a run stopped by Exit leaves on its last record.
constexpr std::string_view kAbortedReference = "Test Aborted";
constexpr std::string_view kAbortedEntry = "Exit was chosen";

constexpr const char* kNotApplicable = "Not Applicable.";

// The hourglass while the window is busy; the message boxes get the normal pointer.
class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { Release(); }
    void Release() {
        if (on_) QApplication::restoreOverrideCursor();
        on_ = false;
    }

private:
    bool on_ = true;
};

// The file name of a tested file's path (UTF-8), for the captions; nullopt when it cannot
// be taken: no path, or a folder that is not there (a drive or path no longer available).
std::optional<QString> FileNameOf(const std::string& path) {
    if (path.empty()) return std::nullopt;
    std::error_code ec;
    if (!std::filesystem::is_directory(std::filesystem::path(path).parent_path(), ec)) return std::nullopt;
    return QString::fromStdString(path.substr(path.find_last_of('/') + 1));
}

// The path of the last tested file as the log holds it: a name outside the code page
// shows as it is.
std::string LastPath(const LogReader& log) {
    const std::vector<MiscRow> misc = log.Misc();
    return misc.empty() ? std::string() : misc.back().pathUtf8;
}

// What stopped the log's run, for "Quorvex Testing Stopped": a run that did not finish, a
// critical error, Exit; empty when the run went to its end.
QString StopReason(const LogReader& log) {
    if (log.RunInProgress()) return FromCp1252(InterruptedRunHead(log.LastRecNum()) + "  " + InterruptedRunBody());
    const std::optional<ErrorRow> last = log.LastError();
    if (!last) return {};
    if (last->critical)
        return FromCp1252("Execution of Testing was terminated due to the Critical Error in Record Number " +
                          std::to_string(last->recNum) + ":  " + last->error);
    if (last->reference == kAbortedReference && last->userEntry == kAbortedEntry)
        return FromCp1252("Execution of Testing was stopped in Record Number " + std::to_string(last->recNum) +
                          ":  " + last->error);
    return {};
}

}  // namespace

void ShowLogFailure(DialogServices& services, const std::exception& failure) {
    const auto* log = dynamic_cast<const LogFailure*>(&failure);
    services.Message("Error Number: " + std::to_string(log ? log->number : 0) + "\r\nError Description: " +
                         (log ? log->description : std::string(failure.what())),
                     "Submission File Error", MsgIcon::Critical, MsgButtons::Ok);
}

ResultsView::ResultsView(ResultsHost& host) : QWidget(host.ResultsArea()), host_(host) {
    setObjectName(QStringLiteral("results"));
    Build();
    host.ResultsArea()->layout()->addWidget(this);
    hide();
}

void ResultsView::ShowFailure(const std::exception& failure) { ShowLogFailure(host_.Services(), failure); }

ResultsView::~ResultsView() = default;

void ResultsView::Build() {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);

    records_ = new QLabel(QStringLiteral("RECORDS"), this);
    records_->setObjectName(QStringLiteral("lblRecords"));
    grid1_ = new ResultGrid(QStringLiteral("DBGrid1"), this);
    grid1_->SetCaption(QStringLiteral("Record(s)"));
    errors_ = new QLabel(QStringLiteral("ERRORS"), this);
    errors_->setObjectName(QStringLiteral("lblErrors"));
    grid2_ = new ResultGrid(QStringLiteral("DBGrid2"), this);
    grid2_->SetCaption(QStringLiteral("Quorvex Error(s) that Need to be Corrected"));
    errorsOfRecord_ = new ErrorsTableModel(this);
    grid2_->setModel(errorsOfRecord_);
    grid2_->FitToContents(0, 45);  // the references whole, as far as the window allows
    grid2_->FitToContents(1, 30);
    critErrorCaption_ = new QLabel(QStringLiteral("Quorvex Testing Stopped"), this);
    critErrorCaption_->setObjectName(QStringLiteral("lblCritError"));
    critError_ = new QPlainTextEdit(QStringLiteral("None Found."), this);
    critError_->setObjectName(QStringLiteral("txtCritError"));
    critError_->setReadOnly(true);
    critError_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    critError_->setAccessibleName(critErrorCaption_->text());
    critError_->setTabChangesFocus(true);
    // Three whole lines: the sentence of a critical error fills two or three.
    const QMargins margins = critError_->contentsMargins();
    critError_->setFixedHeight(critError_->fontMetrics().lineSpacing() * 3 +
                               int(2 * critError_->document()->documentMargin()) + margins.top() + margins.bottom());
    critError_->installEventFilter(this);
    outer->addWidget(records_);
    outer->addWidget(grid1_->CaptionLabel());
    // The records take more of the height than the errors of the one selected, which are few.
    outer->addWidget(grid1_, 3);
    outer->addWidget(errors_);
    outer->addWidget(grid2_->CaptionLabel());
    outer->addWidget(grid2_, 2);
    outer->addWidget(critErrorCaption_);
    outer->addWidget(critError_);

    testedPanel_ = new QWidget(this);
    auto* tested = new QHBoxLayout(testedPanel_);
    tested->setContentsMargins(0, 0, 0, 0);
    auto* gridColumn = new QVBoxLayout;
    grid3_ = new ResultGrid(QStringLiteral("DBGrid3"), testedPanel_);
    gridColumn->addWidget(grid3_->CaptionLabel());
    gridColumn->addWidget(grid3_, 1);
    // The record numbers and the start of each record stay in sight beside the viewer.
    const QFontMetrics metrics = grid3_->fontMetrics();
    grid3_->setMinimumWidth(metrics.horizontalAdvance(QStringLiteral("00000000")) * 2 +
                            metrics.horizontalAdvance(QStringLiteral("RW123456789MICHAEL")) + 32);
    tested->addLayout(gridColumn, 1);
    // The viewer as wide as its captions and values need; the grid takes the rest.
    viewer_ = new RecordViewer(testedPanel_);
    viewer_->setObjectName(QStringLiteral("viewer"));
    tested->addWidget(viewer_, 0);
    outer->addWidget(testedPanel_, 1);

    connect(grid1_, &ResultGrid::copyRefused, this, [this] {
        host_.Services().Message("Select at most " + std::to_string(ResultGrid::kMostRowsCopied) + " rows to copy.",
                                   "Quorvex", MsgIcon::Information, MsgButtons::Ok);
    });
    connect(grid3_, &ResultGrid::copyRefused, grid1_, &ResultGrid::copyRefused);
    // Enter (or a double click) on a tested record goes into its fields.
    connect(grid3_, &QAbstractItemView::activated, this, [this] {
        viewer_->Enter();
    });
    ShowErrorsView(false);
    ShowTestedView(false);
}

void ResultsView::ShowErrorsView(bool visible) {
    for (QWidget* w : std::initializer_list<QWidget*>{records_, grid1_, errors_, grid2_, critErrorCaption_, critError_})
        w->setVisible(visible);
}

void ResultsView::ShowTestedView(bool visible) {
    testedPanel_->setVisible(visible);
    grid3_->setVisible(visible);
}

std::optional<LogReader> ResultsView::OpenLog() const { return LogReader::OpenIn(host_.ProgramFolder()); }

void ResultsView::SetModel(ResultGrid* grid, RecordTableModel* model) {
    QAbstractItemModel* old = grid->model();
    QItemSelectionModel* oldSelection = grid->selectionModel();
    grid->setModel(model);
    delete oldSelection;
    delete old;
    if (model) {
        connect(model, &RecordTableModel::logFailed, this, [this](int number, const QString& description) {
            ShowFailure(LogFailure(number, ToCp1252(description)));
        });
    }
}

void ResultsView::Unload() {
    hide();
    ShowErrorsView(false);
    ShowTestedView(false);
    SetModel(grid1_, nullptr);
    SetModel(grid3_, nullptr);
    withErrors_ = tested_ = nullptr;
    errorsOfRecord_->Clear();
    viewer_->UnloadLabels();
    contexts_ = BlockContexts{};
}

void ResultsView::cmdGrid_Click() {
    // The view shows the run: Exit no longer records it as aborted.
    emit happened(ResultsEvent::ErrorsViewAsked);
    try {
        BusyCursor busy;
        std::optional<LogReader> log = OpenLog();
        if (!log || log->ErrorCount() == 0) {
            busy.Release();
            if (!log || !TellIfInterrupted(*log))
                host_.Services().Message("No errors found in the submission within the scope of this program, as "
                                         "outlined in the User Manual.",
                                         "Quorvex", MsgIcon::None, MsgButtons::Ok);
            emit happened(ResultsEvent::NothingToShow);
        } else {
            ShowTestedView(false);
            viewer_->UnloadLabels();

            withErrors_ = new RecordTableModel(*log, RecordSet::WithErrors, this);
            SetModel(grid1_, withErrors_);
            grid1_->SetColumnWidths({800, 800}, 2);
            grid2_->SetColumnWidths({0, 0}, 2);
            const std::string path = LastPath(*log);
            const std::int64_t tested = log->RecordCount();
            if (const auto name = FileNameOf(path)) {
                window()->setWindowTitle(QStringLiteral("Records With Errors - ") + *name);
            } else {
                window()->setWindowTitle(QStringLiteral("Record Number %1 of %2 Tested Record(s) - %3")
                                             .arg(withErrors_->RecNumAt(0))
                                             .arg(tested)
                                             .arg(QString::fromStdString(path)));
            }
            records_->setText(QStringLiteral("%1 Record(s) Tested, %2 Record(s) with Error(s)")
                                  .arg(tested)
                                  .arg(withErrors_->rowCount()));
            // The first record's errors, through the row change of DBGrid1.
            connect(grid1_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
                    [this](const QModelIndex& current) { ShowErrorsOf(current.row()); });
            grid1_->setCurrentIndex(withErrors_->index(0, 0));

            const QString stopReason = StopReason(*log);
            critError_->setPlainText(stopReason.isEmpty() ? QString::fromLatin1(kNotApplicable) : stopReason);

            show();
            ShowErrorsView(true);
            emit happened(ResultsEvent::ErrorsViewShown);
            busy.Release();
            if (!window()->isMinimized()) {
                if (stopReason.isEmpty()) {
                    grid1_->setFocus();
                } else {
                    critError_->setFocus();
                }
            }
        }
    } catch (const std::exception& failure) {
        ShowFailure(failure);
    }
    emit happened(ResultsEvent::ErrorsViewDone);
}

void ResultsView::ShowErrorsOf(int row) {
    if (!withErrors_) return;
    const std::int64_t recNum = withErrors_->RecNumAt(row);
    if (recNum == 0) return;
    try {
        errorsOfRecord_->Load(withErrors_->Log(), recNum);
        errors_->setText(QStringLiteral("Record Number %1").arg(recNum));
        // A new record's errors start at their top left.
        grid2_->scrollToTop();
        grid2_->horizontalScrollBar()->setValue(0);
        grid2_->FitColumns();
    } catch (const std::exception& failure) {
        ShowFailure(failure);
    }
}

void ResultsView::cmdView_Click() {
    try {
        BusyCursor busy;
        // Without a log the reader says what is missing.
        std::optional<LogReader> log = OpenLog();
        if (!log) log.emplace(LogFile::PathIn(host_.ProgramFolder()));
        emit happened(log->ErrorCount() > 0 ? ResultsEvent::TestedViewAskedWithErrors : ResultsEvent::TestedViewAsked);

        tested_ = new RecordTableModel(*log, RecordSet::All, this);
        SetModel(grid3_, tested_);
        contexts_ = BlockContexts{};
        testedCount_ = tested_->rowCount();
        testedPath_ = LastPath(*log);
        grid3_->SetCaption(QStringLiteral("%1 Record(s) Tested").arg(testedCount_));
        grid3_->SetColumnWidths({800, 800}, 2);
        connect(grid3_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
                [this](const QModelIndex& current) {
                    if (const std::int64_t recNum = tested_->RecNumAt(current.row())) ViewFile(recNum);
                });

        ShowErrorsView(false);
        viewer_->UnloadLabels();
        show();
        ShowTestedView(true);
        emit happened(ResultsEvent::TestedViewShown);
        busy.Release();
        grid3_->setFocus();
        grid3_->setCurrentIndex(tested_->index(0, 0));
    } catch (const std::exception& failure) {
        ShowFailure(failure);
    }
}

void ResultsView::ViewFile(std::int64_t recNum) {
    if (!tested_) return;
    try {
        const std::optional<RecordView> view = ViewRecord(tested_->Log(), recNum, contexts_);
        if (!view) return;
        viewer_->Show(*view);
        ShowErrorsView(false);
        emit happened(ResultsEvent::RecordShown);
        const auto name = FileNameOf(testedPath_);
        (*window()).setWindowTitle(QStringLiteral("Record Number %1 of %2 Tested Record(s) - %3")
                                   .arg(recNum)
                                   .arg(testedCount_)
                                   .arg(name ? *name : QString::fromStdString(testedPath_)));
    } catch (const std::exception& failure) {
        ShowFailure(failure);
    }
}

void ResultsView::cmdLast_Click() {
    emit happened(ResultsEvent::LastResultsAsked);
    try {
        std::optional<LogReader> log = OpenLog();
        if (!log) {
            host_.Services().Message("No Report Found!", "Results", MsgIcon::Information, MsgButtons::Ok);
            emit happened(ResultsEvent::NoLastResults);
            return;
        }
        if (log->LastRecNum() == 0) {
            host_.Services().Message(
                "Unreadable data was found in the last File tested!\r\n"
                "Please check to make sure that File entered contains ASCII Text only.",
                "Results", MsgIcon::Exclamation, MsgButtons::Ok);
            emit happened(ResultsEvent::LastResultsUnreadable);
            return;
        }
        std::string files;
        for (const MiscRow& row : log->Misc()) files += (files.empty() ? "" : "; ") + row.pathUtf8;
        // A run that never wrote its end (the program was killed, the computer went down):
        // what it kept is shown, never as a finished run.
        const bool interrupted = TellIfInterrupted(*log);
        if (log->ErrorCount() > 0) {
            cmdGrid_Click();
            emit happened(ResultsEvent::LastResultsShown);
        } else {
            if (!interrupted)
                host_.Services().MessageUtf8("No errors found in " + files, "Last Report Results",
                                             MsgIcon::Information, MsgButtons::Ok);
            emit happened(ResultsEvent::LastResultsClean);
        }
    } catch (const std::exception& failure) {
        ShowFailure(failure);
        emit happened(ResultsEvent::LastResultsShown);
    }
}

bool ResultsView::LogHasErrors() const {
    try {
        const std::optional<LogReader> log = OpenLog();
        return log && log->ErrorCount() > 0;
    } catch (const std::exception&) {
        return false;
    }
}

bool ResultsView::TellIfInterrupted(const LogReader& log) {
    if (!log.RunInProgress()) return false;
    host_.Services().Message(InterruptedRunMessage(log.LastRecNum()),
                               "Testing Did Not Finish", MsgIcon::Exclamation, MsgButtons::Ok);
    return true;
}

bool ResultsView::ErrorsToReport() {
    try {
        if (LogHasErrors()) return true;
        if (const std::optional<LogReader> log = OpenLog(); log && TellIfInterrupted(*log)) return false;
        host_.Services().Message("No errors found in the submission!", "Results", MsgIcon::Information,
                                   MsgButtons::Ok);
    } catch (const std::exception& failure) {
        ShowFailure(failure);
    }
    return false;
}

bool ResultsView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == critError_ && event->type() == QEvent::FocusIn) {
        // The whole sentence selected, the caret at its start.
        QTextCursor cursor(critError_->document());
        cursor.movePosition(QTextCursor::End);
        cursor.setPosition(0, QTextCursor::KeepAnchor);
        critError_->setTextCursor(cursor);
    } else if (watched == critError_ && event->type() == QEvent::FocusOut &&
               static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) {
        // Focus gone elsewhere: no selection left highlighted, the caret at the start.
        QTextCursor cursor = critError_->textCursor();
        cursor.clearSelection();
        cursor.setPosition(0);
        critError_->setTextCursor(cursor);
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace quorvex
