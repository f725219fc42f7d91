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
    EXPECT_EQ(Settings::outputModeFromStored(7), OutputMode::Auto);
    EXPECT_EQ(Settings::outputModeFromStored(-1), OutputMode::Auto);
    EXPECT_EQ(Settings::outputModeFromStored(5), OutputMode::Auto);
    EXPECT_EQ(Settings::outputModeFromStored(4), OutputMode::Code);
    EXPECT_EQ(Settings::outputModeFromStored(2), OutputMode::MarkdownTable);
    EXPECT_EQ(Settings::outputModeFromStored(4LL + (1LL << 32)), OutputMode::Auto); // no truncation to int
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
    const auto defaults = Settings::factoryDefaults("fr-FR,en-US");
    EXPECT_EQ(defaults.size(), 8u);
    const auto value = [&](std::string_view key) -> std::optional<Settings::Value> {
        for (const auto& [k, v] : defaults)
            if (k == key)
                return v;
        return std::nullopt;
    };
    EXPECT_EQ(value(Settings::Key::languages), Settings::Value(std::string("fr-FR,en-US")));
    EXPECT_EQ(value(Settings::Key::hotkeyKeyCode), Settings::Value(19LL));
    EXPECT_EQ(value(Settings::Key::hotkeyModifiers), Settings::Value(768LL));
    EXPECT_EQ(value(Settings::Key::hotkeyLabel), Settings::Value(std::string("2")));
    EXPECT_EQ(value(Settings::Key::launchAtLogin), Settings::Value(false));
    EXPECT_FALSE(value(Settings::Key::termsVersionAccepted).has_value());
    EXPECT_FALSE(value(Settings::Key::readyHintShown).has_value());
}

TEST(SettingsTest, StoredTextToNumbersAndTruth)
{
    EXPECT_EQ(Settings::integerFromText("42"), 42);
    EXPECT_EQ(Settings::integerFromText(" -1 "), -1);
    EXPECT_EQ(Settings::integerFromText("+3"), 3);
    EXPECT_EQ(Settings::integerFromText("3.7"), 3);
    EXPECT_EQ(Settings::integerFromText("abc"), std::nullopt);
    EXPECT_EQ(Settings::integerFromText("12abc"), std::nullopt);
    EXPECT_EQ(Settings::integerFromText(""), std::nullopt);
    EXPECT_EQ(Settings::integerFromText("1e300"), std::nullopt);
    EXPECT_EQ(Settings::integerFromText("nan"), std::nullopt);

    EXPECT_TRUE(Settings::booleanFromText("true"));
    EXPECT_TRUE(Settings::booleanFromText("YES"));
    EXPECT_TRUE(Settings::booleanFromText("1"));
    EXPECT_FALSE(Settings::booleanFromText("false"));
    EXPECT_FALSE(Settings::booleanFromText("0"));
    EXPECT_FALSE(Settings::booleanFromText(""));
    EXPECT_FALSE(Settings::booleanFromText("maybe"));
}
