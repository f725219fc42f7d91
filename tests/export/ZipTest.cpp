#include "export/Zip.h"

#include <gtest/gtest.h>

namespace {
// The archive's little-endian fields, read back so that the layout is checked rather than the writer restated.
std::uint32_t le16At(const std::vector<std::uint8_t>& bytes, std::size_t at)
{
    return bytes.at(at) | (bytes.at(at + 1) << 8);
}

std::uint32_t le32At(const std::vector<std::uint8_t>& bytes, std::size_t at)
{
    return le16At(bytes, at) | (le16At(bytes, at + 2) << 16);
}
} // namespace

// Names, contents and checksums are read back by Python's zipfile in XLSXReadBackTest; here the offsets, which
// readers forgive, must add up exactly.
TEST(ZipTest, OffsetsAndDirectoryAddUp)
{
    // Names and texts with multi-byte UTF-8 make byte and character counts differ.
    const std::vector<std::pair<std::string, std::string>> added{
        {"empty.txt", ""}, {"dir/\xC3\xA9t\xC3\xA9.xml", "caf\xC3\xA9 \xF0\x9F\x98\x80"}, {"z", "last"}};
    Zip zip;
    for (const auto& [name, text] : added)
        zip.add(name, text);
    const Zip::Result result = zip.finalize();
    ASSERT_TRUE(result.ok()) << result.error;
    const std::vector<std::uint8_t>& out = result.bytes;

    std::size_t offset = 0, directorySize = 0;
    for (const auto& [name, text] : added) {
        SCOPED_TRACE(name);
        EXPECT_EQ(le32At(out, offset), 0x04034B50u);
        EXPECT_EQ(le16At(out, offset + 6), 0u) << "UTF-8 flag must stay clear";
        EXPECT_EQ(le16At(out, offset + 26), name.size()) << "name length counts bytes";
        EXPECT_EQ(le32At(out, offset + 18), text.size());
        offset += 30 + name.size() + text.size();
        directorySize += 46 + name.size();
    }
    const std::size_t end = out.size() - 22;
    EXPECT_EQ(le32At(out, end), 0x06054B50u);
    EXPECT_EQ(le16At(out, end + 10), 3u);
    EXPECT_EQ(le32At(out, end + 12), directorySize);
    EXPECT_EQ(le32At(out, end + 16), offset) << "directory starts right after the last entry";
    EXPECT_EQ(end, offset + directorySize);
}

TEST(ZipLimitsTest, EntryLimitsStopShortOfTheZip64EscapeValues)
{
    EXPECT_EQ(ZipLimits::entryError(0, 0, 0, 0), "");
    EXPECT_EQ(ZipLimits::entryError(65533, 65535, 0xFFFFFFFEu, 0xFFFFFFFEu), "");
    EXPECT_NE(ZipLimits::entryError(65534, 1, 0, 0), "") << "a 65,535th entry would read as the ZIP64 marker";
    EXPECT_NE(ZipLimits::entryError(0, 65536, 0, 0), "");
    EXPECT_NE(ZipLimits::entryError(0, 1, 0xFFFFFFFFu, 0), "");
    EXPECT_NE(ZipLimits::entryError(0, 1, 5'000'000'000u, 0), "");
    EXPECT_NE(ZipLimits::entryError(0, 1, 0, 0xFFFFFFFFu), "");
    EXPECT_NE(ZipLimits::entryError(0, 1, 0, 1ull << 40), "");

    EXPECT_EQ(ZipLimits::directoryError(0xFFFFFFFEu, 0xFFFFFFFEu), "");
    EXPECT_NE(ZipLimits::directoryError(0xFFFFFFFFu, 46), "");
    EXPECT_NE(ZipLimits::directoryError(100, 0xFFFFFFFFu), "");
    // The most entries with the longest names overflow the directory size even though each entry fits.
    EXPECT_NE(ZipLimits::directoryError(0, 65534ull * (46 + 65535)), "");
}

TEST(ZipLimitsTest, TooManyEntriesOrAnOverlongNameFailInsteadOfWrapping)
{
    Zip zip;
    for (int i = 0; i < 65534; ++i)
        zip.add("a", "");
    Zip full = zip;
    const Zip::Result largest = full.finalize();
    ASSERT_TRUE(largest.ok()) << largest.error;
    EXPECT_EQ(le16At(largest.bytes, largest.bytes.size() - 12), 65534u);
    zip.add("one too many", "x");
    zip.add("b", "later adds are ignored");
    const Zip::Result tooMany = zip.finalize();
    EXPECT_FALSE(tooMany.ok());
    EXPECT_NE(tooMany.error.find("too many entries"), std::string::npos) << tooMany.error;
    EXPECT_TRUE(tooMany.bytes.empty());

    Zip named;
    named.add(std::string(65535, 'n'), "fits");
    Zip longest = named;
    EXPECT_TRUE(longest.finalize().ok());
    named.add(std::string(65536, 'n'), "");
    const Zip::Result overlong = named.finalize();
    EXPECT_FALSE(overlong.ok());
    EXPECT_NE(overlong.error.find("name"), std::string::npos) << overlong.error;
}
