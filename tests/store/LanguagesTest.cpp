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

TEST(LanguagesTest, EveryLanguageHasATesseractName)
{
    for (const OCRLanguage& language : Languages::all(everything()))
        EXPECT_FALSE(Languages::tesseractName(language.code).empty()) << language.code;
    EXPECT_EQ(Languages::tesseractName("zh-Hant"), "chi_tra");
    EXPECT_EQ(Languages::tesseractName("nb-NO"), "nor");
    EXPECT_EQ(Languages::tesseractName("vi-VN"), ""); // the catalogue says VT
    EXPECT_EQ(Languages::tesseractName("en"), "");
}

TEST(LanguagesTest, ListsShrinkToSupportedSet)
{
    const std::set<std::string> few{"de-DE", "ja-JP", "en-US", "xx-XX"};
    const auto verified = Languages::verified(few);
    ASSERT_EQ(verified.size(), 2u);
    EXPECT_EQ(verified[0].code, "en-US"); // table order, not set order
    EXPECT_EQ(verified[1].code, "de-DE");
    EXPECT_EQ(Languages::all(few).back().code, "ja-JP");
    EXPECT_TRUE(Languages::others({"en-US"}).empty());
}

TEST(LanguagesTest, SanitizedKeepsOrderAndDuplicates)
{
    const std::set<std::string> supported{"en-US", "de-DE"};
    EXPECT_EQ(Languages::sanitized({"de-DE", "ar-SA", "en-US", "de-DE", ""}, supported),
              (std::vector<std::string>{"de-DE", "en-US", "de-DE"}));
    EXPECT_TRUE(Languages::sanitized({"fr-FR"}, supported).empty());
}

TEST(LanguagesTest, SystemDefaultFromLocaleLanguage)
{
    EXPECT_EQ(Languages::systemDefault("pt", everything()), "pt-BR,en-US");
    EXPECT_EQ(Languages::systemDefault("fr", everything()), "fr-FR,en-US");
    EXPECT_EQ(Languages::systemDefault("zh", everything()), "zh-Hans,en-US"); // simplified comes first
    EXPECT_EQ(Languages::systemDefault("en", everything()), "en-US");
    EXPECT_EQ(Languages::systemDefault("", everything()), "en-US");
    EXPECT_EQ(Languages::systemDefault("eu", everything()), "en-US");
    // "e" is a prefix of "en-US" and "es-ES" but not followed by "-": no match.
    EXPECT_EQ(Languages::systemDefault("e", everything()), "en-US");

    std::set<std::string> withoutArabic = everything();
    withoutArabic.erase("ar-SA");
    EXPECT_EQ(Languages::systemDefault("ar", everything()), "ar-SA,en-US");
    EXPECT_EQ(Languages::systemDefault("ar", withoutArabic), "en-US");
    EXPECT_TRUE(Languages::verified(withoutArabic).size() == 6u);
}

TEST(LanguagesTest, SummaryNamesTwoThenCounts)
{
    const auto summary = [](std::string_view raw) {
        return Languages::summary(Languages::selected(raw), everything());
    };
    EXPECT_EQ(summary("en-US,nl-NL,de-DE,fr-FR"), "English, Nederlands +2");
    EXPECT_EQ(summary("en-US,nl-NL,de-DE"), "English, Nederlands +1");
    EXPECT_EQ(summary("en-US, nl-NL"), "English, Nederlands");
    EXPECT_EQ(summary("ja-JP"), "日本語");
    EXPECT_EQ(summary(""), "Auto (English)");
    EXPECT_EQ(summary("xx-XX,en-GB"), "Auto (English)");
    EXPECT_EQ(summary("xx-XX,de-DE"), "Deutsch"); // unknown codes are skipped, not counted
    // A stored but unsupported language is not named either.
    EXPECT_EQ(Languages::summary({"ar-SA", "en-US"}, {"en-US"}), "English");
}

TEST(LanguagesTest, ToggleAddsAtEndAndRemovesFirstOccurrence)
{
    EXPECT_EQ(Languages::toggle("en-US,nl-NL", "de-DE"), "en-US,nl-NL,de-DE");
    EXPECT_EQ(Languages::toggle("en-US,nl-NL,de-DE", "nl-NL"), "en-US,de-DE");
    EXPECT_EQ(Languages::toggle("", "fr-FR"), "fr-FR");
    EXPECT_EQ(Languages::toggle("fr-FR", "fr-FR"), "");
    EXPECT_EQ(Languages::toggle("de-DE,en-US,de-DE", "de-DE"), "en-US,de-DE");
    // The stored text comes back normalised: no spaces, no empty pieces.
    EXPECT_EQ(Languages::toggle(" en-US , ,xx-XX", "nl-NL"), "en-US,xx-XX,nl-NL");
    // A code that would split into two codes when stored is refused rather than corrupting the selection.
    EXPECT_EQ(Languages::toggle("en-US", "de-DE,fr-FR"), "en-US");
    EXPECT_EQ(Languages::toggle("en-US", ""), "en-US");
}
