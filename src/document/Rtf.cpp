#include "document/Rtf.h"

#include "export/Unicode.h"

#include <cstdint>

namespace {
// Font names end at ";" and may not hold group or control characters; a name that is left empty falls back to
// the generic family every reader knows.
std::string fontName(std::string_view family)
{
    std::string name;
    for (char c : family) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F && c != '\\' && c != '{' && c != '}' && c != ';')
            name += c;
    }
    return name.empty() ? std::string("Sans Serif") : name;
}

void appendUnit(std::string& out, std::uint16_t unit)
{
    // \u takes a signed 16-bit number, so units above 32767 are written negative; "?" is the one fallback
    // character \uc1 announces, for readers without Unicode.
    out += "\\u";
    out += std::to_string(static_cast<std::int16_t>(unit));
    out += '?';
}
} // namespace

std::string Rtf::document(std::string_view text, std::string_view fontFamily)
{
    std::string out = "{\\rtf1\\ansi\\ansicpg1252\\uc1\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 ";
    out += fontName(fontFamily);
    out += ";}}\n\\f0\\fs24 "; // \fs counts half points: 12 points
    bool inUnicodeRun = false;
    // Each run of non-ASCII characters gets a group of its own. Readers that skip the whole word after a \u
    // escape instead of the one fallback character (unrtf does) would otherwise lose the ASCII letters that follow.
    auto endRun = [&] {
        if (inUnicodeRun)
            out += '}';
        inUnicodeRun = false;
    };
    for (std::size_t i = 0; i < text.size();) {
        const Unicode::Decoded d = Unicode::decode(text, i);
        const char32_t c = d.scalar;
        i += d.length;
        if (c >= 0x80) {
            if (!inUnicodeRun)
                out += '{';
            inUnicodeRun = true;
            if (c >= 0x10000) {
                const char32_t v = c - 0x10000;
                appendUnit(out, static_cast<std::uint16_t>(0xD800 + (v >> 10)));
                appendUnit(out, static_cast<std::uint16_t>(0xDC00 + (v & 0x3FF)));
            } else {
                appendUnit(out, static_cast<std::uint16_t>(c));
            }
            continue;
        }
        endRun();
        switch (c) {
        case '\r':
            if (i < text.size() && text[i] == '\n')
                break; // CR LF is one line break
            [[fallthrough]];
        case '\n':
            out += "\\par\n";
            break;
        case '\t':
            out += "\\tab ";
            break;
        case '\\':
        case '{':
        case '}':
            out += '\\';
            out += static_cast<char>(c);
            break;
        default:
            // Other control characters have no meaning in a document and no RTF form.
            if (c >= 0x20 && c != 0x7F)
                out += static_cast<char>(c);
        }
    }
    endRun();
    out += '}';
    return out;
}
