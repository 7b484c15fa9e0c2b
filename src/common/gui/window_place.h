#pragma once

#include <optional>

#include <QByteArray>
#include <QPoint>
#include <QSize>

class QWidget;

namespace quorvex {

// Room the window manager's frame takes around a window whose frame is not known yet
// (before it is first shown): the sides and bottom edge, and a title bar.
inline constexpr QSize kFrameAllowance(16, 48);

// Puts `window` (a top-level widget) whole on the available geometry of the screen it opens
// on, its frame included: no larger than that room (its minimum size permitting), and moved
// in where it sticks out. With `center` its middle goes there first.
void PlaceOnScreen(QWidget& window, std::optional<QPoint> center = std::nullopt);

// restoreGeometry, then PlaceOnScreen: a geometry saved on a larger screen, or on a screen
// no longer there, opens whole on this one. False when `geometry` was not restored.
bool RestoreOnScreen(QWidget& window, const QByteArray& geometry);

// Makes the windows that are plain widgets (the report, help, history and comparison
// windows) frames on the accessibility bus, named by their title, as the main window and
// the dialogs are; without it a reader takes them for a filler. Once per program; later
// calls do nothing.
void InstallWindowAccessibility();

}  // namespace quorvex
