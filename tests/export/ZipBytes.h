#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Reads the little-endian fields of a ZIP archive back, so tests check the layout rather than restate the writer.
inline std::uint32_t le16At(const std::vector<std::uint8_t>& bytes, std::size_t at)
{
    return bytes.at(at) | (bytes.at(at + 1) << 8);
}

inline std::uint32_t le32At(const std::vector<std::uint8_t>& bytes, std::size_t at)
{
    return le16At(bytes, at) | (le16At(bytes, at + 2) << 16);
}

inline std::string textAt(const std::vector<std::uint8_t>& bytes, std::size_t at, std::size_t length)
{
    return std::string(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                       bytes.begin() + static_cast<std::ptrdiff_t>(at + length));
}

// One entry as the central directory describes it, with its contents taken from behind its local header.
struct ListedEntry
{
    std::string name;
    std::uint32_t crc;
    std::uint32_t size;
    std::uint32_t offset;
    std::string contents;
};

// Walks the end record and the central directory the way a reader does.
inline std::vector<ListedEntry> listEntries(const std::vector<std::uint8_t>& zip)
{
    const std::size_t end = zip.size() - 22;
    const std::uint32_t count = le16At(zip, end + 10);
    std::size_t at = le32At(zip, end + 16);
    std::vector<ListedEntry> entries;
    for (std::uint32_t i = 0; i < count; ++i) {
        ListedEntry e;
        const std::uint32_t nameLength = le16At(zip, at + 28);
        e.name = textAt(zip, at + 46, nameLength);
        e.crc = le32At(zip, at + 16);
        e.size = le32At(zip, at + 24);
        e.offset = le32At(zip, at + 42);
        e.contents = textAt(zip, e.offset + 30 + le16At(zip, e.offset + 26), e.size);
        entries.push_back(e);
        at += 46 + nameLength;
    }
    return entries;
}
