#pragma once

#include <QIcon>

// The tray icon: the theme's text-finding icon, or a small framed "T" drawn here when the theme has none.
namespace StatusIcon {
QIcon image();
// The drawn icon alone, in `color`.
QIcon drawn(const QColor& color);
} // namespace StatusIcon
