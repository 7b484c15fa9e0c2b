#include "history/gui/run_history_window.h"

#include <algorithm>
#include <climits>

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/gui/window_place.h"
#include "history/gui/history_models.h"
#include "results/gui/result_grid.h"

namespace quorvex {

RunHistoryWindow::RunHistoryWindow(QWidget* owner) : QWidget(owner, Qt::Window) {
    setObjectName(QStringLiteral("frmHistory"));
    InstallWindowAccessibility();
    setWindowTitle(tr("Run History"));
    auto* outer = new QVBoxLayout(this);
    hint_ = new QLabel(tr("Select two runs and click Compare to see which findings were fixed, which are new and "
                          "which are still there (Shift with the arrow keys selects from one run to another). "
                          "One run selected is compared with the run before it."),
                       this);
    hint_->setObjectName(QStringLiteral("lblHint"));
    hint_->setWordWrap(true);
    outer->addWidget(hint_);
    grid_ = new ResultGrid(QStringLiteral("grdRuns"), this);
    grid_->SetCaption(tr("Runs"));
    grid_->horizontalHeader()->setStretchLastSection(true);  // the files take the rest of the width
    outer->addWidget(grid_->CaptionLabel());
    outer->addWidget(grid_, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    compare_ = new QPushButton(tr("C&ompare"), this);
    compare_->setObjectName(QStringLiteral("cmdCompare"));
    compare_->setEnabled(false);
    close_ = new QPushButton(tr("&Close"), this);
    close_->setObjectName(QStringLiteral("cmdClose"));
    buttons->addWidget(compare_);
    buttons->addWidget(close_);
    outer->addLayout(buttons);
    connect(compare_, &QPushButton::clicked, this, &RunHistoryWindow::CompareSelected);
    connect(close_, &QPushButton::clicked, this, &QWidget::close);
    connect(grid_, &QAbstractItemView::activated, this, &RunHistoryWindow::CompareSelected);
    resize(900, 480);
}

void RunHistoryWindow::Load(const std::filesystem::path& history) {
    auto* model = new RunListModel(history, this);
    QAbstractItemModel* oldModel = grid_->model();
    QItemSelectionModel* oldSelection = grid_->selectionModel();
    model_ = model;
    grid_->setModel(model_);
    delete oldSelection;
    delete oldModel;
    connect(model_, &RunListModel::historyFailed, this, &RunHistoryWindow::historyFailed);
    connect(grid_->selectionModel(), &QItemSelectionModel::selectionChanged, this, &RunHistoryWindow::UpdateButtons);
    grid_->SetCaption(tr("%1 Run(s) Kept, Newest First").arg(model_->rowCount()));
    grid_->SetColumnWidths({600, 2200, 1300, 900, 1100, 900}, -1);
    grid_->FitColumns();
    if (model_->rowCount() > 0) grid_->setCurrentIndex(model_->index(0, 0));
    UpdateButtons();
}

void RunHistoryWindow::UpdateButtons() {
    compare_->setEnabled(grid_->selectionModel() && grid_->selectionModel()->hasSelection());
}

void RunHistoryWindow::CompareSelected() {
    if (!model_ || !grid_->selectionModel()) return;
    // Rows are newest first: the top selected row is run B, the bottom one run A.
    int top = INT_MAX, bottom = -1;
    for (const QItemSelectionRange& range : grid_->selectionModel()->selection()) {
        top = std::min(top, range.top());
        bottom = std::max(bottom, range.bottom());
    }
    const HistoryRun* b = model_->RunAt(top);
    const HistoryRun* a = bottom != top ? model_->RunAt(bottom) : nullptr;
    if (!b) return;
    emit compareRuns(a ? a->id : 0, b->id);
}

void RunHistoryWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace quorvex
