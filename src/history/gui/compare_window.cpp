#include "history/gui/compare_window.h"

#include <set>

#include <QApplication>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>

#include "common/gui/text_codec.h"
#include "common/text_1252.h"
#include "common/gui/window_place.h"
#include "history/gui/history_models.h"
#include "results/gui/record_viewer.h"
#include "results/gui/result_grid.h"

namespace quorvex {

namespace {

QString RunName(const HistoryRun& run) {
    return QStringLiteral("run %1 (%2, %3, %4)")
        .arg(run.id)
        .arg(QString::fromStdString(run.when), QString::fromStdString(run.Submission()),
             QString::fromStdString(run.outcome));
}

// Whether the error log holds run `run`, the newest of the history: the same files,
// in the same order, and as many records.
bool LogIsRun(const LogReader& log, const HistoryRun& run) {
    const std::vector<MiscRow> misc = log.Misc();
    if (misc.size() != run.files.size() || log.RunInProgress()) return false;
    for (std::size_t i = 0; i < misc.size(); ++i)
        if (misc[i].pathUtf8 != ValidUtf8(run.files[i].name)) return false;  // the history keeps the name's bytes
    return log.RecordCount() == run.records;
}

}  // namespace

CompareWindow::CompareWindow(std::filesystem::path programFolder, QWidget* owner)
    : QWidget(owner, Qt::Window), folder_(std::move(programFolder)) {
    setObjectName(QStringLiteral("frmCompare"));
    InstallWindowAccessibility();
    setWindowTitle(tr("Compare Runs"));
    auto* outer = new QVBoxLayout(this);

    runs_ = new QLabel(this);
    runs_->setObjectName(QStringLiteral("lblRuns"));
    runs_->setWordWrap(true);
    runs_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    counts_ = new QLabel(this);
    counts_->setObjectName(QStringLiteral("lblCounts"));
    QFont bold = counts_->font();
    bold.setBold(true);
    counts_->setFont(bold);
    outer->addWidget(runs_);
    outer->addWidget(counts_);

    auto* filterRow = new QHBoxLayout;
    auto* show = new QLabel(tr("Show:"), this);
    filterRow->addWidget(show);
    const QString captions[] = {tr("&Fixed"), tr("&New"), tr("&Still")};
    const char* names[] = {"chkFixed", "chkNew", "chkStill"};
    for (std::size_t i = 0; i < filters_.size(); ++i) {
        filters_[i] = new QCheckBox(captions[i], this);
        filters_[i]->setObjectName(QString::fromLatin1(names[i]));
        filters_[i]->setChecked(true);
        connect(filters_[i], &QCheckBox::toggled, this, &CompareWindow::ApplyFilter);
        filterRow->addWidget(filters_[i]);
    }
    filterRow->addStretch(1);
    outer->addLayout(filterRow);

    // The findings and the record of the one selected side by side; the user moves the
    // line between them.
    auto* body = new QSplitter(Qt::Horizontal, this);
    body->setObjectName(QStringLiteral("splitCompare"));
    body->setChildrenCollapsible(false);
    auto* gridPanel = new QWidget(body);
    auto* gridColumn = new QVBoxLayout(gridPanel);
    gridColumn->setContentsMargins(0, 0, 0, 0);
    grid_ = new ResultGrid(QStringLiteral("grdCompare"), gridPanel);
    grid_->SetCaption(tr("Findings"));
    grid_->FitToContents(5, 40);  // the references whole, as far as the window allows
    gridColumn->addWidget(grid_->CaptionLabel());
    gridColumn->addWidget(grid_, 1);
    auto* viewerPanel = new QWidget(body);
    auto* viewerColumn = new QVBoxLayout(viewerPanel);
    viewerColumn->setContentsMargins(0, 0, 0, 0);
    recordLine_ = new QLabel(viewerPanel);
    recordLine_->setObjectName(QStringLiteral("lblRecord"));
    recordLine_->setWordWrap(true);
    viewer_ = new RecordViewer(viewerPanel);
    viewer_->setObjectName(QStringLiteral("viewer"));
    viewerColumn->addWidget(recordLine_);
    viewerColumn->addWidget(viewer_, 1);
    body->addWidget(gridPanel);
    body->addWidget(viewerPanel);
    body->setStretchFactor(0, 3);
    body->setStretchFactor(1, 2);
    body->setSizes({700, 460});
    outer->addWidget(body, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    close_ = new QPushButton(tr("&Close"), this);
    close_->setObjectName(QStringLiteral("cmdClose"));
    connect(close_, &QPushButton::clicked, this, &QWidget::close);
    buttons->addWidget(close_);
    outer->addLayout(buttons);

    // Enter (or a double click) on a finding goes into the fields of its record.
    connect(grid_, &QAbstractItemView::activated, this, [this] {
        viewer_->Enter();
    });
    resize(1180, 700);
}

CompareWindow::~CompareWindow() = default;

void CompareWindow::Compare(const RunHistory& history, const HistoryRun& a, const HistoryRun& b) {
    Comparison c = CompareRuns(history.Findings(a.id), history.Findings(b.id));
    const std::vector<HistoryRun> newest = history.NewestRuns(0, 1);

    setWindowTitle(tr("Compare Runs - run %1 against run %2").arg(b.id).arg(a.id));
    runs_->setText(tr("Run %1 against %2").arg(RunName(b).mid(4), RunName(a)));
    counts_->setText(tr("Fixed: %1   New: %2   Still: %3")
                         .arg(c.Count(FindingStatus::Fixed))
                         .arg(c.Count(FindingStatus::New))
                         .arg(c.Count(FindingStatus::Still)));
    counts_->setAccessibleName(counts_->text());

    QAbstractItemModel* oldModel = grid_->model();
    QItemSelectionModel* oldSelection = grid_->selectionModel();
    model_ = new ComparisonModel(std::move(c), a.id, b.id, this);
    grid_->setModel(model_);
    delete oldSelection;
    delete oldModel;
    grid_->SetColumnWidths({750, 750, 1150, 600, 2000, 0, 0}, 7);
    connect(grid_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { ShowRecordOf(current.row()); });

    // The field viewer reads the log only when it is run B's.
    runB_ = b.id;
    log_.reset();
    contexts_ = BlockContexts{};
    try {
        if (!newest.empty() && newest.front().id == b.id)
            if (auto log = LogReader::OpenIn(folder_); log && LogIsRun(*log, b)) log_ = std::move(log);
    } catch (const std::exception&) {
        // A log that cannot be read shows no records; the comparison stands without it.
    }
    FindRecords();
    for (QCheckBox* box : filters_) {
        const QSignalBlocker quiet(box);
        box->setChecked(true);
    }
    ApplyFilter();
}

void CompareWindow::ApplyFilter() {
    if (!model_) return;
    model_->SetShown({filters_[0]->isChecked(), filters_[1]->isChecked(), filters_[2]->isChecked()});
    grid_->SetCaption(tr("%1 Finding(s) Shown").arg(model_->rowCount()));
    grid_->FitColumns();
    if (model_->rowCount() > 0) {
        grid_->setCurrentIndex(model_->index(0, 0));
    } else {
        ShowRecordOf(-1);
    }
}

void CompareWindow::FindRecords() {
    if (!log_) return;
    // The records of the fixed findings without a finding left in B, in one pass over its log.
    std::set<RecordKey> wanted;
    for (int row = 0; row < model_->rowCount(); ++row)
        if (const ComparedFinding* f = model_->FindingAt(row);
            f->status == FindingStatus::Fixed && !model_->RecordInB(row))
            wanted.insert(RecordKey{f->finding.type, f->finding.key, f->finding.occurrence});
    std::map<RecordKey, std::int64_t> found;
    if (!wanted.empty()) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        try {
            found = LocateRecords(*log_, std::move(wanted));
        } catch (const std::exception&) {
            // A log that cannot be read shows no records; the comparison stands without them.
        }
        QApplication::restoreOverrideCursor();
    }
    model_->SetRecordsFound(found);
}

QString CompareWindow::NotThisRun() const {
    return tr("The error log holds no record of run %1: it is the log of another run.").arg(runB_);
}

void CompareWindow::ShowRecordOf(int row) {
    const ComparedFinding* f = model_ ? model_->FindingAt(row) : nullptr;
    const std::optional<std::int64_t> recNum = model_ ? model_->RecordInB(row) : std::nullopt;
    viewer_->UnloadLabels();
    // Without run B's log the viewer has nothing to show: the notice stands alone.
    viewer_->setVisible(log_.has_value());
    if (!f) {
        recordLine_->setText(QString());
    } else if (!log_) {
        recordLine_->setText(NotThisRun());
    } else if (!recNum) {
        recordLine_->setText(tr("The record is not in run %1.").arg(runB_));
    } else {
        const std::int64_t n = recNum.value_or(0);
        try {
            if (const std::optional<RecordView> view = ViewRecord(*log_, n, contexts_)) {
                viewer_->Show(*view);
                recordLine_->setText(tr("Record Number %1 of run %2").arg(n).arg(runB_));
            }
        } catch (const std::exception& e) {
            recordLine_->setText(MessageText(e.what()));
        }
    }
    recordLine_->setAccessibleName(recordLine_->text());
}

void CompareWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace quorvex
