#pragma once

#include <QIcon>

// The program's icons, drawn here with the shapes of the installed SVG files (data/icons), so that they show the
// same with no icon theme and no SVG support.
namespace StatusIcon {
// The tray icon: the theme's "ambrel-symbolic" where installed, else the drawn symbol in the palette's text colour.
QIcon image();
// The symbol alone, in `color`: a table inside the corners of a selection.
QIcon drawn(const QColor& color);
// The application icon of windows and the About box: the symbol in white on a blue tile.
QIcon appIcon();
} // namespace StatusIcon
