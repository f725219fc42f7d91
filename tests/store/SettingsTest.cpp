#include "store/Settings.h"

#include <gtest/gtest.h>

#include <algorithm>

using Settings::OutputMode;

TEST(SettingsTest, LanguagesParseTrimsAndDropsEmptyPieces)
{
    using List = std::vector<std::string>;
    EXPECT_EQ(Settings::parseLanguages(" fr-FR , ,de-DE"), (List{"fr-FR", "de-DE"}));
    EXPECT_EQ(Settings::parseLanguages(""), List{});
    EXPECT_EQ(Settings::parseLanguages(",,\t,"), List{});
    EXPECT_EQ(Settings::parseLanguages("en-US,xx-YY,en-US"), (List{"en-US", "xx-YY", "en-US"}));
    // Only spaces and tabs are trimmed: a line break stays part of the code.
    EXPECT_EQ(Settings::parseLanguages("en-US\n"), List{"en-US\n"});
}

TEST(SettingsTest, StoredOutputModeOutsideEnumerationReadsAsAuto)
{
    const std::vector<std::pair<long long, OutputMode>> cases{
        {7, OutputMode::Auto},          {-1, OutputMode::Auto},
        {5, OutputMode::Auto},          {4, OutputMode::Code},
        {2, OutputMode::MarkdownTable}, {4LL + (1LL << 32), OutputMode::Auto}, // no truncation to int
    };
    for (const auto& [stored, mode] : cases)
        EXPECT_EQ(Settings::outputModeFromStored(stored), mode) << stored;
}

TEST(SettingsTest, TermsCountFromCurrentVersionUp)
{
    EXPECT_FALSE(Settings::termsAccepted(0));
    EXPECT_FALSE(Settings::termsAccepted(-3));
    EXPECT_TRUE(Settings::termsAccepted(1));
    EXPECT_TRUE(Settings::termsAccepted(2));
}

TEST(SettingsTest, FactoryDefaultsLeaveTermsAndHintUnregistered)
{
    // The values themselves are read back through the store in SettingsStoreTest.
    const auto defaults = Settings::factoryDefaults("fr-FR,en-US");
    EXPECT_EQ(defaults.size(), 8u);
    std::vector<Settings::Value> languages;
    for (const auto& [key, value] : defaults) {
        EXPECT_NE(key, Settings::Key::termsVersionAccepted);
        EXPECT_NE(key, Settings::Key::readyHintShown);
        if (key == Settings::Key::languages)
            languages.push_back(value);
    }
    EXPECT_EQ(languages, std::vector<Settings::Value>{Settings::Value(std::string("fr-FR,en-US"))});
}

TEST(SettingsTest, StoredTextToNumbersAndTruth)
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
