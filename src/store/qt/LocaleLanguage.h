#pragma once

#include <string>
#include <vector>

class InstalledLanguages;

namespace LocaleLanguage {
// Returns the bare language code of the user's locale ("fr", "zh"), or empty for the C/POSIX locale.
std::string current();
// The languages a fresh installation recognizes, the ones Settings::registerDefaults() registers: the locale's
// language and English, or English alone where the locale is English, C or a language Tesseract lacks here.
std::vector<std::string> defaultLanguages(const InstalledLanguages& installed);
} // namespace LocaleLanguage
