#include "ocr/tesseract/ScreenText.h"

#include <gtest/gtest.h>

#include <cmath>

using LineBoxes::PixelBox;
using ScreenText::Grey;

namespace {
Grey white(int width, int height)
{
    return Grey{width, height, std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height, 255)};
}

void fill(Grey& grey, int left, int top, int right, int bottom, std::uint8_t value = 0)
{
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            grey.pixels[static_cast<std::size_t>(y) * grey.width + x] = value;
}

// Two "lines of text" 8 px tall made of short glyph-like blocks, framed by table rules.
Grey ruledLines()
{
    Grey grey = white(200, 60);
    for (int x = 10; x < 190; x += 8) {
        fill(grey, x, 10, x + 4, 18);
        fill(grey, x, 35, x + 4, 43);
    }
    fill(grey, 0, 0, 200, 1);   // top rule
    fill(grey, 0, 26, 200, 27); // rule between the rows
    fill(grey, 0, 0, 1, 60);    // left frame
    fill(grey, 100, 0, 101, 60);
    return grey;
}
} // namespace

TEST(ScreenTextTest, RulesAndFramesAreNotText)
{
    EXPECT_EQ(ScreenText::textHeight(ruledLines()), 8);
    EXPECT_EQ(ScreenText::textHeight(white(50, 50)), 0);

    Grey grey = ruledLines();
    EXPECT_EQ(ScreenText::inkBox(grey, PixelBox{5, 5, 30, 24}), (PixelBox{10, 10, 30, 18}));
    EXPECT_EQ(ScreenText::inkBox(grey, PixelBox{110, 19, 150, 25}), (PixelBox{110, 19, 150, 25})) << "no ink";
    ScreenText::removeRules(grey, 30);
    for (const auto& [x, y] : {std::pair{50, 0}, {50, 26}, {100, 30}})
        EXPECT_EQ(grey.at(x, y), 255) << "rule at " << x << "," << y;
    EXPECT_EQ(grey.at(10, 12), 0);
    EXPECT_EQ(grey.at(186, 40), 0);
}

TEST(ScreenTextTest, DarkGroundIsInvertedLightAndTransparentAreWhite)
{
    Grey dark = white(10, 10);
    fill(dark, 0, 0, 10, 10, 30);
    fill(dark, 2, 2, 4, 4, 220);
    EXPECT_TRUE(ScreenText::invertIfDark(dark));
    EXPECT_EQ(dark.at(0, 0), 225);
    EXPECT_EQ(dark.at(2, 2), 35);

    Grey light = ruledLines();
    EXPECT_FALSE(ScreenText::invertIfDark(light));
    EXPECT_EQ(light.at(50, 50), 255);

    const std::uint8_t transparent[8] = {};
    EXPECT_EQ(ScreenText::greyOf(Image::copyOf(2, 1, 8, Image::Format::BGRA32, transparent)).pixels,
              (std::vector<std::uint8_t>{255, 255}));
}

TEST(ScreenTextTest, SmallTextIsScaledWithinTheBudgetAndBoxesMapBackToOriginalPixels)
{
    const ScreenText::Prepared prepared = ScreenText::prepare(ruledLines(), 40'000'000);
    ASSERT_GT(prepared.scale, 2.0);
    // The glyph at x 10..14, rows 10..18 from the top, as Tesseract would box it in the prepared image.
    auto toPrepared = [&](double v) { return static_cast<int>(std::lround(v * prepared.scale)) + prepared.margin; };
    const Rect rect = ScreenText::toOriginal(PixelBox{toPrepared(10), toPrepared(10), toPrepared(14), toPrepared(18)},
                                             prepared, 200, 60);
    EXPECT_NEAR(rect.x, 10, 0.5);
    EXPECT_NEAR(rect.width, 4, 0.5);
    EXPECT_NEAR(rect.y, 60 - 18, 0.5); // bottom-left origin
    EXPECT_NEAR(rect.height, 8, 0.5);

    EXPECT_LE(std::pow(ScreenText::prepare(ruledLines(), 200 * 60 * 2).scale, 2), 2.01);
    // Boxes in the margin are clipped to the image.
    const ScreenText::Prepared blank = ScreenText::prepare(white(40, 20), 1'000'000);
    EXPECT_EQ(ScreenText::toOriginal(PixelBox{0, 0, 1000, 1000}, blank, 40, 20), (Rect{0, 0, 40, 20}));
}

TEST(ScreenTextTest, BlankWhitensTheGrownQuadrilateralOnly)
{
    Grey grey = white(100, 100);
    fill(grey, 0, 0, 100, 100, 0);
    // A diamond around (50, 50); corners in any winding.
    ScreenText::blank(grey, {ScreenText::Point{50, 30}, {70, 50}, {50, 70}, {30, 50}}, 4);
    EXPECT_EQ(grey.at(50, 50), 255);
    EXPECT_EQ(grey.at(50, 27), 255); // inside the margin
    EXPECT_EQ(grey.at(33, 33), 0);   // outside the diamond
    EXPECT_EQ(grey.at(0, 0), 0);
}
