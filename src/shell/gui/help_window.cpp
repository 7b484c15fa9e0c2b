#include "shell/gui/help_window.h"

#include <algorithm>

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "common/gui/window_place.h"

// The help pages are compiled into the static GUI library; their resources must be
// registered by hand, as the linker does not keep an unreferenced initialiser.
static void InitHelpResources() { Q_INIT_RESOURCE(resources); }

namespace quorvex {

namespace {

const char* const kHomePage = "qrc:/help/Welcome.htm";

// The help page. Tab and Shift+Tab go on to the window's buttons (Back, Forward, Home), as
// from every other control; Ctrl+Tab and Ctrl+Shift+Tab go from link to link in the page.
class HelpBrowser : public QTextBrowser {
public:
    using QTextBrowser::QTextBrowser;

protected:
    bool event(QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
                const bool next = key->key() == Qt::Key_Tab && !(key->modifiers() & Qt::ShiftModifier);
                if (key->modifiers() & Qt::ControlModifier) return QTextBrowser::focusNextPrevChild(next);
                return QWidget::focusNextPrevChild(next);
            }
        }
        return QTextBrowser::event(event);
    }
};

}  // namespace

HelpWindow::HelpWindow(QWidget* owner) : QWidget(owner, Qt::Window) {
    InitHelpResources();
    setObjectName(QStringLiteral("frmHelp"));
    InstallWindowAccessibility();
    setWindowTitle(tr("Quorvex Help"));

    auto* layout = new QVBoxLayout(this);
    auto* bar = new QHBoxLayout;
    auto* back = new QPushButton(tr("&Back"), this);
    auto* forward = new QPushButton(tr("&Forward"), this);
    auto* home = new QPushButton(tr("&Home"), this);
    back->setObjectName(QStringLiteral("cmdBack"));
    forward->setObjectName(QStringLiteral("cmdForward"));
    home->setObjectName(QStringLiteral("cmdHome"));
    bar->addWidget(back);
    bar->addWidget(forward);
    bar->addWidget(home);
    bar->addStretch(1);
    layout->addLayout(bar);

    browser_ = new HelpBrowser(this);
    browser_->setObjectName(QStringLiteral("helpBrowser"));
    browser_->setAccessibleName(windowTitle());
    browser_->setAccessibleDescription(tr("Ctrl+Tab goes from link to link"));
    browser_->verticalScrollBar()->setAccessibleName(tr("Help lines"));
    browser_->horizontalScrollBar()->setAccessibleName(tr("Help columns"));
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
    // Over the middle of the main window, and all of it on the screen.
    const QWidget* owner = parentWidget();
    resize(640, 560);
    quorvex::PlaceOnScreen(*this, owner ? owner->frameGeometry().center() : std::optional<QPoint>());
}

void HelpWindow::ShowHome() {
    browser_->setSource(QUrl(QString::fromLatin1(kHomePage)));
    if (!isVisible()) PlaceOnScreen();
    show();
    raise();
    activateWindow();
}

}  // namespace quorvex
