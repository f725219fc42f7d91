#pragma once

#include <string>
#include <vector>

// The saved preferences a command reads. Implementation: store/qt/SettingsStore.h, over the per-user store and its
// registered defaults.
class SettingsReader
{
public:
    virtual ~SettingsReader() = default;
    // The chosen recognition languages in the user's order; empty means the recognizer's own default.
    virtual std::vector<std::string> languages() const = 0;
    // The languages a fresh installation recognizes, used where none are saved.
    virtual std::vector<std::string> defaultLanguages() const = 0;
};
