#include "shell/gui/about_dialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "shell/gui/logo.h"
#include "shell/gui/main_window.h"

namespace quorvex {

QString AboutText() {
    return QStringLiteral("Product Name: \nQuorvex\n"
                          "Major version number:  %1\n"
                          "Minor version number:  %2\n"
                          "Revision number:  %3")
        .arg(QUORVEX_VERSION_MAJOR)
        .arg(QUORVEX_VERSION_MINOR)
        .arg(QUORVEX_VERSION_PATCH);
}

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About Quorvex / Tax Year %1").arg(kTaxYear));
    setModal(true);

    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    auto* logo = new QLabel(this);
    logo->setPixmap(AgencyLogo(96));
    row->addWidget(logo, 0, Qt::AlignTop);
    auto* text = new QLabel(AboutText(), this);
    text->setObjectName(QStringLiteral("lblAbout"));
    text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    row->addWidget(text, 1);
    layout->addLayout(row);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace quorvex
