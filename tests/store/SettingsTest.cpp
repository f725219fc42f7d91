#include "store/Settings.h"

#include <gtest/gtest.h>

TEST(SettingsTest, LanguagesParseTrimsAndDropsEmptyPieces)
{
    using List = std::vector<std::string>;
    EXPECT_EQ(Settings::parseLanguages(" fr-FR , ,de-DE"), (List{"fr-FR", "de-DE"}));
    EXPECT_EQ(Settings::parseLanguages(",,\t,"), List{});
    EXPECT_EQ(Settings::parseLanguages("en-US,xx-YY,en-US"), (List{"en-US", "xx-YY", "en-US"}));
    // Only spaces and tabs are trimmed: a line break stays part of the code.
    EXPECT_EQ(Settings::parseLanguages("en-US\n"), List{"en-US\n"});
}

TEST(SettingsTest, StoredTextAndNumbersReadWithoutSurprises)
{
    const std::vector<std::pair<std::string, std::optional<long long>>> integers{
        {"42", 42},
        {" -1 ", -1},
        {"+3", 3},
        {"3.7", 3},
        {"abc", std::nullopt},
        {"12abc", std::nullopt},
        {"", std::nullopt},
        {"1e300", std::nullopt},
        {"nan", std::nullopt},
    };
    for (const auto& [text, value] : integers)
        EXPECT_EQ(Settings::integerFromText(text), value) << text;
    for (const char* text : {"true", "YES", "1"})
        EXPECT_TRUE(Settings::booleanFromText(text)) << text;
    for (const char* text : {"false", "0", "", "maybe"})
        EXPECT_FALSE(Settings::booleanFromText(text)) << text;
}
