#include "sources/Bitmap.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string_view>
#include <vector>

namespace {
// Draws a bitmap from a picture written top row first: '#' is black, anything else white.
Bitmap picture(const std::vector<std::string_view>& topRowFirst)
{
    std::vector<std::uint8_t> px;
    for (auto row = topRowFirst.rbegin(); row != topRowFirst.rend(); ++row) // stored bottom-up
        for (char c : *row)
            px.push_back(c == '#' ? 0 : 255);
    return Bitmap{std::int64_t(topRowFirst.front().size()), std::int64_t(topRowFirst.size()), std::move(px)};
}

// The same picture as an image, rows top first as decoders deliver them.
Image pictureImage(const std::vector<std::string_view>& topRowFirst)
{
    std::vector<std::uint8_t> px;
    for (std::string_view row : topRowFirst)
        for (char c : row)
            px.push_back(c == '#' ? 0 : 255);
    const int width = static_cast<int>(topRowFirst.front().size());
    return Image::copyOf(width, static_cast<int>(topRowFirst.size()), width, Image::Format::Grey8, px.data());
}
} // namespace

TEST(BitmapTest, ImageTopRowLandsAtHighestRowIndex)
{
    const std::optional<Bitmap> bmp = Bitmap::from(pictureImage({"####", "....", "#...", "...."}));
    ASSERT_TRUE(bmp);
    EXPECT_EQ(bmp->w, 4);
    EXPECT_EQ(bmp->h, 4);
    EXPECT_EQ(bmp->darkCountRow(3), 4);
    EXPECT_EQ(bmp->darkCountRow(0), 0);
    EXPECT_EQ(bmp->darkCountRow(1), 1);
    EXPECT_EQ(bmp->darkCountColumn(0), 2); // counts need not be adjacent
}

TEST(BitmapTest, SizesAtTheEdges)
{
    const std::optional<Bitmap> one = Bitmap::from(Image::blankGrey(1, 1, 0));
    ASSERT_TRUE(one);
    EXPECT_EQ(one->px.size(), 1u);
    EXPECT_EQ(one->darkCountRow(0), 1);

    EXPECT_FALSE(Bitmap::from(Image::blankGrey(0, 5)));
    EXPECT_FALSE(Bitmap::from(Image::blankGrey(5, 0)));
    EXPECT_FALSE(Bitmap::from(Image{}));
}

TEST(BitmapTest, StrideShorterThanARowIsRefused)
{
    // Reading 4-byte pixels with a 4-byte stride for a 3-pixel row would run past the buffer on the last row.
    const std::vector<std::uint8_t> bytes(12, 0);
    EXPECT_FALSE(Bitmap::from(Image::copyOf(3, 3, 4, Image::Format::BGRA32, bytes.data())));
}

TEST(BitmapTest, FullyTransparentImageIsWhite)
{
    const std::vector<std::uint8_t> bytes(4 * 3 * 2, 0); // black, alpha 0
    for (Image::Format format : {Image::Format::BGRA32, Image::Format::BGRA32Premultiplied}) {
        const std::optional<Bitmap> bmp = Bitmap::from(Image::copyOf(3, 2, 12, format, bytes.data()));
        ASSERT_TRUE(bmp);
        EXPECT_EQ(bmp->px, std::vector<std::uint8_t>(6, 255));
        EXPECT_EQ(bmp->darkCountRow(0) + bmp->darkCountRow(1), 0);
    }
}

TEST(BitmapTest, DarkMeansBelow190)
{
    EXPECT_TRUE(Bitmap::dark(0));
    EXPECT_TRUE(Bitmap::dark(189));
    EXPECT_FALSE(Bitmap::dark(190));
    EXPECT_FALSE(Bitmap::dark(255));
    const std::vector<std::uint8_t> px{189, 190, 189, 190};
    const std::optional<Bitmap> bmp = Bitmap::from(Image::copyOf(4, 1, 4, Image::Format::Grey8, px.data()));
    ASSERT_TRUE(bmp);
    EXPECT_EQ(bmp->darkCountRow(0), 2);
}

TEST(BitmapTest, CountsOutsideTheBitmapAreZero)
{
    const Bitmap bmp = picture({"##", "##"});
    EXPECT_EQ(bmp.darkCountColumn(-1), 0);
    EXPECT_EQ(bmp.darkCountColumn(2), 0);
    EXPECT_EQ(bmp.darkCountRow(2), 0);
    // A hand-made bitmap whose buffer is shorter than its size reads nothing rather than past the end.
    const Bitmap shortBuffer{4, 4, std::vector<std::uint8_t>(3, 0)};
    EXPECT_EQ(shortBuffer.darkCountColumn(0), 0);
    EXPECT_EQ(shortBuffer.darkCountRow(3), 0);
}
