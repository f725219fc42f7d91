#pragma once

#include "export/TextBoundaries.h"
#include "export/Unicode.h"

// Sheet-name text for the core's tests: every code point is one character and only ASCII has case. The Unicode
// rules are the desktop's, tested in QtTextTest.
class CodePoints final : public TextBoundaries
{
public:
    std::vector<std::string_view> graphemes(std::string_view text) const override
    {
        std::vector<std::string_view> out;
        for (std::size_t pos = 0; pos < text.size();) {
            const std::size_t length = Unicode::decode(text, pos).length;
            out.push_back(text.substr(pos, length));
            pos += length;
        }
        return out;
    }
    std::string caseless(std::string_view text) const override
    {
        std::string out(text);
        for (char& c : out)
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        return out;
    }
};

inline const std::string fffd = "\xEF\xBF\xBD"; // U+FFFD, the replacement character

inline std::string repeat(std::string_view piece, int times)
{
    std::string out;
    for (int i = 0; i < times; ++i)
        out += piece;
    return out;
}
