#include "ocr/OutputMode.h"

#include <gtest/gtest.h>

using Settings::OutputMode;

TEST(OutputModeTest, RawValuesAreStable)
{
    // Stored in the settings as integers: renumbering would change users' saved choice.
    for (int raw = 0; raw <= 4; ++raw)
        EXPECT_EQ(static_cast<int>(Settings::allOutputModes[static_cast<std::size_t>(raw)]), raw);
    EXPECT_EQ(Settings::outputModeFromRaw(4), OutputMode::Code);
    EXPECT_FALSE(Settings::usesLanguageCorrection(OutputMode::Code));
    EXPECT_TRUE(Settings::usesLanguageCorrection(OutputMode::PlainText));
    EXPECT_EQ(Settings::outputModeFromRaw(0), OutputMode::Auto);
    EXPECT_FALSE(Settings::outputModeFromRaw(5));
    EXPECT_FALSE(Settings::outputModeFromRaw(-1));
    EXPECT_FALSE(Settings::outputModeFromRaw(1LL << 40));
}

TEST(OutputModeTest, LabelsInPickerOrder)
{
    std::vector<std::string_view> labels;
    for (const OutputMode mode : Settings::allOutputModes)
        labels.push_back(Settings::label(mode));
    EXPECT_EQ(labels, (std::vector<std::string_view>{"Auto (smart)", "Plain text", "Table \u2192 Markdown",
                                                     "Table \u2192 CSV", "Code (keep symbols)"}));
}
