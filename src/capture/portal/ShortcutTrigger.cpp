#include "capture/portal/ShortcutTrigger.h"

#include "capture/HotKeyConfig.h"

#include <X11/Xlib.h>

namespace ShortcutTrigger {
std::optional<std::string> fromStored(std::uint32_t keyCode, std::uint32_t modifiers)
{
    const std::optional<HotKeyConfig::Key> key = HotKeyConfig::key(keyCode);
    if (!key)
        return std::nullopt;
    // X11 and xkbcommon share the keysym names; this lookup needs no display.
    const char* name = XKeysymToString(key->keysym);
    if (!name)
        return std::nullopt;
    std::string trigger;
    if (modifiers & HotKeyConfig::control)
        trigger += "CTRL+";
    if (modifiers & HotKeyConfig::option)
        trigger += "ALT+";
    if (modifiers & HotKeyConfig::shift)
        trigger += "SHIFT+";
    if (modifiers & HotKeyConfig::command)
        trigger += "LOGO+";
    return trigger + name;
}
} // namespace ShortcutTrigger
