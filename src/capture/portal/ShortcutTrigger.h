#pragma once

#include <cstdint>
#include <optional>
#include <string>

// The stored capture shortcut in the trigger syntax of the freedesktop shortcuts standard, which the
// GlobalShortcuts portal takes as the preferred trigger: modifiers CTRL, ALT, SHIFT and LOGO, then the xkbcommon
// name of the key, joined with "+". Shift with a digit or a punctuation key is written as the symbol it gives on
// a US layout, so the default shortcut gives "LOGO+at"; the desktop's dialog is where another layout's user
// confirms or changes it.
namespace ShortcutTrigger {
// No value for a key code outside the key table: the portal is then asked for a shortcut without a preference.
std::optional<std::string> fromStored(std::uint32_t keyCode, std::uint32_t modifiers);
} // namespace ShortcutTrigger
