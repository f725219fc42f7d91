#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A write-only ZIP archive of stored (uncompressed) entries, built in memory. There are no ZIP64 records, so an
// archive that outgrows the classic 16- and 32-bit fields is refused with an error instead of written corrupt.
class Zip
{
public:
    // What the central directory needs to know about an entry written earlier.
    struct Entry
    {
        std::string name;
        std::uint32_t size = 0;
        std::uint32_t crc = 0;
        std::uint32_t offset = 0; // of the entry's local file header in the archive
    };

    // The finished archive, or why it could not be written (then `bytes` is empty).
    struct Result
    {
        std::vector<std::uint8_t> bytes;
        std::string error;
        bool ok() const { return error.empty(); }
    };

    // Makes room for an archive of about `bytes` bytes, sparing the copies of a growing buffer.
    void reserve(std::size_t bytes);

    // Appends one entry holding the bytes of `text` (UTF-8, unchanged) under the path `name`. After an entry that
    // breaks a limit nothing more is added and finalize() reports the first such error.
    void add(std::string_view name, std::string_view text);

    // Appends the central directory and the end record and hands over the archive. Call it once, after the last add.
    Result finalize();

    const std::vector<Entry>& entries() const { return m_entries; }

private:
    std::vector<std::uint8_t> m_out;
    std::vector<Entry> m_entries;
    std::string m_error;
};

// The limits of the classic format, checkable with sizes alone so that tests need not allocate gigabytes.
// 0xFFFF and 0xFFFFFFFF are not usable values: readers take them as the escape to ZIP64 records, which this writer
// does not write.
namespace ZipLimits {
inline constexpr std::uint64_t maxEntries = 0xFFFE;
inline constexpr std::uint64_t maxNameBytes = 0xFFFF;
inline constexpr std::uint64_t max32 = 0xFFFFFFFE;

// Returns why an entry with a name of `nameBytes` bytes and `dataSize` bytes of contents cannot follow
// `entriesBefore` entries with its local header at byte `offset`, or an empty text when it can.
std::string entryError(std::uint64_t entriesBefore, std::uint64_t nameBytes, std::uint64_t dataSize,
                       std::uint64_t offset);

// Returns why a central directory of `size` bytes cannot start at byte `start`, or an empty text when it can.
std::string directoryError(std::uint64_t start, std::uint64_t size);
} // namespace ZipLimits
