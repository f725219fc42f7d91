#include "capture/portal/ShortcutTrigger.h"

#include "capture/HotKeyConfig.h"

#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <string_view>

namespace {
// The US layout's Shift level of the main row's digits and punctuation.
std::uint32_t shiftedUs(std::uint32_t keysym)
{
    constexpr std::string_view plain = "1234567890-=[]\\;',./`";
    constexpr std::string_view shifted = "!@#$%^&*()_+{}|:\"<>?~";
    const std::size_t at = keysym < 0x80 ? plain.find(char(keysym)) : std::string_view::npos;
    return at == std::string_view::npos ? 0 : std::uint32_t(static_cast<unsigned char>(shifted[at]));
}
} // namespace

namespace ShortcutTrigger {
std::optional<std::string> fromStored(std::uint32_t keyCode, std::uint32_t modifiers)
{
    const std::optional<HotKeyConfig::Key> key = HotKeyConfig::key(keyCode);
    if (!key)
        return std::nullopt;
    std::uint32_t keysym = key->keysym;
    bool shift = modifiers & HotKeyConfig::shift;
    // The desktop matches a trigger against the symbol the pressed keys produce, with the Shift that produced it
    // used up: Shift+Super+2 arrives as Super+at on a US layout, and "SHIFT+LOGO+2" never fires.
    if (shift && !key->keypad) {
        if (const std::uint32_t shifted = shiftedUs(keysym)) {
            keysym = shifted;
            shift = false;
        }
    }
    // X11 and xkbcommon share the keysym names; this lookup needs no display.
    const char* name = XKeysymToString(keysym);
    if (!name)
        return std::nullopt;
    std::string trigger;
    if (modifiers & HotKeyConfig::control)
        trigger += "CTRL+";
    if (modifiers & HotKeyConfig::option)
        trigger += "ALT+";
    if (shift)
        trigger += "SHIFT+";
    if (modifiers & HotKeyConfig::command)
        trigger += "LOGO+";
    return trigger + name;
}
} // namespace ShortcutTrigger
