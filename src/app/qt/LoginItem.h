#pragma once

#include <QString>

// Launch at login: the XDG autostart entry $XDG_CONFIG_HOME/autostart/ambrel.desktop (~/.config when unset).
namespace LoginItem {
QString entryPath();
// True when the entry exists and is not switched off with Hidden=true.
bool isEnabled();
// Writes or removes the entry. On failure prints "Ambrel: login item toggle failed: " and the reason, and changes
// nothing; returns whether it succeeded.
bool set(bool enabled);
// Makes the entry follow the "launchAtLogin" setting.
void sync();
// Returns the entry's text for an executable at `executable`, an absolute path.
QString entryText(const QString& executable);
} // namespace LoginItem
