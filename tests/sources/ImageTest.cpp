#include "sources/Image.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <tuple>
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

TEST(ImageTest, GreyIsStandardLuminanceComposedOverWhite)
{
    // B, G, R, A, straight (S) or premultiplied (P), and the grey over white: white and black exactly, else within 1.
    constexpr Image::Format S = Image::Format::BGRA32, P = Image::Format::BGRA32Premultiplied;
    const std::vector<std::tuple<std::vector<std::uint8_t>, Image::Format, int>> pixels{
        {{255, 255, 255, 255}, S, 255},
        {{0, 0, 0, 255}, S, 0},
        {{0, 0, 255, 255}, S, bt601(255, 0, 0)},
        {{0, 255, 0, 255}, S, bt601(0, 255, 0)},
        {{255, 0, 0, 255}, S, bt601(0, 0, 255)},
        {{0, 0, 0, 0}, S, 255},              // fully transparent black vanishes
        {{0, 0, 0, 128}, S, 127},            // half-transparent black is mid grey
        {{255, 255, 255, 77}, S, 255},       // white stays white at any alpha
        {{0, 0, 255, 128}, S, 76 / 2 + 128}, // half red over white
        {{0, 0, 0, 128}, P, 127},            // the same looks stored premultiplied give the same grey
        {{0, 0, 128, 128}, P, 76 / 2 + 128},
        {{0, 0, 0, 0}, P, 255},
        {{128, 128, 128, 128}, P, 255}, // regression: read as straight colour it was 191
    };
    for (const auto& [bytes, format, grey] : pixels)
        EXPECT_NEAR(bgra(bytes, 1, format).grey(0, 0), grey, grey == 0 || grey == 255 ? 0 : 1)
            << ::testing::PrintToString(bytes) << (format == P ? " premultiplied" : "");

    // Two rows of 3 grey pixels with two bytes of padding after each row: row 1 is counted from the top.
    const std::vector<std::uint8_t> bytes{10, 20, 30, 99, 99, 40, 50, 60, 99, 99};
    const Image grey = Image::copyOf(3, 2, 5, Image::Format::Grey8, bytes.data());
    EXPECT_EQ(grey.grey(2, 0), 30);
    EXPECT_EQ(grey.grey(0, 1), 40);
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
    for (const Image& image :
         {bgra(colour, 7, Image::Format::BGRA32), bgra(premultiplied, 7, Image::Format::BGRA32Premultiplied),
          Image::copyOf(14, 4, 14, Image::Format::Grey8, colour.data())}) {
        std::vector<std::uint8_t> row(static_cast<std::size_t>(image.width));
        for (int y = 0; y < image.height; ++y) {
            image.greyRow(y, row.data());
            for (int x = 0; x < image.width; ++x)
                EXPECT_EQ(row[static_cast<std::size_t>(x)], image.grey(x, y)) << x << "," << y;
        }
    }
}
