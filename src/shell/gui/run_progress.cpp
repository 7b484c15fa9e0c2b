#include "shell/gui/run_progress.h"

#include <algorithm>

#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

namespace quorvex {

namespace {
constexpr int kProgressSteps = 1000;
}  // namespace

RunProgress::RunProgress(QWidget* central, QVBoxLayout* column) {
    recCtr_ = new QLabel(central);
    recCtr_->setObjectName(QStringLiteral("lblRecCtr"));
    recCtr_->setMinimumWidth(260);
    bar_ = new QProgressBar(central);
    bar_->setObjectName(QStringLiteral("lblPrgrss1"));
    bar_->setRange(0, kProgressSteps);
    bar_->setTextVisible(false);
    bar_->setAccessibleName(QCoreApplication::translate("quorvex::MainWindow", "Progress through the file"));
    column->addWidget(recCtr_);
    column->addWidget(bar_);
}

void RunProgress::Keep(std::int64_t recCtr, std::int64_t recordsInFile, std::uint64_t fileLength) {
    record_ = recCtr;
    inFile_ = recordsInFile;
    fileLength_ = fileLength;
    dirty_ = true;
}

void RunProgress::Draw() {
    if (!dirty_) {
        // A yield without a record handled since the last one: the input keeps the run
        // waiting (a pipe that pauses). Once it has waited a while the bar says it is busy.
        if (stillDraws_ < kStillDraws && ++stillDraws_ == kStillDraws) ShowBar();
        return;
    }
    dirty_ = false;
    stillDraws_ = 0;
    recCtr_->setText(QStringLiteral("Processing Record Number: %1").arg(record_));
    recCtr_->show();
    ShowBar();
    // Painted before the events of the yield are handled: Exit chosen now stops the run on
    // the number the user sees.
    recCtr_->repaint();
}

void RunProgress::ShowBar() {
    const bool shown = bar_->isVisible();
    bar_->show();
    const int before = bar_->value();
    const int maximumBefore = bar_->maximum();
    // The share of the file read; a busy bar (no maximum) while the total is not known (a
    // pipe) or nothing moves.
    if (fileLength_ > 512 && stillDraws_ < kStillDraws) {
        const double recordsInFile = double(fileLength_) / 512.0;
        const double share = double(inFile_) / recordsInFile;
        bar_->setRange(0, kProgressSteps);
        bar_->setValue(int(std::min(1.0, std::max(0.0, share)) * kProgressSteps));
    } else {
        bar_->setRange(0, 0);
    }
    // The bar moves a thousandth of the file at a time: it is painted again only when it has
    // moved (this is done a hundred times a second).
    if (!shown || bar_->value() != before || bar_->maximum() != maximumBefore) bar_->repaint();
}

void RunProgress::Hide() {
    Conceal();
    stillDraws_ = 0;
    bar_->setRange(0, kProgressSteps);
    bar_->setValue(0);
}

void RunProgress::Conceal() {
    recCtr_->hide();
    bar_->hide();
}

}  // namespace quorvex
