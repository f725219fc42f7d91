#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The capture shortcut as stored: a key code and modifier bits in the units the settings file has always held (a
// fixed table maps them to X keysyms and Qt keys), whatever desktop reads them. The settings-backed readers and
// `set` live in capture/qt/HotKeySettings.h.
namespace HotKeyConfig {
// Modifier bits. Command is the Super key here.
inline constexpr std::uint32_t command = 1u << 8;
inline constexpr std::uint32_t shift = 1u << 9;
inline constexpr std::uint32_t option = 1u << 11;
inline constexpr std::uint32_t control = 1u << 12;
inline constexpr std::uint32_t allModifiers = command | shift | option | control;

inline constexpr std::uint32_t defaultKeyCode = 19; // the "2" key of the main row
inline constexpr std::uint32_t defaultModifiers = command | shift;
inline constexpr std::string_view defaultLabel = "2";
inline constexpr std::uint32_t escapeKeyCode = 53;

// Returns a stored integer as a key code or modifier value: negative values read as 0, and so do values beyond
// 32 bits, which no key or modifier set can have.
std::uint32_t storedValue(long long stored);

// Returns the modifier names each followed by "+", in the order Linux desktops write them (Ctrl, Alt, Shift, Super)
// whatever order they were pressed in: control | shift gives "Ctrl+Shift+".
std::string modifierNames(std::uint32_t modifiers);
// Returns the names followed by the key's label, "?" when the label is empty: 768 and "2" give "Shift+Super+2".
// Every shortcut the program shows is written by this one function.
std::string display(std::uint32_t modifiers, std::string_view label);

// "OCR a Document…": a second system-wide shortcut, fixed, Ctrl+Shift+O.
inline constexpr std::uint32_t documentKeyCode = 31; // the "O" key
inline constexpr std::uint32_t documentModifiers = control | shift;
inline constexpr std::string_view documentLabel = "O";
// Returns the name of the program's command that already answers to this combination (the document shortcut, or
// a key of the document window, which a system-wide grab would take from it), or no value when it is free.
std::optional<std::string_view> takenBy(std::uint32_t keyCode, std::uint32_t modifiers);

// Qt::KeyboardModifier values, spelled out so the core needs no Qt; the Qt adapter checks them at compile time.
namespace QtFlag {
inline constexpr std::uint32_t shift = 0x02000000;
inline constexpr std::uint32_t control = 0x04000000;
inline constexpr std::uint32_t alt = 0x08000000;
inline constexpr std::uint32_t meta = 0x10000000; // the Super key on X11 and Wayland
} // namespace QtFlag
// Returns the modifier bits of a key event's Qt modifier flags; keypad and group-switch flags are ignored.
std::uint32_t carbonModifiers(std::uint32_t qtFlags);

// One physical key: its stored key code, the X11 keysym it produces unshifted and the Qt::Key of that keysym.
struct Key
{
    std::uint32_t keyCode;
    std::uint32_t keysym;
    int qtKey;
    bool keypad;
};
// Returns the key of a stored key code, or no value for a code outside the table (such a shortcut is not grabbed).
std::optional<Key> key(std::uint32_t keyCode);
// Returns the stored key code of a Qt key from a key event; `keypad` tells the keypad's digits from the main row's.
std::optional<std::uint32_t> keyCodeForQtKey(int qtKey, bool keypad);
} // namespace HotKeyConfig
