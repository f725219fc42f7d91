#include "demo/gif/GifWriter.h"

#include "DemoTestSupport.h"

#include <gtest/gtest.h>

using TestSupport::TempDir;

namespace {
Image solid(int width, int height, std::uint8_t level)
{
    const std::vector<std::uint8_t> bytes(std::size_t(width) * std::size_t(height) * 4, level);
    return Image::copyOf(width, height, width * 4, Image::Format::BGRA32, bytes.data());
}

std::size_t entries(const TempDir& dir)
{
    return std::size_t(std::distance(std::filesystem::directory_iterator(dir.path()), {}));
}
} // namespace

TEST(GifWriterTest, WritesLoopingFramesWithTheirDelaysAndExactColours)
{
    TempDir dir;
    const std::string path = (dir / "a.gif").string();
    std::vector<std::uint8_t> bytes;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            bytes.insert(bytes.end(), {std::uint8_t(x * 16), std::uint8_t(y * 16), 200, 255}); // B, G, R, A
    const Image gradient = Image::copyOf(16, 16, 64, Image::Format::BGRA32, bytes.data());
    const auto result = GifWriter::write(path, {{gradient, 5}, {solid(16, 16, 9), 6}, {solid(16, 16, 9), 140}});
    ASSERT_TRUE(result.ok()) << result.error;
    EXPECT_EQ(gifBlocks(path), "screen 16 16\nloop 0\nframe 16 16 5\nframe 16 16 6\nframe 16 16 140\nend\n");
    EXPECT_EQ(entries(dir), 1u) << "nothing but the finished file is left in the folder";

    // A frame of no more than 256 colours decodes to exactly its pixels.
    const std::vector<DecodedFrame> frames = decodeGif(path);
    ASSERT_EQ(frames.size(), 3u);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            ASSERT_EQ(frames[0].rgb[std::size_t(y * 16 + x)],
                      (std::array<std::uint8_t, 3>{200, std::uint8_t(y * 16), std::uint8_t(x * 16)}))
                << x << "," << y;
}

TEST(GifWriterTest, RefusesWhatCannotBeWrittenAndKeepsWhatWasThere)
{
    TempDir dir;
    const std::string kept = (dir / "keep.gif").string();
    ASSERT_TRUE(GifWriter::write(kept, {{solid(8, 8, 9), 5}}).ok());
    const std::string before = TestSupport::readFile(kept);
    std::filesystem::create_directory(dir / "taken.gif"); // the rename fails; no temporary file may stay behind
    const std::vector<std::pair<std::string, std::vector<GifWriter::Frame>>> refused{
        {(dir / "missing/a.gif").string(), {{solid(4, 4, 1), 5}}},
        {(dir / "none.gif").string(), {}},
        {(dir / "sizes.gif").string(), {{solid(4, 4, 1), 5}, {solid(5, 4, 1), 5}}},
        {(dir / "taken.gif").string(), {{solid(4, 4, 1), 5}}},
        {kept, {{solid(8, 8, 1), 5}, {solid(9, 8, 1), 5}}},
    };
    for (const auto& [path, frames] : refused)
        EXPECT_FALSE(GifWriter::write(path, frames).ok()) << path;
    EXPECT_EQ(entries(dir), 2u);
    EXPECT_TRUE(std::filesystem::is_directory(dir / "taken.gif"));
    EXPECT_EQ(TestSupport::readFile(kept), before);
}
