#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Box arithmetic for one recognized text line: Tesseract reports a box per symbol (one or more characters), and
// a word run's box is the union of the boxes of the symbols its character range covers.
namespace LineBoxes {
// A box in pixels, origin top-left as Tesseract reports it; right and bottom are exclusive.
struct PixelBox
{
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool operator==(const PixelBox&) const = default;
};

// One recognized symbol: the bytes of the line's UTF-8 string it produced, and where it lies.
struct Symbol
{
    std::size_t begin = 0;
    std::size_t end = 0;
    PixelBox box;
};

// A piece of the line's string between spaces and tabs, with its byte range in the string.
struct Piece
{
    std::string text;
    std::size_t begin = 0;
    std::size_t end = 0;
};

// Returns, for each symbol text in order, its byte range in `line`, located by a cursor that moves forward past
// each match; a symbol not found after the cursor is looked up from the start, and one not found at all gets no
// range. Symbols are located by their text, so multi-byte UTF-8 characters keep whole-character ranges.
std::vector<std::optional<std::pair<std::size_t, std::size_t>>> locate(std::string_view line,
                                                                       const std::vector<std::string>& symbolTexts);

// Returns the line's pieces between spaces (U+0020) and tabs, without empty pieces. Each piece is searched for
// literally from a cursor that moves to the end of every match, so a repeated word gets its own occurrence.
std::vector<Piece> pieces(std::string_view line);

// Returns the union of the boxes of the symbols overlapping bytes [begin, end), or no value when none does.
std::optional<PixelBox> boxOf(std::size_t begin, std::size_t end, const std::vector<Symbol>& symbols);
} // namespace LineBoxes
