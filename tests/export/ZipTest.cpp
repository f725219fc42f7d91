#include "export/Zip.h"

#include <gtest/gtest.h>

// Archives are read back by Python's zipfile and Info-ZIP's unzip in XLSXReadBackTest; here are the limits that
// would take ZIP64 to pass.
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
    const std::size_t count = largest.bytes.size() - 12; // the end record's entry count
    EXPECT_EQ(largest.bytes.at(count) | (largest.bytes.at(count + 1) << 8), 65534);
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
