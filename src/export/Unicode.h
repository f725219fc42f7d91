#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// The little Unicode text handling the workbook writer needs, without ICU: UTF-8 repair, user-perceived
// characters (extended grapheme clusters of UAX #29) and the locale-free full lower-case mapping.
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

// Returns the extended grapheme clusters of well-formed UTF-8 text, in order, as views into it.
std::vector<std::string_view> graphemes(std::string_view text);

// Returns the full lower-case form (U+0130 becomes i and a combining dot, a final Σ becomes ς) of well-formed
// UTF-8 text. No locale is consulted, so Turkish and Lithuanian rules do not apply.
std::string lowercased(std::string_view text);
} // namespace Unicode
