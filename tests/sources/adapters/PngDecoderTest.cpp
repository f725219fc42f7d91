// The command line's own PNG reader must give what Qt's reader gives, byte for byte: a picture read either way has
// to come out as the same text.
#include "sources/png/PngDecoder.h"

#include "LoaderFixtures.h"
#include "sources/qt/ImageLoader.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <string>
#include <vector>

using namespace LoaderFixtures;

namespace {
struct Kind
{
    const char* name;
    int colourType;
    int interlace = PNG_INTERLACE_NONE;
    bool gamma = false;
    bool transparencyKey = false;
    int depth = 8;
};

// Writes a 37 × 23 picture of the kind, with every channel varying across it, so that channel order, palette
// lookup and alpha all show in the bytes.
bool writePng(const std::string& path, const Kind& kind)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return false;
    }
    png_init_io(png, file);
    const int width = 37, height = 23;
    png_set_IHDR(png, info, width, height, kind.depth, kind.colourType, kind.interlace, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    std::vector<png_color> palette;
    if (kind.colourType == PNG_COLOR_TYPE_PALETTE) {
        for (int i = 0; i < 200; ++i)
            palette.push_back(png_color{png_byte(i), png_byte(255 - i), png_byte(i * 7)});
        png_set_PLTE(png, info, palette.data(), int(palette.size()));
    }
    if (kind.gamma)
        png_set_gAMA(png, info, 0.7);
    png_color_16 key{0, 10, 10, 10, 10};
    png_byte alphas[3] = {0, 128, 255};
    if (kind.transparencyKey) {
        if (kind.colourType == PNG_COLOR_TYPE_PALETTE)
            png_set_tRNS(png, info, alphas, 3, nullptr);
        else
            png_set_tRNS(png, info, nullptr, 0, &key);
    }
    png_write_info(png, info);
    const int channels = png_get_channels(png, info);
    const int bytes = kind.depth / 8 * channels;
    std::vector<png_byte> row(static_cast<std::size_t>(width) * std::max(bytes, 1));
    const int passes = png_set_interlace_handling(png);
    for (int pass = 0; pass < passes; ++pass) {
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x)
                for (int c = 0; c < std::max(bytes, 1); ++c)
                    row[std::size_t(x) * std::max(bytes, 1) + c] = png_byte(
                        kind.colourType == PNG_COLOR_TYPE_PALETTE ? (x * 5 + y) % 200 : x * 7 + y * 11 + c * 50);
            png_write_row(png, row.data());
        }
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0;
}
} // namespace

TEST(PngDecoderTest, GivesQtsBytesForTheKindsItReads)
{
    ensureGui();
    QTemporaryDir dir;
    const std::vector<Kind> kinds{
        {"grey", PNG_COLOR_TYPE_GRAY},
        {"grey-alpha", PNG_COLOR_TYPE_GRAY_ALPHA},
        {"rgb", PNG_COLOR_TYPE_RGB},
        {"rgba", PNG_COLOR_TYPE_RGB_ALPHA},
        {"palette", PNG_COLOR_TYPE_PALETTE},
        {"interlaced", PNG_COLOR_TYPE_RGB, PNG_INTERLACE_ADAM7},
        // Qt leaves gamma alone unless asked, and so does this reader.
        {"gamma", PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, true},
    };
    for (const Kind& kind : kinds) {
        const std::string path = dir.filePath(kind.name).toStdString() + ".png";
        ASSERT_TRUE(writePng(path, kind)) << kind.name;
        const auto ours = PngDecoder::decode(path, ImageLoader::maxImagePixels, ImageLoader::maxImageSide);
        const auto pages = ImageLoader::pages(path);
        ASSERT_TRUE(ours) << kind.name;
        ASSERT_EQ(pages.size(), 1u) << kind.name;
        const auto qt = pages[0].image();
        ASSERT_TRUE(qt) << kind.name;
        ASSERT_EQ(ours->width, qt->width) << kind.name;
        ASSERT_EQ(ours->height, qt->height) << kind.name;
        ASSERT_EQ(ours->format, qt->format) << kind.name;
        const int rowBytes = ours->width * Image::bytesPerPixel(ours->format);
        for (int y = 0; y < ours->height; ++y)
            ASSERT_EQ(std::string(reinterpret_cast<const char*>(ours->row(y)), rowBytes),
                      std::string(reinterpret_cast<const char*>(qt->row(y)), rowBytes))
                << kind.name << " row " << y;
    }
}

TEST(PngDecoderTest, DeclinesWhatItDoesNotReadExactly)
{
    QTemporaryDir dir;
    const auto at = [&](const char* name) { return dir.filePath(name).toStdString(); };
    const auto decode = [](const std::string& path) {
        return PngDecoder::decode(path, ImageLoader::maxImagePixels, ImageLoader::maxImageSide);
    };
    ASSERT_TRUE(writePng(at("deep.png"), {"16-bit", PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, false, false, 16}));
    ASSERT_TRUE(writePng(at("keyed.png"), {"tRNS", PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, false, true}));
    ASSERT_TRUE(writePng(at("keyed-palette.png"), {"tRNS", PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE, false, true}));
    EXPECT_FALSE(decode(at("deep.png")));
    EXPECT_FALSE(decode(at("keyed.png")));
    EXPECT_FALSE(decode(at("keyed-palette.png")));

    ASSERT_TRUE(writePng(at("whole.png"), {"rgb", PNG_COLOR_TYPE_RGB}));
    const std::string bytes = readBytes(at("whole.png"));
    writeBytes(at("cut.png"), bytes.substr(0, bytes.size() - 30));
    writeBytes(at("text.png"), "not a picture at all");
    EXPECT_TRUE(decode(at("whole.png")));
    EXPECT_FALSE(decode(at("cut.png")));
    EXPECT_FALSE(decode(at("text.png")));
    EXPECT_FALSE(decode(at("missing.png")));
    EXPECT_FALSE(PngDecoder::decode(at("whole.png"), 36 * 23, ImageLoader::maxImageSide)) << "pixel limit";
    EXPECT_FALSE(PngDecoder::decode(at("whole.png"), ImageLoader::maxImagePixels, 36)) << "side limit";
}
