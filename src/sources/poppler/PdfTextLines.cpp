#include "sources/poppler/PdfTextLines.h"

#include <algorithm>

namespace PdfTextLines {

std::string spellLigatures(std::string_view text)
{
    // U+FB00..U+FB06 are EF AC 80..86 in UTF-8.
    static constexpr std::string_view spelled[] = {"ff", "fi", "fl", "ffi", "ffl", "st", "st"};
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (i + 2 < text.size() && static_cast<unsigned char>(text[i]) == 0xEF
            && static_cast<unsigned char>(text[i + 1]) == 0xAC) {
            const unsigned last = static_cast<unsigned char>(text[i + 2]);
            if (last >= 0x80 && last <= 0x86) {
                out += spelled[last - 0x80];
                i += 2;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

std::string_view trim(std::string_view text)
{
    constexpr std::string_view blank = " \t\r\n\f\v";
    const std::size_t first = text.find_first_not_of(blank);
    if (first == std::string_view::npos)
        return {};
    const std::size_t last = text.find_last_not_of(blank);
    return text.substr(first, last - first + 1);
}

std::size_t codePoints(std::string_view text)
{
    return static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

} // namespace PdfTextLines
