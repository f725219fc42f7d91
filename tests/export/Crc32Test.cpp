#include "export/Crc32.h"

#include <gtest/gtest.h>

#include <vector>

TEST(Crc32Test, MatchesZlibOnPublishedValuesHighBytesAndLongBuffers)
{
    // Eight bytes are taken per step: every byte value, and a length that is not a multiple of eight, must give
    // what one byte at a time gives. A signed char index into the table would go wrong on bytes of 0x80 and above.
    std::string everyByte;
    for (int copy = 0; copy < 3; ++copy)
        for (int value = 0; value < 256; ++value)
            everyByte += char(value);
    const std::vector<std::pair<std::string, std::uint32_t>> cases{
        {"123456789", 0xCBF43926u},
        {"The quick brown fox jumps over the lazy dog", 0x414FA339u},
        {"", 0u},
        {std::string("\x00\xFF\x80\x7F\xC3\xA9", 6), 0x868F60B8u},
        {everyByte + "xyz", 0x43906281u},
    };
    for (const auto& [text, crc] : cases) {
        EXPECT_EQ(CRC32::checksum(std::string_view(text)), crc) << text.size();
        EXPECT_EQ(CRC32::checksum(std::vector<std::uint8_t>(text.begin(), text.end())), crc) << text.size();
    }
}
