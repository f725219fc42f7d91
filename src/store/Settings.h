#pragma once

#include "ocr/OutputMode.h"

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

// The user's preferences as values: key texts, factory defaults and the rules that read them. The store that
// holds them lives in store/qt/SettingsStore.h.
namespace Settings {
namespace Key {
inline constexpr std::string_view launchAtLogin = "launchAtLogin";
inline constexpr std::string_view outputMode = "outputMode";
inline constexpr std::string_view languages = "recognitionLanguages";
inline constexpr std::string_view playSound = "playSound";
inline constexpr std::string_view keepHistory = "keepHistory";
inline constexpr std::string_view hotkeyKeyCode = "hotkeyKeyCode";
inline constexpr std::string_view hotkeyModifiers = "hotkeyModifiers";
inline constexpr std::string_view hotkeyLabel = "hotkeyLabel";
inline constexpr std::string_view termsVersionAccepted = "termsVersionAccepted";
// Set once start-up has shown its one-time ready message; never registered, so it reads false until then.
inline constexpr std::string_view readyHintShown = "readyHintShown";
} // namespace Key

// The version of the terms this build asks the user to agree to.
inline constexpr int currentTermsVersion = 1;

// The key code of the "2" key and Super + Shift in the stored modifier bits: the shortcut is stored in the
// settings file's own units whatever desktop runs it.
inline constexpr long long defaultHotkeyKeyCode = 19;
inline constexpr long long defaultHotkeyModifiers = 768;

using Value = std::variant<bool, long long, std::string>;

// Returns the factory defaults of every registered key, with `languagesDefault` for the recognition languages.
// termsVersionAccepted and readyHintShown are deliberately absent: they must read as "not yet".
std::vector<std::pair<std::string_view, Value>> factoryDefaults(std::string languagesDefault);

// Returns `text` without the spaces and tabs at either end, as stored values and language lists are read.
std::string_view trimmedBlanks(std::string_view text);

// Returns the language codes of a stored "recognitionLanguages" value: split at ",", each piece trimmed of
// spaces and tabs, empty pieces dropped, duplicates and unknown codes kept in stored order.
std::vector<std::string> parseLanguages(std::string_view stored);

// True once the stored accepted version reaches the current one, so a later, larger version also counts.
bool termsAccepted(long long storedVersion);

// Returns the integer a stored text stands for, or no value when it is not a whole number. A decimal part is
// cut off, as the original store did for "3.7".
std::optional<long long> integerFromText(std::string_view text);

// Returns the truth a stored text stands for: "true", "yes" (any case) or a non-zero number.
bool booleanFromText(std::string_view text);
} // namespace Settings
