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
    if (!dirty_) return;
    dirty_ = false;
    recCtr_->setText(QStringLiteral("Processing Record Number: %1").arg(record_));
    recCtr_->show();
    const bool shown = bar_->isVisible();
    bar_->show();
    const int before = bar_->value();
    if (fileLength_ > 512) {
        const double recordsInFile = double(fileLength_) / 512.0;
        const double share = double(inFile_) / recordsInFile;
        bar_->setValue(int(std::min(1.0, std::max(0.0, share)) * kProgressSteps));
    } else {
        bar_->setValue(0);
    }
    // Painted before the events of the yield are handled: Exit chosen now stops the run
    // on the number the user sees. The bar moves a thousandth of the file at a time: it is
    // painted again only when it has moved (this is done a hundred times a second).
    recCtr_->repaint();
    if (!shown || bar_->value() != before) bar_->repaint();
}

void RunProgress::Hide() {
    Conceal();
    bar_->setValue(0);
}

void RunProgress::Conceal() {
    recCtr_->hide();
    bar_->hide();
}

}  // namespace quorvex
