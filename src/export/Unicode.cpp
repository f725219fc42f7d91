#include "export/Unicode.h"

namespace Unicode {
Decoded decode(std::string_view text, std::size_t pos)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(pos);
    if (lead < 0x80)
        return {lead, 1};

    std::size_t need = 0;
    char32_t scalar = 0;
    unsigned char low = 0x80, high = 0xBF; // allowed range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        need = 1;
        scalar = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        need = 2;
        scalar = lead & 0x0F;
        if (lead == 0xE0)
            low = 0xA0; // overlong
        else if (lead == 0xED)
            high = 0x9F; // surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        need = 3;
        scalar = lead & 0x07;
        if (lead == 0xF0)
            low = 0x90; // overlong
        else if (lead == 0xF4)
            high = 0x8F; // beyond U+10FFFF
    } else {
        return {replacementCharacter, 1};
    }

    for (std::size_t k = 1; k <= need; ++k) {
        if (pos + k >= text.size())
            return {replacementCharacter, k};
        const unsigned char b = byte(pos + k);
        const unsigned char min = k == 1 ? low : 0x80, max = k == 1 ? high : 0xBF;
        if (b < min || b > max)
            return {replacementCharacter, k};
        scalar = (scalar << 6) | (b & 0x3F);
    }
    return {scalar, need + 1};
}

void appendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::string repaired(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        const Decoded d = decode(text, pos);
        if (d.scalar == replacementCharacter && text.substr(pos, 3) != "\xEF\xBF\xBD")
            appendUtf8(out, replacementCharacter);
        else
            out.append(text.substr(pos, d.length));
        pos += d.length;
    }
    return out;
}

} // namespace Unicode
