#include "capture/Selection.h"

#include <gtest/gtest.h>

using namespace Selection;

TEST(SelectionTest, DragDirectionDoesNotMatterAndBoxesUnderThreePointsCancel)
{
    EXPECT_EQ(between(10, 20, 110, 70), (Box{10, 20, 100, 50}));
    EXPECT_EQ(between(110, 70, 10, 20), (Box{10, 20, 100, 50}));
    EXPECT_EQ(between(110, 20, 10, 70), (Box{10, 20, 100, 50}));
    EXPECT_FALSE(isLargeEnough(between(5, 5, 5, 5))); // a click
    EXPECT_FALSE(isLargeEnough(between(0, 0, 2, 50)));
    EXPECT_FALSE(isLargeEnough(between(0, 0, 50, 2.9)));
    EXPECT_TRUE(isLargeEnough(between(0, 0, 3, 3)));
}

TEST(SelectionTest, DevicePixelsScaleByEachScreensOwnImageAndAreClippedToIt)
{
    EXPECT_EQ(devicePixels({10, 20, 100, 50}, 800, 600, 800, 600), (PixelBox{10, 20, 100, 50}));
    EXPECT_EQ(devicePixels({10, 20, 100, 50}, 800, 600, 1600, 1200), (PixelBox{20, 40, 200, 100}));
    EXPECT_EQ(devicePixels({10, 20, 100, 50}, 800, 600, 1200, 900), (PixelBox{15, 30, 150, 75}));
    // Fractional points (a 1.25 scale reports them) round at the edges.
    EXPECT_EQ(devicePixels({0.4, 0.6, 3.2, 3.2}, 10, 10, 10, 10), (PixelBox{0, 1, 4, 3}));
    EXPECT_EQ(devicePixels({-10, -10, 30, 30}, 100, 100, 100, 100), (PixelBox{0, 0, 20, 20}));
    EXPECT_EQ(devicePixels({90, 90, 30, 30}, 100, 100, 200, 200), (PixelBox{180, 180, 20, 20}));
    EXPECT_FALSE(devicePixels({200, 200, 30, 30}, 100, 100, 100, 100));
    EXPECT_FALSE(devicePixels({0, 0, 10, 10}, 0, 100, 100, 100));
}
