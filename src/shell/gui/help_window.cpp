#include "shell/gui/help_window.h"

#include <algorithm>

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

// The help pages are compiled into the static GUI library; their resources must be
// registered by hand, as the linker does not keep an unreferenced initialiser.
static void InitHelpResources() { Q_INIT_RESOURCE(resources); }

namespace quorvex {

namespace {
const char* const kHomePage = "qrc:/help/Welcome.htm";
}

HelpWindow::HelpWindow(QWidget* owner) : QWidget(owner, Qt::Window) {
    InitHelpResources();
    setObjectName(QStringLiteral("frmHelp"));
    setWindowTitle(tr("Quorvex Help"));

    auto* layout = new QVBoxLayout(this);
    auto* bar = new QHBoxLayout;
    auto* back = new QPushButton(tr("&Back"), this);
    auto* forward = new QPushButton(tr("&Forward"), this);
    auto* home = new QPushButton(tr("&Home"), this);
    bar->addWidget(back);
    bar->addWidget(forward);
    bar->addWidget(home);
    bar->addStretch(1);
    layout->addLayout(bar);

    browser_ = new QTextBrowser(this);
    browser_->setObjectName(QStringLiteral("helpBrowser"));
    browser_->setAccessibleName(windowTitle());
    browser_->setOpenExternalLinks(true);
    browser_->setSource(QUrl(QString::fromLatin1(kHomePage)));
    layout->addWidget(browser_);

    back->setEnabled(false);
    forward->setEnabled(false);
    connect(back, &QPushButton::clicked, browser_, &QTextBrowser::backward);
    connect(forward, &QPushButton::clicked, browser_, &QTextBrowser::forward);
    connect(home, &QPushButton::clicked, this, &HelpWindow::ShowHome);
    connect(browser_, &QTextBrowser::backwardAvailable, back, &QPushButton::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward, &QPushButton::setEnabled);
    resize(640, 560);
}

void HelpWindow::keyPressEvent(QKeyEvent* event) {
    // Escape closes the help as it closes every dialog.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void HelpWindow::PlaceOnScreen() {
    const QWidget* owner = parentWidget();
    QScreen* screen = owner && owner->screen() ? owner->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    // Over the middle of the main window, and all of it on the screen: the frame the
    // window manager adds is allowed for.
    const QRect available = screen->availableGeometry();
    const QSize frame(16, 48);
    const QSize size = QSize(640, 560).boundedTo(available.size() - frame);
    resize(size);
    QRect place(QPoint(), size + frame);
    place.moveCenter(owner ? owner->frameGeometry().center() : available.center());
    place.moveLeft(std::clamp(place.left(), available.left(), std::max(available.left(), available.right() + 1 - place.width())));
    place.moveTop(std::clamp(place.top(), available.top(), std::max(available.top(), available.bottom() + 1 - place.height())));
    move(place.topLeft());
}

void HelpWindow::ShowHome() {
    browser_->setSource(QUrl(QString::fromLatin1(kHomePage)));
    if (!isVisible()) PlaceOnScreen();
    show();
    raise();
    activateWindow();
}

}  // namespace quorvex
