#include "store/Languages.h"

#include <gtest/gtest.h>

namespace {
// Every catalogue code, as on a machine with all traineddata installed.
std::set<std::string> everything()
{
    return {"en-US", "nl-NL", "fr-FR", "es-ES", "it-IT", "de-DE",   "ar-SA",  "pt-BR", "ru-RU",
            "uk-UA", "tr-TR", "pl-PL", "cs-CZ", "ro-RO", "sv-SE",   "da-DK",  "nb-NO", "ms-MY",
            "id-ID", "vi-VT", "th-TH", "ja-JP", "ko-KR", "zh-Hans", "zh-Hant"};
}
} // namespace

TEST(LanguagesTest, EveryLanguageHasATesseractNameAndListsShrinkToTheInstalledSet)
{
    for (const OCRLanguage& language : Languages::all(everything()))
        EXPECT_FALSE(Languages::tesseractName(language.code).empty()) << language.code;
    EXPECT_EQ(Languages::tesseractName("vi-VN"), ""); // the catalogue says VT

    const std::set<std::string> few{"de-DE", "ja-JP", "en-US", "xx-XX"};
    const auto verified = Languages::verified(few);
    ASSERT_EQ(verified.size(), 2u);
    EXPECT_EQ(verified[0].code, "en-US"); // table order, not set order
    EXPECT_EQ(verified[1].code, "de-DE");
    EXPECT_EQ(Languages::all(few).back().code, "ja-JP");
    EXPECT_EQ(Languages::sanitized({"de-DE", "ar-SA", "en-US", "de-DE", ""}, {"en-US", "de-DE"}),
              (std::vector<std::string>{"de-DE", "en-US", "de-DE"}));
}

TEST(LanguagesTest, SystemDefaultFromLocaleLanguage)
{
    std::set<std::string> withoutArabic = everything();
    withoutArabic.erase("ar-SA");
    const std::vector<std::tuple<std::string, std::set<std::string>, std::string>> cases{
        {"pt", everything(), "pt-BR,en-US"}, {"zh", everything(), "zh-Hans,en-US"}, // simplified comes first
        {"en", everything(), "en-US"},       {"", everything(), "en-US"},           {"eu", everything(), "en-US"},
        {"e", everything(), "en-US"}, // a prefix of "en-US" and "es-ES" but not followed by "-"
        {"ar", everything(), "ar-SA,en-US"}, {"ar", withoutArabic, "en-US"},
    };
    for (const auto& [locale, installed, expected] : cases)
        EXPECT_EQ(Languages::systemDefault(locale, installed), expected) << locale;
}

TEST(LanguagesTest, SummaryNamesTwoThenCounts)
{
    const std::vector<std::pair<std::string, std::string>> cases{
        {"en-US,nl-NL,de-DE,fr-FR", "English, Nederlands +2"},
        {"en-US, nl-NL", "English, Nederlands"},
        {"ja-JP", "日本語"},
        {"", "Auto (English)"},
        {"xx-XX,en-GB", "Auto (English)"},
        {"xx-XX,de-DE", "Deutsch"}, // unknown codes are skipped, not counted
    };
    for (const auto& [stored, summary] : cases)
        EXPECT_EQ(Languages::summary(Languages::selected(stored), everything()), summary) << stored;
    // A stored but uninstalled language is not named either.
    EXPECT_EQ(Languages::summary({"ar-SA", "en-US"}, {"en-US"}), "English");
}

TEST(LanguagesTest, ToggleAddsAtEndAndRemovesFirstOccurrence)
{
    const std::vector<std::tuple<std::string, std::string, std::string>> cases{
        {"en-US,nl-NL,de-DE", "nl-NL", "en-US,de-DE"},
        {"", "fr-FR", "fr-FR"},
        {"fr-FR", "fr-FR", ""},
        {"de-DE,en-US,de-DE", "de-DE", "en-US,de-DE"},
        {" en-US , ,xx-XX", "nl-NL", "en-US,xx-XX,nl-NL"}, // stored back normalised
        // A code that would split into two codes when stored is refused rather than corrupting the selection.
        {"en-US", "de-DE,fr-FR", "en-US"},
        {"en-US", "", "en-US"},
    };
    for (const auto& [stored, code, toggled] : cases)
        EXPECT_EQ(Languages::toggle(stored, code), toggled) << stored << " " << code;
}
