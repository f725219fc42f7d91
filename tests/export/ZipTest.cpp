#include "export/Zip.h"

#include "ZipBytes.h"

#include <gtest/gtest.h>

TEST(ZipTest, OffsetsAndDirectoryAddUp)
{
    // Names and texts with multi-byte UTF-8 make byte and character counts differ.
    const std::vector<std::pair<std::string, std::string>> added{
        {"empty.txt", ""}, {"dir/\xC3\xA9t\xC3\xA9.xml", "caf\xC3\xA9 \xF0\x9F\x98\x80"}, {"z", "last"}};
    Zip zip;
    for (const auto& [name, text] : added)
        zip.add(name, text);
    ASSERT_EQ(zip.entries().size(), 3u);
    const Zip::Result result = zip.finalize();
    ASSERT_TRUE(result.ok()) << result.error;
    const std::vector<std::uint8_t>& out = result.bytes;

    std::size_t expectedOffset = 0, directorySize = 0;
    const std::vector<ListedEntry> listed = listEntries(out);
    ASSERT_EQ(listed.size(), added.size());
    for (std::size_t i = 0; i < added.size(); ++i) {
        SCOPED_TRACE(added[i].first);
        EXPECT_EQ(listed[i].name, added[i].first);
        EXPECT_EQ(listed[i].offset, expectedOffset);
        EXPECT_EQ(listed[i].contents, added[i].second);
        EXPECT_EQ(le32At(out, expectedOffset), 0x04034B50u);
        EXPECT_EQ(le16At(out, expectedOffset + 6), 0u) << "UTF-8 flag must stay clear";
        EXPECT_EQ(le16At(out, expectedOffset + 26), added[i].first.size()) << "name length counts bytes";
        EXPECT_EQ(le32At(out, expectedOffset + 18), added[i].second.size());
        EXPECT_EQ(le32At(out, expectedOffset + 22), added[i].second.size());
        expectedOffset += 30 + added[i].first.size() + added[i].second.size();
        directorySize += 46 + added[i].first.size();
    }
    EXPECT_EQ(listed[0].crc, 0u) << "empty entry";
    EXPECT_EQ(listed[0].size, 0u);
    EXPECT_EQ(le32At(out, 30 + 9), 0x04034B50u) << "an empty entry is followed directly by the next header";

    const std::size_t end = out.size() - 22;
    EXPECT_EQ(le32At(out, end), 0x06054B50u);
    EXPECT_EQ(le16At(out, end + 8), 3u);
    EXPECT_EQ(le16At(out, end + 10), 3u);
    EXPECT_EQ(le32At(out, end + 12), directorySize);
    EXPECT_EQ(le32At(out, end + 16), expectedOffset) << "directory starts right after the last entry";
    EXPECT_EQ(end, expectedOffset + directorySize);
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

TEST(ZipLimitsTest, TooManyEntriesFailsInsteadOfWrappingTheCount)
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
    const Zip::Result result = zip.finalize();
    EXPECT_FALSE(result.ok());
    EXPECT_NE(result.error.find("too many entries"), std::string::npos) << result.error;
    EXPECT_TRUE(result.bytes.empty());
}

TEST(ZipLimitsTest, OverlongNameFails)
{
    Zip zip;
    zip.add(std::string(65535, 'n'), "fits");
    Zip longest = zip;
    EXPECT_TRUE(longest.finalize().ok());

    zip.add(std::string(65536, 'n'), "");
    const Zip::Result result = zip.finalize();
    EXPECT_FALSE(result.ok());
    EXPECT_NE(result.error.find("name"), std::string::npos) << result.error;
}
