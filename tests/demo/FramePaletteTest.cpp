#include "demo/FramePalette.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <tuple>

using FramePalette::Colour;

namespace {

// Builds an opaque BGRA image from a function of the pixel position.
Image picture(int width, int height, const std::function<Colour(int, int)>& colourAt)
{
    std::vector<std::uint8_t> bytes;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const Colour c = colourAt(x, y);
            bytes.insert(bytes.end(), {c[2], c[1], c[0], 255});
        }
    return Image::copyOf(width, height, width * 4, Image::Format::BGRA32, bytes.data());
}

Colour sourceAt(const Image& image, int x, int y)
{
    const std::uint8_t* px = image.row(y) + 4 * x;
    return {px[2], px[1], px[0]};
}

Colour quantizedAt(const FramePalette::IndexedFrame& frame, int x, int y)
{
    return frame.palette[frame.indices[std::size_t(y) * std::size_t(frame.width) + std::size_t(x)]];
}

// A smooth field of about 65,000 colours: far more than a palette holds, with no edge anywhere.
Colour smoothField(int x, int y)
{
    return {std::uint8_t(x), std::uint8_t(y), std::uint8_t((x + y) / 2)};
}

} // namespace

TEST(FramePaletteTest, FewColoursAndLargeAreasKeepExactEntries)
{
    // Exactly 256 colours, each in a 4 × 3 tile: every pixel is kept.
    const Image tiles = picture(64, 48, [](int x, int y) {
        return Colour{std::uint8_t(x / 4 * 16), std::uint8_t(y / 3 * 16), 7};
    });
    // A 24-step gradient in wide bands, as the desktop background is, above noise of thousands of colours
    // competing for entries: the bands are kept.
    const Image banded = picture(400, 200, [](int x, int y) {
        if (y < 100)
            return Colour{std::uint8_t(40 + y / 4), std::uint8_t(45 + y / 4), std::uint8_t(60 + y / 4)};
        return Colour{std::uint8_t(x * 7 % 256), std::uint8_t(y * 13 % 256), std::uint8_t((x * y) % 256)};
    });
    for (const auto& [image, rows, step] : {std::tuple{&tiles, 48, 1}, std::tuple{&banded, 100, 37}}) {
        const auto frame = FramePalette::quantize(*image);
        ASSERT_EQ(frame.indices.size(), std::size_t(image->width * image->height));
        EXPECT_LE(frame.palette.size(), 256u);
        for (int y = 0; y < rows; ++y)
            for (int x = 0; x < image->width; x += step)
                ASSERT_EQ(quantizedAt(frame, x, y), sourceAt(*image, x, y)) << x << "," << y;
    }
    // A grey image is read as grey.
    EXPECT_EQ(FramePalette::quantize(Image::blankGrey(10, 4, 77)).palette, (std::vector<Colour>{{77, 77, 77}}));
}

TEST(FramePaletteTest, SmoothAreasKeepTheirAverageColour)
{
    // Nearest-colour mapping alone turns a smooth field into flat bands whose average is off by several levels;
    // dithering keeps every 8 × 8 block close to the average of the source.
    const Image image = picture(256, 256, smoothField);
    const auto frame = FramePalette::quantize(image);
    ASSERT_LE(frame.palette.size(), 256u);
    double worst = 0;
    for (int by = 8; by < 248; by += 8)
        for (int bx = 8; bx < 248; bx += 8)
            for (int ch = 0; ch < 3; ++ch) {
                double source = 0, quantized = 0;
                for (int y = by; y < by + 8; ++y)
                    for (int x = bx; x < bx + 8; ++x) {
                        source += sourceAt(image, x, y)[std::size_t(ch)];
                        quantized += quantizedAt(frame, x, y)[std::size_t(ch)];
                    }
                worst = std::max(worst, std::abs(source - quantized) / 64);
            }
    EXPECT_LT(worst, 2.5);
}

TEST(FramePaletteTest, SameGlyphQuantizesTheSameAnywhere)
{
    // Ordered dithering depends on the position, so a glyph edge that was dithered would look different at each
    // place the glyph is drawn: speckled text. A soft-edged dot is stamped at eight offsets on a white card next to
    // a smooth field that forces the palette to be shared.
    auto dot = [](int dx, int dy) {
        const double d = std::hypot(dx - 6.0, dy - 6.0);
        const double ink = std::clamp(5.0 - d, 0.0, 1.0) * 0.8 + std::clamp(3.0 - d, 0.0, 1.0) * 0.2;
        const auto level = std::uint8_t(std::lround(255 - ink * (255 - 30)));
        return Colour{level, level, std::uint8_t(std::min(255, level + 3))};
    };
    auto origin = [](int cell) { return std::pair{cell * 21, 266 + cell}; }; // a new offset modulo 8 each time
    const Image image = picture(256, 320, [&](int x, int y) {
        if (y < 256)
            return smoothField(x, y);
        for (int cell = 0; cell < 8; ++cell) {
            const auto [ox, oy] = origin(cell);
            if (x >= ox && x < ox + 13 && y >= oy && y < oy + 13)
                return dot(x - ox, y - oy);
        }
        return Colour{255, 255, 255};
    });
    const auto frame = FramePalette::quantize(image);
    const auto [x0, y0] = origin(0);
    for (int cell = 1; cell < 8; ++cell) {
        const auto [ox, oy] = origin(cell);
        for (int dy = 0; dy < 13; ++dy)
            for (int dx = 0; dx < 13; ++dx)
                ASSERT_EQ(quantizedAt(frame, ox + dx, oy + dy), quantizedAt(frame, x0 + dx, y0 + dy))
                    << "cell " << cell << " at " << dx << "," << dy;
    }
}
