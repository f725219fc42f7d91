#include "ocr/OutputMode.h"

#include <gtest/gtest.h>

using Settings::OutputMode;

TEST(OutputModeTest, RawValuesAreStable)
{
    // Stored in the settings as integers: renumbering would change users' saved choice.
    for (int raw = 0; raw <= 4; ++raw)
        EXPECT_EQ(static_cast<int>(Settings::allOutputModes[static_cast<std::size_t>(raw)]), raw);
    EXPECT_EQ(Settings::outputModeFromRaw(4), OutputMode::Code);
    EXPECT_EQ(Settings::outputModeFromRaw(0), OutputMode::Auto);
    EXPECT_FALSE(Settings::outputModeFromRaw(5));
    EXPECT_FALSE(Settings::outputModeFromRaw(-1));
    EXPECT_FALSE(Settings::outputModeFromRaw(4LL + (1LL << 32))); // no truncation to int
    EXPECT_FALSE(Settings::usesLanguageCorrection(OutputMode::Code));
    EXPECT_TRUE(Settings::usesLanguageCorrection(OutputMode::PlainText));
}
