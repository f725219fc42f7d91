#include "ocr/tesseract/TessData.h"

#include "store/Languages.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <string_view>
#include <system_error>

namespace {
// The catalogue's codes; the names shown for them live with the catalogue itself.
constexpr std::array<std::string_view, 25> catalogueCodes = {
    "en-US", "nl-NL", "fr-FR", "es-ES", "it-IT", "de-DE",   "ar-SA",   "pt-BR", "ru-RU",
    "uk-UA", "tr-TR", "pl-PL", "cs-CZ", "ro-RO", "sv-SE",   "da-DK",   "nb-NO", "ms-MY",
    "id-ID", "vi-VT", "th-TH", "ja-JP", "ko-KR", "zh-Hans", "zh-Hant",
};
} // namespace

std::string TessData::directory()
{
    namespace fs = std::filesystem;
    if (const char* prefix = std::getenv("TESSDATA_PREFIX"); prefix != nullptr && *prefix != '\0')
        return prefix;
    std::error_code error;
    for (const char* candidate : {"/usr/share/tesseract-ocr/5/tessdata", "/usr/share/tesseract-ocr/4.00/tessdata",
                                  "/usr/share/tessdata", "/usr/local/share/tessdata"})
        if (fs::is_directory(candidate, error))
            return candidate;
    return "/usr/share/tesseract-ocr/5/tessdata";
}

std::set<std::string> TessData::installed(const std::string& directory)
{
    namespace fs = std::filesystem;
    std::set<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(directory, error), end; !error && it != end; it.increment(error)) {
        const fs::path& path = it->path();
        if (path.extension() == ".traineddata" && it->is_regular_file(error))
            names.insert(path.stem().string());
    }
    return names;
}

std::string TessData::languageString(const std::vector<std::string>& codes, const std::set<std::string>& installedNames)
{
    std::vector<std::string> names;
    for (const std::string& code : codes) {
        std::string name = Languages::tesseractName(code);
        if (name.empty() || !installedNames.contains(name)
            || std::find(names.begin(), names.end(), name) != names.end())
            continue;
        names.push_back(std::move(name));
    }
    if (names.empty())
        return "eng";
    std::string joined = names.front();
    for (std::size_t i = 1; i < names.size(); ++i)
        joined += "+" + names[i];
    return joined;
}

const std::set<std::string>& TessData::supportedCodes()
{
    // Built once by whichever thread asks first; a static's initialisation is thread-safe.
    static const std::set<std::string> codes = [] {
        const std::set<std::string> names = TessData::installed(TessData::directory());
        std::set<std::string> found;
        for (std::string_view code : catalogueCodes)
            if (names.contains(Languages::tesseractName(code)))
                found.emplace(code);
        if (found.empty())
            found.insert("en-US");
        return found;
    }();
    return codes;
}
