#include "export/Crc32.h"

#include <array>

namespace CRC32 {
namespace {
// Eight tables let the loop take eight bytes per step ("slicing by 8"); tables[0] is the classic byte-wise table,
// tables[k][i] the register after feeding byte i and then k zero bytes. The result is the byte-wise CRC.
using Tables = std::array<std::array<std::uint32_t, 256>, 8>;

Tables makeTables()
{
    Tables tables{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t c = i;
        for (int bit = 0; bit < 8; ++bit)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        tables[0][i] = c;
    }
    for (std::size_t k = 1; k < 8; ++k)
        for (std::size_t i = 0; i < 256; ++i)
            tables[k][i] = tables[0][tables[k - 1][i] & 0xFFu] ^ (tables[k - 1][i] >> 8);
    return tables;
}

std::uint32_t update(const unsigned char* data, std::size_t size)
{
    // A function-local static is initialised exactly once even when threads race to the first call.
    static const Tables t = makeTables();
    std::uint32_t r = 0xFFFFFFFFu;
    for (; size >= 8; data += 8, size -= 8) {
        const std::uint32_t low = r
                                  ^ (std::uint32_t(data[0]) | std::uint32_t(data[1]) << 8 | std::uint32_t(data[2]) << 16
                                     | std::uint32_t(data[3]) << 24);
        r = t[7][low & 0xFFu] ^ t[6][(low >> 8) & 0xFFu] ^ t[5][(low >> 16) & 0xFFu] ^ t[4][low >> 24] ^ t[3][data[4]]
            ^ t[2][data[5]] ^ t[1][data[6]] ^ t[0][data[7]];
    }
    for (; size > 0; ++data, --size)
        r = t[0][(r ^ *data) & 0xFFu] ^ (r >> 8);
    return ~r;
}
} // namespace

std::uint32_t checksum(std::span<const std::uint8_t> data)
{
    return update(data.data(), data.size());
}

std::uint32_t checksum(std::string_view data)
{
    return update(reinterpret_cast<const unsigned char*>(data.data()), data.size());
}
} // namespace CRC32
