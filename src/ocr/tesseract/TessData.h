#pragma once

#include "store/InstalledLanguages.h"

#include <set>
#include <string>
#include <vector>

// Where Tesseract's language models live and which are installed. Tesseract's Init accepts any name and only
// fails, or falls back, at load time, so every name is checked here first.
namespace TessData {
// Returns the tessdata directory: TESSDATA_PREFIX when set, else the first of Debian's locations that exists.
std::string directory();

// Returns the names of the installed models ("eng", "nld") in `directory`.
std::set<std::string> installed(const std::string& directory);

// Returns the Tesseract language string for catalogue codes: the installed models of the codes, in order and
// without repeats, joined with "+"; "eng" when none is left.
std::string languageString(const std::vector<std::string>& codes, const std::set<std::string>& installedNames);

// Returns the catalogue codes whose traineddata is installed, found once on first use; "en-US" alone when nothing
// can be found.
const std::set<std::string>& supportedCodes();

// The same behind the core's interface.
class InstalledModels final : public InstalledLanguages
{
public:
    const std::set<std::string>& codes() const override { return supportedCodes(); }
};
} // namespace TessData
