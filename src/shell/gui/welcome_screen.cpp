#include "shell/gui/welcome_screen.h"

#include <QCoreApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "shell/gui/logo.h"
#include "shell/gui/main_window.h"

namespace quorvex {

namespace {

// The texts are the main window's.
QString Tr(const char* text) { return QCoreApplication::translate("quorvex::MainWindow", text); }

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

}  // namespace

WelcomeScreen::WelcomeScreen(QWidget* central, QVBoxLayout* column) {
    auto* welcomeRow = new QHBoxLayout;
    logo_ = new QLabel(central);
    logo_->setObjectName(QStringLiteral("imgLogo"));
    logo_->setPixmap(AgencyLogo(140));
    logo_->setAccessibleName(Tr("Orvanta logo"));
    logo_->setAccessibleDescription(Tr("The mark of Orvanta: a shield with a ledger and a check mark"));
    welcomeRow->addWidget(logo_, 0, Qt::AlignTop);
    welcome_ = new QLabel(central);
    welcome_->setObjectName(QStringLiteral("lblWelcome"));
    QFont welcomeFont = welcome_->font();
    welcomeFont.setPointSizeF(welcomeFont.pointSizeF() * 1.6);
    welcomeFont.setBold(true);
    welcome_->setFont(welcomeFont);
    welcomeRow->addWidget(welcome_, 1, Qt::AlignVCenter);
    column->addLayout(welcomeRow);

    disclosureFrame_ = new QFrame(central);
    disclosureFrame_->setObjectName(QStringLiteral("shpFrame"));
    disclosureFrame_->setFrameShape(QFrame::StyledPanel);
    auto* frameLayout = new QVBoxLayout(disclosureFrame_);
    disclosure_ = new QPlainTextEdit(disclosureFrame_);
    disclosure_->setObjectName(QStringLiteral("txtDisclosure"));
    disclosure_->setReadOnly(true);
    disclosure_->setTabChangesFocus(true);
    disclosure_->setAccessibleName(Tr("DISCLAIMER STATEMENT"));
    disclosure_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    disclosure_->setMaximumHeight(disclosure_->fontMetrics().lineSpacing() * 9);
    frameLayout->addWidget(disclosure_);
    column->addWidget(disclosureFrame_, 0);
}

void WelcomeScreen::Load() {
    welcome_->setText(WelcomeText());
    welcome_->setAccessibleName(WelcomeText().simplified());
    disclosure_->setPlainText(DisclosureText());
    QTextCursor cursor = disclosure_->textCursor();
    cursor.setPosition(2);
    disclosure_->setTextCursor(cursor);
}

void WelcomeScreen::Show(bool shown) {
    logo_->setVisible(shown);
    welcome_->setVisible(shown);
}

void WelcomeScreen::HideDisclosure() { disclosureFrame_->hide(); }

}  // namespace quorvex
