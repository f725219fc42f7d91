#pragma once

#include <string>

namespace LocaleLanguage {
// Returns the bare language code of the user's locale ("fr", "zh"), or empty for the C/POSIX locale.
std::string current();
} // namespace LocaleLanguage
