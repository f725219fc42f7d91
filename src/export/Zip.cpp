#include "export/Zip.h"

#include "export/Crc32.h"

#include <utility>

namespace {
constexpr std::uint64_t centralHeaderSize = 46;
constexpr std::uint64_t endRecordSize = 22;

void le16(std::vector<std::uint8_t>& out, std::uint16_t value)
{
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void le32(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<std::uint8_t>((value >> shift) & 0xFF));
}

void append(std::vector<std::uint8_t>& out, std::string_view bytes)
{
    const auto* begin = reinterpret_cast<const std::uint8_t*>(bytes.data());
    out.insert(out.end(), begin, begin + bytes.size());
}
} // namespace

namespace ZipLimits {
std::string entryError(std::uint64_t entriesBefore, std::uint64_t nameBytes, std::uint64_t dataSize,
                       std::uint64_t offset)
{
    if (entriesBefore >= maxEntries)
        return "too many entries for a ZIP archive without ZIP64 (at most " + std::to_string(maxEntries) + ")";
    if (nameBytes > maxNameBytes)
        return "ZIP entry name is " + std::to_string(nameBytes) + " bytes long (at most " + std::to_string(maxNameBytes)
               + ")";
    if (dataSize > max32)
        return "ZIP entry of " + std::to_string(dataSize) + " bytes is too large without ZIP64";
    if (offset > max32)
        return "ZIP archive is too large without ZIP64 (entry at byte " + std::to_string(offset) + ")";
    return {};
}

std::string directoryError(std::uint64_t start, std::uint64_t size)
{
    if (start > max32)
        return "ZIP archive is too large without ZIP64 (central directory at byte " + std::to_string(start) + ")";
    if (size > max32)
        return "ZIP central directory of " + std::to_string(size) + " bytes is too large without ZIP64";
    return {};
}
} // namespace ZipLimits

void Zip::reserve(std::size_t bytes)
{
    m_out.reserve(bytes);
}

void Zip::add(std::string_view name, std::string_view text)
{
    if (!m_error.empty())
        return;
    m_error = ZipLimits::entryError(m_entries.size(), name.size(), text.size(), m_out.size());
    if (!m_error.empty())
        return;

    Entry entry{std::string(name), static_cast<std::uint32_t>(text.size()), CRC32::checksum(text),
                static_cast<std::uint32_t>(m_out.size())};
    le32(m_out, 0x04034B50);
    le16(m_out, 20); // version needed to extract: 2.0
    le16(m_out, 0);  // flags: the UTF-8 name bit stays clear, as Office writes its packages
    le16(m_out, 0);  // stored
    le16(m_out, 0);  // MS-DOS time
    le16(m_out, 0);  // MS-DOS date
    le32(m_out, entry.crc);
    le32(m_out, entry.size);
    le32(m_out, entry.size);
    le16(m_out, static_cast<std::uint16_t>(name.size()));
    le16(m_out, 0); // extra field length
    append(m_out, name);
    append(m_out, text);
    m_entries.push_back(std::move(entry));
}

Zip::Result Zip::finalize()
{
    if (!m_error.empty())
        return {{}, m_error};

    const std::uint64_t start = m_out.size();
    std::uint64_t size = 0;
    for (const Entry& entry : m_entries)
        size += centralHeaderSize + entry.name.size();
    if (std::string error = ZipLimits::directoryError(start, size); !error.empty())
        return {{}, std::move(error)};

    m_out.reserve(start + size + endRecordSize);
    for (const Entry& entry : m_entries) {
        le32(m_out, 0x02014B50);
        le16(m_out, 20); // made by: MS-DOS attribute compatibility, version 2.0
        le16(m_out, 20); // needed to extract
        le16(m_out, 0);  // flags
        le16(m_out, 0);  // stored
        le16(m_out, 0);  // time
        le16(m_out, 0);  // date
        le32(m_out, entry.crc);
        le32(m_out, entry.size);
        le32(m_out, entry.size);
        le16(m_out, static_cast<std::uint16_t>(entry.name.size()));
        le16(m_out, 0); // extra field length
        le16(m_out, 0); // comment length
        le16(m_out, 0); // disk number start
        le16(m_out, 0); // internal attributes
        le32(m_out, 0); // external attributes
        le32(m_out, entry.offset);
        append(m_out, entry.name);
    }

    le32(m_out, 0x06054B50);
    le16(m_out, 0); // this disk
    le16(m_out, 0); // disk of the central directory
    le16(m_out, static_cast<std::uint16_t>(m_entries.size()));
    le16(m_out, static_cast<std::uint16_t>(m_entries.size()));
    le32(m_out, static_cast<std::uint32_t>(size));
    le32(m_out, static_cast<std::uint32_t>(start));
    le16(m_out, 0); // comment length
    return {std::move(m_out), {}};
}
