#include "sources/Image.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace {
Image bgra(const std::vector<std::uint8_t>& bytes, int width, Image::Format format)
{
    const int height = static_cast<int>(bytes.size()) / (4 * width);
    return Image::copyOf(width, height, 4 * width, format, bytes.data());
}

int bt601(int r, int g, int b)
{
    return static_cast<int>(std::lround(0.299 * r + 0.587 * g + 0.114 * b));
}
} // namespace

TEST(ImageTest, GreyImageReadsItsBytesAndHonoursStride)
{
    // Two rows of 3 pixels with two bytes of padding after each row.
    const std::vector<std::uint8_t> bytes{10, 20, 30, 99, 99, 40, 50, 60, 99, 99};
    const Image image = Image::copyOf(3, 2, 5, Image::Format::Grey8, bytes.data());
    EXPECT_EQ(image.grey(0, 0), 10);
    EXPECT_EQ(image.grey(2, 0), 30);
    EXPECT_EQ(image.grey(0, 1), 40); // row 1 starts after the padding, counted from the top
    EXPECT_EQ(image.grey(2, 1), 60);
}

TEST(ImageTest, OpaqueColoursUseStandardLuminanceAndKeepWhiteAndBlack)
{
    // Bytes are B, G, R, A.
    const Image image = bgra({255, 255, 255, 255, 0, 0, 0, 255, 0, 0, 255, 255, 0, 255, 0, 255, 255, 0, 0, 255}, 5,
                             Image::Format::BGRA32);
    EXPECT_EQ(image.grey(0, 0), 255);
    EXPECT_EQ(image.grey(1, 0), 0);
    EXPECT_NEAR(image.grey(2, 0), bt601(255, 0, 0), 1);
    EXPECT_NEAR(image.grey(3, 0), bt601(0, 255, 0), 1);
    EXPECT_NEAR(image.grey(4, 0), bt601(0, 0, 255), 1);
}

TEST(ImageTest, StraightAlphaIsComposedOverWhite)
{
    const Image image = bgra({0, 0, 0, 0, 0, 0, 0, 128, 255, 255, 255, 77, 0, 0, 255, 128}, 4, Image::Format::BGRA32);
    EXPECT_EQ(image.grey(0, 0), 255);               // fully transparent black vanishes
    EXPECT_NEAR(image.grey(1, 0), 127, 1);          // half-transparent black is mid grey
    EXPECT_EQ(image.grey(2, 0), 255);               // white stays white at any alpha
    EXPECT_NEAR(image.grey(3, 0), 76 / 2 + 128, 1); // half red over white
}

TEST(ImageTest, PremultipliedAlphaMatchesTheSameStraightColour)
{
    // Half-transparent black, white and red, stored straight and premultiplied: the same look gives the same grey.
    const Image straight =
        bgra({0, 0, 0, 128, 255, 255, 255, 128, 0, 0, 255, 128, 0, 0, 0, 0}, 4, Image::Format::BGRA32);
    const Image premultiplied =
        bgra({0, 0, 0, 128, 128, 128, 128, 128, 0, 0, 128, 128, 0, 0, 0, 0}, 4, Image::Format::BGRA32Premultiplied);
    for (int x = 0; x < 4; ++x)
        EXPECT_NEAR(premultiplied.grey(x, 0), straight.grey(x, 0), 1) << "pixel " << x;
    EXPECT_EQ(premultiplied.grey(1, 0), 255);
    EXPECT_EQ(premultiplied.grey(3, 0), 255);
    // Regression: treating premultiplied colour as straight would darken white to 128 × 128 / 255 + 127 = 191.
    EXPECT_NEAR(premultiplied.grey(0, 0), 127, 1);
}

TEST(ImageTest, GreyRowAgreesWithGreyForEveryFormat)
{
    std::vector<std::uint8_t> colour;
    for (int i = 0; i < 4 * 7 * 2; ++i)
        colour.push_back(static_cast<std::uint8_t>((i * 37 + 11) % 256));
    std::vector<std::uint8_t> premultiplied = colour;
    for (std::size_t p = 0; p < premultiplied.size(); p += 4)
        for (std::size_t c = 0; c < 3; ++c)
            premultiplied[p + c] = static_cast<std::uint8_t>(premultiplied[p + c] * premultiplied[p + 3] / 255);
    const std::vector<Image> images{bgra(colour, 7, Image::Format::BGRA32),
                                    bgra(premultiplied, 7, Image::Format::BGRA32Premultiplied),
                                    Image::copyOf(14, 4, 14, Image::Format::Grey8, colour.data())};
    for (const Image& image : images) {
        std::vector<std::uint8_t> row(static_cast<std::size_t>(image.width));
        for (int y = 0; y < image.height; ++y) {
            image.greyRow(y, row.data());
            for (int x = 0; x < image.width; ++x)
                EXPECT_EQ(row[static_cast<std::size_t>(x)], image.grey(x, y)) << x << "," << y;
        }
    }
}
