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

// The catalogue codes whose traineddata is installed, found once on first use. Defined by the Tesseract
// adapter; falls back to "en-US" alone when nothing can be found.
const std::set<std::string>& supported();

// Keeps, in order, the codes that are in `supportedCodes`; duplicates stay.
std::vector<std::string> sanitized(const std::vector<std::string>& codes, const std::set<std::string>& supportedCodes);
// The same against the installed set.
std::vector<std::string> sanitized(const std::vector<std::string>& codes);
} // namespace Languages
