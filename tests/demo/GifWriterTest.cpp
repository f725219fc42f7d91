#include "demo/gif/GifWriter.h"

#include "DemoTestSupport.h"

#include <gif_lib.h>
#include <gtest/gtest.h>

#include <memory>

namespace {

Image solid(int width, int height, std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    std::vector<std::uint8_t> bytes;
    for (int i = 0; i < width * height; ++i)
        bytes.insert(bytes.end(), {b, g, r, 255});
    return Image::copyOf(width, height, width * 4, Image::Format::BGRA32, bytes.data());
}

std::string blocksOf(const std::string& gif)
{
    return runCommand("/usr/bin/python3 " + quoted(AMBREL_SOURCE_DIR "/tests/demo/gif_blocks.py") + " " + quoted(gif))
        .out;
}

} // namespace

TEST(GifWriterTest, DelaysRoundToTheNearestCentisecond)
{
    EXPECT_EQ(GifWriter::centiseconds(0.08), 8);
    EXPECT_EQ(GifWriter::centiseconds(0.055), 6); // exactly half way rounds up, not to even
    EXPECT_EQ(GifWriter::centiseconds(0.09), 9);
    EXPECT_EQ(GifWriter::centiseconds(1.4), 140);
    EXPECT_EQ(GifWriter::centiseconds(0.004), 0);
}

TEST(GifWriterTest, WritesLoopingFramesWithTheirDelays)
{
    TempDir dir;
    const std::string path = dir.file("a.gif");
    const auto result = GifWriter::write(
        path, {{solid(40, 30, 255, 0, 0), 5}, {solid(40, 30, 0, 255, 0), 6}, {solid(40, 30, 0, 255, 0), 140}});
    ASSERT_TRUE(result.ok()) << result.error;
    EXPECT_EQ(blocksOf(path), "screen 40 30\nloop 0\nframe 40 30 5\nframe 40 30 6\nframe 40 30 140\nend\n");
    // Nothing but the finished file is left in the folder.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(GifWriterTest, PixelsOfFewColoursDecodeExactly)
{
    TempDir dir;
    const std::string path = dir.file("b.gif");
    std::vector<std::uint8_t> bytes;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            bytes.insert(bytes.end(), {std::uint8_t(x * 16), std::uint8_t(y * 16), 200, 255}); // B, G, R, A
    const Image image = Image::copyOf(16, 16, 64, Image::Format::BGRA32, bytes.data());
    ASSERT_TRUE(GifWriter::write(path, {{image, 10}}).ok());

    int error = 0;
    auto close = [](GifFileType* gif) { DGifCloseFile(gif, nullptr); };
    std::unique_ptr<GifFileType, decltype(close)> gif{DGifOpenFileName(path.c_str(), &error), close};
    ASSERT_TRUE(gif);
    ASSERT_EQ(DGifSlurp(gif.get()), GIF_OK);
    ASSERT_EQ(gif->ImageCount, 1);
    const SavedImage& frame = gif->SavedImages[0];
    const ColorMapObject* map = frame.ImageDesc.ColorMap;
    ASSERT_NE(map, nullptr);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const GifColorType c = map->Colors[frame.RasterBits[y * 16 + x]];
            ASSERT_EQ(c.Red, 200);
            ASSERT_EQ(c.Green, y * 16);
            ASSERT_EQ(c.Blue, x * 16);
        }
}

TEST(GifWriterTest, RefusesWhatCannotBeWrittenAndLeavesNothing)
{
    TempDir dir;
    EXPECT_FALSE(GifWriter::write(dir.file("missing/a.gif"), {{solid(4, 4, 1, 2, 3), 5}}).ok());
    EXPECT_FALSE(GifWriter::write(dir.file("none.gif"), {}).ok());
    EXPECT_FALSE(GifWriter::write(dir.file("sizes.gif"), {{solid(4, 4, 1, 2, 3), 5}, {solid(5, 4, 1, 2, 3), 5}}).ok());
    // A folder in the way: the rename fails, and the temporary file must not stay behind.
    std::filesystem::create_directory(dir.file("taken.gif"));
    EXPECT_FALSE(GifWriter::write(dir.file("taken.gif"), {{solid(4, 4, 1, 2, 3), 5}}).ok());
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("taken.gif")));
}

TEST(GifWriterTest, FailedWriteKeepsThePreviousFile)
{
    TempDir dir;
    const std::string path = dir.file("keep.gif");
    ASSERT_TRUE(GifWriter::write(path, {{solid(8, 8, 9, 9, 9), 5}}).ok());
    const auto before = std::filesystem::file_size(path);
    EXPECT_FALSE(GifWriter::write(path, {{solid(8, 8, 1, 1, 1), 5}, {solid(9, 8, 1, 1, 1), 5}}).ok());
    EXPECT_EQ(std::filesystem::file_size(path), before);
}
