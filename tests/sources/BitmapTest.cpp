#include "sources/Bitmap.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string_view>
#include <vector>

namespace {
// An image drawn as text, top row first as decoders deliver it: '#' is black, anything else white.
Image picture(const std::vector<std::string_view>& topRowFirst)
{
    std::vector<std::uint8_t> px;
    for (std::string_view row : topRowFirst)
        for (char c : row)
            px.push_back(c == '#' ? 0 : 255);
    const int width = static_cast<int>(topRowFirst.front().size());
    return Image::copyOf(width, static_cast<int>(topRowFirst.size()), width, Image::Format::Grey8, px.data());
}
} // namespace

TEST(BitmapTest, ImageTopRowIsTheHighestRowAndTransparentIsWhite)
{
    const std::optional<Bitmap> bmp = Bitmap::from(picture({"####", "....", "#...", "...."}));
    ASSERT_TRUE(bmp);
    EXPECT_EQ(bmp->darkCountRow(3), 4);
    EXPECT_EQ(bmp->darkCountRow(1), 1);
    EXPECT_EQ(bmp->darkCountRow(0), 0);
    EXPECT_EQ(bmp->darkCountColumn(0), 2); // counts need not be adjacent

    const std::vector<std::uint8_t> transparentBlack(4 * 3 * 2, 0);
    for (Image::Format format : {Image::Format::BGRA32, Image::Format::BGRA32Premultiplied})
        EXPECT_EQ(Bitmap::from(Image::copyOf(3, 2, 12, format, transparentBlack.data()))->px,
                  std::vector<std::uint8_t>(6, 255));
}

TEST(BitmapTest, BadSizesGiveNoBitmapAndCountsOutsideItReadNothing)
{
    EXPECT_EQ(Bitmap::from(Image::blankGrey(1, 1, 0))->darkCountRow(0), 1);
    // Reading 4-byte pixels with a 4-byte stride for a 3-pixel row would run past the buffer on the last row.
    const std::vector<std::uint8_t> bytes(12, 0);
    for (const Image& image : {Image::blankGrey(0, 5), Image::blankGrey(5, 0), Image{},
                               Image::copyOf(3, 3, 4, Image::Format::BGRA32, bytes.data())})
        EXPECT_FALSE(Bitmap::from(image)) << image.width << "x" << image.height;

    const Bitmap bmp = *Bitmap::from(picture({"##", "##"}));
    EXPECT_EQ(bmp.darkCountColumn(-1), 0);
    EXPECT_EQ(bmp.darkCountColumn(2), 0);
    EXPECT_EQ(bmp.darkCountRow(2), 0);
    // A hand-made bitmap whose buffer is shorter than its size reads nothing rather than past the end.
    const Bitmap shortBuffer{4, 4, std::vector<std::uint8_t>(3, 0)};
    EXPECT_EQ(shortBuffer.darkCountColumn(0), 0);
    EXPECT_EQ(shortBuffer.darkCountRow(3), 0);
}
