#include "demo/DemoScript.h"

#include "demo/gif/GifWriter.h"

#include <gtest/gtest.h>

#include <numeric>

using namespace DemoScript;

TEST(DemoScriptTest, DelaysSumToTheScheduleAndRoundToCentiseconds)
{
    const std::vector<Step> list = steps();
    const double seconds =
        std::accumulate(list.begin(), list.end(), 0.0, [](double s, const Step& x) { return s + x.delay; });
    EXPECT_NEAR(seconds, 6 * 0.08 + 11 * 0.055 + 0.25 + 0.05 + 0.05 + 0.1 + 11 * 0.09 + 1.4, 1e-9);
    // GIF stores hundredths: 0.055 s rounds to 6, so the file runs 0.055 s longer than the schedule.
    const int stored = std::accumulate(list.begin(), list.end(), 0,
                                       [](int s, const Step& x) { return s + GifWriter::centiseconds(x.delay); });
    EXPECT_EQ(stored, 398);
}

TEST(DemoScriptTest, SelectionGrowsFromTheTableCornerHeightFirst)
{
    const Box full = selectionBox(1.0);
    EXPECT_EQ(full.x, 78);
    EXPECT_EQ(full.y, 122);
    EXPECT_EQ(full.width, 604);
    EXPECT_EQ(full.height, 254);
    const Box half = selectionBox(0.5);
    EXPECT_EQ(half.x, 78);
    EXPECT_DOUBLE_EQ(half.width, 302);
    EXPECT_DOUBLE_EQ(half.height, 254 * 0.65);
    EXPECT_DOUBLE_EQ(selectionBox(0.8).height, 254); // the height is full before the width
    EXPECT_EQ(selectionBox(0).width, 0);
}

TEST(DemoScriptTest, SizeLabelTruncatesAndAppearsOnlyPastTheStart)
{
    EXPECT_EQ(sizeLabel(0.0), "");
    EXPECT_EQ(sizeLabel(0.15), "");
    EXPECT_EQ(sizeLabel(0.2), "120×66"); // 120.8 × 66.04, truncated, not rounded
    EXPECT_EQ(sizeLabel(1.0), "604×254");
}

TEST(DemoScriptTest, ResultCardRevealsAtLeastOneLine)
{
    EXPECT_EQ(visibleLineCount(0.0), 1);
    EXPECT_EQ(visibleLineCount(0.5), 3);
    EXPECT_EQ(visibleLineCount(0.99), 5);
    EXPECT_EQ(visibleLineCount(1.0), 6);
}
