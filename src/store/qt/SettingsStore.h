#pragma once

#include "store/Settings.h"
#include "store/SettingsReader.h"

#include <string>
#include <string_view>
#include <vector>

class InstalledLanguages;

// The per-user store: ~/.config/Ambrel/Ambrel.conf (INI, under $XDG_CONFIG_HOME when set) beneath an in-memory
// layer of registered defaults. Readers need no QCoreApplication and may run on any thread; values are read from
// the store at each call, so a change made in a window applies at the next use.
namespace Settings {
// Registers the factory defaults, with the languages default taken from the user's locale and the installed
// languages. Registered values live for this process only and are never written to the file. A line of the file
// whose value would run on into the following lines (an open quote, a trailing backslash) is removed first, so one
// bad value resets that value alone.
void registerDefaults(const InstalledLanguages& installed);
// The same with the recognition languages default given.
void registerDefaults(std::string languagesDefault);

// The stored value as an integer, else the registered default, else 0. A stored value that is not a number counts
// as no value.
long long integer(std::string_view key);
// The stored value as a truth value, else the registered default, else false. A stored value that is neither a
// truth value nor a number counts as no value.
bool boolean(std::string_view key);
// The stored value as text, else the registered default, else the empty string.
std::string string(std::string_view key);

OutputMode outputMode();
bool playSound();
// The chosen recognition languages in the user's order; empty means the recognizer's own default.
std::vector<std::string> languages();
bool termsAccepted();

// Stores a user value; it wins over any registered default from now on.
void set(std::string_view key, bool value);
void set(std::string_view key, int value);
void set(std::string_view key, long long value);
void set(std::string_view key, std::string_view value);
void set(std::string_view key, const char* value);
// Removes the user value, so the registered default applies again.
void remove(std::string_view key);

// The path of the settings file, whether or not it exists yet.
std::string storePath();
} // namespace Settings

// The store behind the core's interface. Each read registers the defaults first, so that a command sees the
// locale's languages when the user has chosen none.
class StoredSettings final : public SettingsReader
{
public:
    explicit StoredSettings(const InstalledLanguages& installed)
        : m_installed(installed)
    {}
    std::vector<std::string> languages() const override;
    std::vector<std::string> defaultLanguages() const override;

private:
    const InstalledLanguages& m_installed;
};
