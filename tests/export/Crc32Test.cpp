#include "export/Crc32.h"

#include <gtest/gtest.h>

#include <vector>

TEST(Crc32Test, PublishedCheckValues)
{
    EXPECT_EQ(CRC32::checksum(std::string_view("123456789")), 0xCBF43926u);
    EXPECT_EQ(CRC32::checksum(std::string_view("abc")), 0x352441C2u);
    EXPECT_EQ(CRC32::checksum(std::string_view("The quick brown fox jumps over the lazy dog")), 0x414FA339u);
    EXPECT_EQ(CRC32::checksum(std::string_view()), 0u);
}

TEST(Crc32Test, HighBytesAndEmbeddedNulsAreHashedAsUnsigned)
{
    // A signed char index into the table would go wrong exactly on bytes of 0x80 and above.
    const std::vector<std::uint8_t> bytes{0x00, 0xFF, 0x80, 0x7F, 0xC3, 0xA9};
    const std::string_view text("\x00\xFF\x80\x7F\xC3\xA9", 6);
    EXPECT_EQ(CRC32::checksum(bytes), CRC32::checksum(text));
    EXPECT_EQ(CRC32::checksum(text), 0x868F60B8u);
}

TEST(Crc32Test, LongBuffersMatchTheByteWiseDefinition)
{
    // Eight bytes are taken per step; every byte value, and a length that is not a multiple of eight, must give
    // the same result as one byte at a time (reference value from zlib's crc32).
    std::vector<std::uint8_t> bytes;
    for (int copy = 0; copy < 3; ++copy)
        for (int value = 0; value < 256; ++value)
            bytes.push_back(static_cast<std::uint8_t>(value));
    bytes.insert(bytes.end(), {'x', 'y', 'z'});
    EXPECT_EQ(CRC32::checksum(bytes), 0x43906281u);
}
