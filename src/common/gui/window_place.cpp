#include "common/gui/window_place.h"

#include <algorithm>

#include <QAccessible>
#include <QAccessibleWidget>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace quorvex {

namespace {

// The frame around `window`: as the window manager drew it once shown, never less than the
// allowance (a frame not drawn yet measures nothing).
QSize FrameOf(const QWidget& window) {
    return (window.frameGeometry().size() - window.size()).expandedTo(kFrameAllowance);
}

QAccessibleInterface* WindowInterface(const QString& className, QObject* object) {
    auto* widget = qobject_cast<QWidget*>(object);
    // Only the windows of this program, made of a plain widget: Qt's own (menus, dialogs) and
    // the main window have their own roles.
    if (!widget || !widget->isWindow() || !className.startsWith(QLatin1String("quorvex::")) ||
        className != QLatin1String(object->metaObject()->className()) ||
        object->metaObject()->superClass() != &QWidget::staticMetaObject)
        return nullptr;
    return new QAccessibleWidget(widget, QAccessible::Window);
}

}  // namespace

void PlaceOnScreen(QWidget& window, std::optional<QPoint> center) {
    // The screen the window is to open on: where its middle goes, else where it is now.
    const QScreen* screen = QGuiApplication::screenAt(center ? *center : window.frameGeometry().center());
    if (!screen) screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    if (!screen || window.isMaximized() || window.isFullScreen()) return;
    const QRect available = screen->availableGeometry();
    const QSize frame = FrameOf(window);
    window.resize(window.size().boundedTo(available.size() - frame).expandedTo(window.minimumSize()));
    QRect place(window.frameGeometry().topLeft(), window.size() + frame);
    if (center) place.moveCenter(*center);
    place.moveLeft(
        std::clamp(place.left(), available.left(), std::max(available.left(), available.right() + 1 - place.width())));
    place.moveTop(
        std::clamp(place.top(), available.top(), std::max(available.top(), available.bottom() + 1 - place.height())));
    window.move(place.topLeft());
}

bool RestoreOnScreen(QWidget& window, const QByteArray& geometry) {
    if (geometry.isEmpty() || !window.restoreGeometry(geometry)) return false;
    PlaceOnScreen(window);
    return true;
}

void InstallWindowAccessibility() {
    static const bool installed = (QAccessible::installFactory(&WindowInterface), true);
    (void)installed;
}

}  // namespace quorvex
