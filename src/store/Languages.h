#pragma once

#include <set>
#include <string>
#include <string_view>
#include <vector>

// A recognition language the user can choose: a catalogue code and its name in the language itself.
struct OCRLanguage
{
    std::string code;
    std::string name;
    std::string_view id() const { return code; }
    bool operator==(const OCRLanguage&) const = default;
};

namespace Languages {
// The Tesseract traineddata name of a catalogue code ("en-US" → "eng"), or empty for a code outside the catalogue.
std::string tesseractName(std::string_view code);

// Keeps, in order, the codes that are in `supportedCodes`; duplicates stay.
std::vector<std::string> sanitized(const std::vector<std::string>& codes, const std::set<std::string>& supportedCodes);

// The catalogue's first table (the languages checked most) reduced to `supportedCodes`, in table order.
std::vector<OCRLanguage> verified(const std::set<std::string>& supportedCodes);
// The catalogue's second table reduced to `supportedCodes`, in table order.
std::vector<OCRLanguage> others(const std::set<std::string>& supportedCodes);
// verified followed by others.
std::vector<OCRLanguage> all(const std::set<std::string>& supportedCodes);

// Returns the default "recognitionLanguages" value for a locale's bare language code ("fr", "zh"; empty means
// "en"): the first offered language of that code followed by ",en-US", or "en-US" alone.
std::string systemDefault(std::string_view localeLanguage, const std::set<std::string>& supportedCodes);

// Returns the language field's label: "Auto (English)" when no selected code is offered, else up to two names
// and "+N" for the rest.
std::string summary(const std::vector<std::string>& selectedCodes, const std::set<std::string>& supportedCodes);

// Returns the codes of a stored "recognitionLanguages" value, parsed as the settings do.
std::vector<std::string> selected(std::string_view raw);

// Returns the new stored value after toggling `code`: its first occurrence removed if present, else appended.
// The result is the selection joined with "," and no spaces.
std::string toggle(std::string_view raw, std::string_view code);
} // namespace Languages
