#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// UTF-8 reading and repair for the writers of the core; user-perceived characters and case come from
// TextBoundaries.
namespace Unicode {
inline constexpr char32_t replacementCharacter = 0xFFFD;

// One scalar value read from UTF-8 and the number of bytes it took.
struct Decoded
{
    char32_t scalar;
    std::size_t length;
};

// Reads the scalar that starts at byte `pos` (< text.size()). An ill-formed sequence reads as U+FFFD and takes
// only its maximal well-formed prefix (at least one byte), as the Unicode standard recommends, so a stray byte
// never swallows the valid characters behind it.
Decoded decode(std::string_view text, std::size_t pos);

void appendUtf8(std::string& out, char32_t scalar);

// Returns the text with every ill-formed UTF-8 sequence replaced by U+FFFD.
std::string repaired(std::string_view text);
} // namespace Unicode
