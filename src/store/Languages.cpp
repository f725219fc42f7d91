#include "store/Languages.h"

#include "store/Settings.h"

#include <algorithm>
#include <array>
#include <iterator>

namespace {
struct CatalogueEntry
{
    std::string_view code;
    std::string_view name;
    std::string_view tesseract; // the traineddata that reads this language
};

// Codes are compared as exact strings: "vi-VT" and the script-tagged Chinese codes are as designed, not typos.
constexpr std::array<CatalogueEntry, 7> verifiedTable{{
    {"en-US", "English", "eng"},
    {"nl-NL", "Nederlands", "nld"},
    {"fr-FR", "Français", "fra"},
    {"es-ES", "Español", "spa"},
    {"it-IT", "Italiano", "ita"},
    {"de-DE", "Deutsch", "deu"},
    {"ar-SA", "العربية · Arabic", "ara"},
}};

constexpr std::array<CatalogueEntry, 18> othersTable{{
    {"pt-BR", "Português", "por"},
    {"ru-RU", "Русский", "rus"},
    {"uk-UA", "Українська", "ukr"},
    {"tr-TR", "Türkçe", "tur"},
    {"pl-PL", "Polski", "pol"},
    {"cs-CZ", "Čeština", "ces"},
    {"ro-RO", "Română", "ron"},
    {"sv-SE", "Svenska", "swe"},
    {"da-DK", "Dansk", "dan"},
    {"nb-NO", "Norsk", "nor"},
    {"ms-MY", "Melayu", "msa"},
    {"id-ID", "Bahasa Indonesia", "ind"},
    {"vi-VT", "Tiếng Việt", "vie"},
    {"th-TH", "ไทย", "tha"},
    {"ja-JP", "日本語", "jpn"},
    {"ko-KR", "한국어", "kor"},
    {"zh-Hans", "中文 · 简体", "chi_sim"},
    {"zh-Hant", "中文 · 繁體", "chi_tra"},
}};

template <size_t N>
void appendSupported(std::vector<OCRLanguage>& out, const std::array<CatalogueEntry, N>& table,
                     const std::set<std::string>& supportedCodes)
{
    for (const CatalogueEntry& entry : table)
        if (supportedCodes.count(std::string(entry.code)) != 0)
            out.push_back(OCRLanguage{std::string(entry.code), std::string(entry.name)});
}

std::string joined(const std::vector<std::string>& pieces, std::string_view separator)
{
    std::string text;
    for (size_t i = 0; i < pieces.size(); ++i) {
        if (i > 0)
            text += separator;
        text += pieces[i];
    }
    return text;
}
} // namespace

std::string Languages::tesseractName(std::string_view code)
{
    for (const CatalogueEntry& entry : verifiedTable)
        if (entry.code == code)
            return std::string(entry.tesseract);
    for (const CatalogueEntry& entry : othersTable)
        if (entry.code == code)
            return std::string(entry.tesseract);
    return {};
}

std::vector<std::string> Languages::sanitized(const std::vector<std::string>& codes,
                                              const std::set<std::string>& supportedCodes)
{
    std::vector<std::string> kept;
    std::copy_if(codes.begin(), codes.end(), std::back_inserter(kept),
                 [&](const std::string& code) { return supportedCodes.count(code) != 0; });
    return kept;
}

std::vector<OCRLanguage> Languages::verified(const std::set<std::string>& supportedCodes)
{
    std::vector<OCRLanguage> list;
    appendSupported(list, verifiedTable, supportedCodes);
    return list;
}

std::vector<OCRLanguage> Languages::others(const std::set<std::string>& supportedCodes)
{
    std::vector<OCRLanguage> list;
    appendSupported(list, othersTable, supportedCodes);
    return list;
}

std::vector<OCRLanguage> Languages::all(const std::set<std::string>& supportedCodes)
{
    std::vector<OCRLanguage> list;
    appendSupported(list, verifiedTable, supportedCodes);
    appendSupported(list, othersTable, supportedCodes);
    return list;
}

std::string Languages::systemDefault(std::string_view localeLanguage, const std::set<std::string>& supportedCodes)
{
    const std::string language = localeLanguage.empty() ? std::string("en") : std::string(localeLanguage);
    const std::string prefix = language + "-";
    for (const OCRLanguage& entry : all(supportedCodes)) {
        if (entry.code != language && entry.code.rfind(prefix, 0) != 0)
            continue;
        if (entry.code == "en-US")
            return "en-US";
        return entry.code + ",en-US";
    }
    return "en-US";
}

std::string Languages::summary(const std::vector<std::string>& selectedCodes,
                               const std::set<std::string>& supportedCodes)
{
    const std::vector<OCRLanguage> offered = all(supportedCodes);
    std::vector<std::string> names;
    for (const std::string& code : selectedCodes) {
        const auto found =
            std::find_if(offered.begin(), offered.end(), [&](const OCRLanguage& entry) { return entry.code == code; });
        if (found != offered.end())
            names.push_back(found->name);
    }
    if (names.empty())
        return "Auto (English)";
    if (names.size() > 2)
        return names[0] + ", " + names[1] + " +" + std::to_string(names.size() - 2);
    return joined(names, ", ");
}

std::vector<std::string> Languages::selected(std::string_view raw)
{
    return Settings::parseLanguages(raw);
}

std::string Languages::toggle(std::string_view raw, std::string_view code)
{
    std::vector<std::string> codes = selected(raw);
    // A code that could not survive the round trip through the stored string would corrupt the selection.
    if (code.empty() || code.find(',') != std::string_view::npos)
        return joined(codes, ",");
    const auto found = std::find(codes.begin(), codes.end(), code);
    if (found != codes.end())
        codes.erase(found);
    else
        codes.emplace_back(code);
    return joined(codes, ",");
}
