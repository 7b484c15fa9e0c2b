#include "shell/gui/help_window.h"

#include <algorithm>

#include <QAccessible>
#include <QAccessibleWidget>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTextBrowser>
#include <QTextCursor>
#include <QUrl>
#include <QVBoxLayout>

#include "common/gui/window_place.h"

// The help pages are compiled into the static GUI library; their resources must be
// registered by hand, as the linker does not keep an unreferenced initialiser.
static void InitHelpResources() { Q_INIT_RESOURCE(resources); }

namespace quorvex {

namespace {

const char* const kHomePage = "qrc:/help/Welcome.htm";

// The help page: a read-only document with a caret that the arrow keys move (for reading
// line by line and selecting); Tab and Shift+Tab go from link to link and, past the last
// one, on to the window's buttons.
class HelpBrowser : public QTextBrowser {
public:
    explicit HelpBrowser(QWidget* parent) : QTextBrowser(parent) {
        setObjectName(QStringLiteral("helpBrowser"));
        setTextInteractionFlags(Qt::TextBrowserInteraction | Qt::TextSelectableByKeyboard);
    }
};

// What a screen reader meets in the help page: a document, read-only, with its text, caret
// and selection, so that the reader offers its reading mode.
class HelpDocument : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit HelpDocument(QTextBrowser* page) : QAccessibleWidget(page, QAccessible::Document) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.readOnly = s.multiLine = s.selectableText = true;
        return s;
    }
    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Value ? Page()->toPlainText() : QAccessibleWidget::text(t);
    }

    void selection(int index, int* start, int* end) const override {
        const QTextCursor c = Page()->textCursor();
        const bool has = index == 0 && c.hasSelection();
        *start = has ? c.selectionStart() : 0;
        *end = has ? c.selectionEnd() : 0;
    }
    int selectionCount() const override { return Page()->textCursor().hasSelection() ? 1 : 0; }
    void addSelection(int start, int end) override { setSelection(0, start, end); }
    void removeSelection(int) override {
        QTextCursor c = Page()->textCursor();
        c.clearSelection();
        Page()->setTextCursor(c);
    }
    void setSelection(int, int start, int end) override { Page()->setTextCursor(Range(start, end)); }
    int cursorPosition() const override { return Page()->textCursor().position(); }
    void setCursorPosition(int position) override { Page()->setTextCursor(Range(position, position)); }
    QString text(int start, int end) const override {
        return Range(start, end).selectedText().replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    }
    int characterCount() const override { return std::max(0, Page()->document()->characterCount() - 1); }
    QRect characterRect(int offset) const override {
        const QRect caret = Page()->cursorRect(Range(offset, offset));
        return QRect(Page()->viewport()->mapToGlobal(caret.topLeft()), caret.size());
    }
    int offsetAtPoint(const QPoint& point) const override {
        return Page()->cursorForPosition(Page()->viewport()->mapFromGlobal(point)).position();
    }
    void scrollToSubstring(int start, int end) override {
        Page()->setTextCursor(Range(start, end));
        Page()->ensureCursorVisible();
    }
    QString attributes(int offset, int* start, int* end) const override {
        *start = offset;
        *end = offset + 1;
        return {};
    }

private:
    QTextBrowser* Page() const { return static_cast<QTextBrowser*>(widget()); }
    QTextCursor Range(int start, int end) const {
        QTextCursor c(Page()->document());
        const int last = characterCount();
        c.setPosition(std::clamp(start, 0, last));
        c.setPosition(std::clamp(end, 0, last), QTextCursor::KeepAnchor);
        return c;
    }
};

QAccessibleInterface* HelpDocumentFor(const QString&, QObject* object) {
    auto* page = qobject_cast<QTextBrowser*>(object);
    return page && page->objectName() == QLatin1String("helpBrowser") ? new HelpDocument(page) : nullptr;
}

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

    static const bool readable = (QAccessible::installFactory(&HelpDocumentFor), true);
    (void)readable;
    browser_ = new HelpBrowser(this);
    browser_->setAccessibleName(windowTitle());
    browser_->setAccessibleDescription(tr("Tab goes from link to link"));
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
