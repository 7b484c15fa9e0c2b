#include "report/gui/report_option_dialog.h"

#include <algorithm>

#include <QCheckBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>

namespace quorvex {

frmReportOption::frmReportOption(ReportChoice current, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmReportOption"));
    setWindowTitle(tr("Report Option"));
    auto* frame = new QGroupBox(tr("Error Report"), this);
    text_ = new QRadioButton(tr("&Text"), frame);
    text_->setObjectName(QStringLiteral("optReport0"));
    html_ = new QRadioButton(tr("&HTML"), frame);
    html_->setObjectName(QStringLiteral("optReport1"));
    auto* choices = new QVBoxLayout(frame);
    choices->addWidget(text_);
    choices->addWidget(html_);
    (current.type == kHtmlReport ? html_ : text_)->setChecked(true);
    hideSsns_ = new QCheckBox(tr("Hide &SSNs"), frame);
    hideSsns_->setObjectName(QStringLiteral("chkHideSsns"));
    hideSsns_->setToolTip(tr("Shows every SSN of the report as its last four digits (*****6789)"));
    hideSsns_->setChecked(current.hideSsns);
    choices->addWidget(hideSsns_);

    auto* ok = new QPushButton(tr("&OK"), this);
    ok->setObjectName(QStringLiteral("OKButton"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(tr("&Cancel"), this);
    cancel->setObjectName(QStringLiteral("CancelButton"));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addStretch(1);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(frame, 1);
    layout->addLayout(buttons);
    // Wide enough for its own title: the title bar's font is larger than the dialog's, and
    // the bar holds the window's buttons beside it.
    QFont titleFont = font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.25);
    titleFont.setBold(true);
    setMinimumWidth(std::max(layout->minimumSize().width(),
                             QFontMetrics(titleFont).horizontalAdvance(windowTitle()) + 120));
}

ReportFormat frmReportOption::ReportType() const { return html_->isChecked() ? kHtmlReport : kTextReport; }

ReportChoice frmReportOption::Choice() const { return {ReportType(), hideSsns_->isChecked()}; }

void frmReportOption::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Centred on the screen, not on the window that opened it.
    if (const QScreen* screen = this->screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

}  // namespace quorvex
