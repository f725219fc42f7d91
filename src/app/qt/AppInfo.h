#pragma once

#include <QString>

namespace AppInfo {
inline constexpr const char* name = "Ambrel";
// The desktop file that portals and the autostart entry tie Ambrel's identity to.
inline constexpr const char* desktopFileName = "ambrel";
QString version();
} // namespace AppInfo
