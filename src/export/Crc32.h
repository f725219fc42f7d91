#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

// The CRC-32 that ZIP entries carry (reflected, polynomial 0xEDB88320, the same as IEEE 802.3).
namespace CRC32 {
// Returns the checksum of the bytes; 0 for an empty buffer.
std::uint32_t checksum(std::span<const std::uint8_t> data);
std::uint32_t checksum(std::string_view data);
} // namespace CRC32
