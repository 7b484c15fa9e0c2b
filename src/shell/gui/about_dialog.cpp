#include "shell/gui/about_dialog.h"

#include <QDialogButtonBox>
#include <QFontMetrics>
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

int TitleWidth(const QString& title, const QFont& font) {
    return QFontMetrics(font).horizontalAdvance(title) * 5 / 4 + 160;
}

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About Quorvex / Tax Year %1").arg(kTaxYear));
    setModal(true);

    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    auto* logo = new QLabel(this);
    logo->setObjectName(QStringLiteral("imgLogo"));
    logo->setPixmap(AgencyLogo(96));
    logo->setAccessibleName(tr("Orvanta logo"));
    row->addWidget(logo, 0, Qt::AlignTop);
    auto* text = new QLabel(AboutText(), this);
    text->setObjectName(QStringLiteral("lblAbout"));
    text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    row->addWidget(text, 1);
    layout->addLayout(row);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
    // Wide enough for the whole title beside the title bar's icon and buttons, which the
    // window manager draws in a font of its own, often bolder than ours.
    QFont titleFont = font();
    titleFont.setBold(true);
    layout->addItem(new QSpacerItem(TitleWidth(windowTitle(), titleFont), 0, QSizePolicy::Fixed, QSizePolicy::Minimum));
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace quorvex
