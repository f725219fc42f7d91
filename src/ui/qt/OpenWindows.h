#pragma once

#include <QPoint>
#include <QRect>

#include <vector>

class QWidget;

// The rule for showing the program's windows. Linux has no Dock: a window's taskbar entry comes and goes with the
// window itself, so nothing is kept about which windows are open. Main thread only.
namespace OpenWindows {
// Shows the window (restoring it when minimised), raises it and gives it the focus, then asks again on the next
// turn of the event loop.
void show(QWidget* window);
// Gives a newly made window the program's icon and centres it on the primary screen, before its first show; when
// another visible window already stands there, it steps down and right until it covers none.
void placeNew(QWidget* window);
// Returns the top left for a window of `frame` that does not sit exactly on any of `others` (window frames),
// moving in steps down and to the right within `screen`.
QPoint cascaded(const QRect& frame, const std::vector<QRect>& others, const QRect& screen);
// Makes Ctrl+W (and the platform's Close keys) and Escape close the window. OpenWindows::show adds them to every
// window it shows.
void addCloseKeys(QWidget* window);
} // namespace OpenWindows
