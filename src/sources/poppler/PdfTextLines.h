#pragma once

#include <string>
#include <string_view>
#include <vector>

// Poppler hands out words with boxes; these helpers clean their text. Pure logic, so the rules test without a PDF.
namespace PdfTextLines {
// A box in page points with y running down from the top edge of the visible page, as Poppler reports words.
struct Box
{
    double x0 = 0;
    double top = 0;
    double x1 = 0;
    double bottom = 0;
};

struct Word
{
    std::string text; // UTF-8
    Box box;
    bool spaceAfter = false; // Poppler saw a space character after the word
};

// Replaces the Latin ligature code points (U+FB00 to U+FB06) with the letters they stand for.
std::string spellLigatures(std::string_view text);

// Trims spaces, tabs, line breaks and form feeds from both ends.
std::string_view trim(std::string_view text);

// Counts the Unicode code points of UTF-8 text.
std::size_t codePoints(std::string_view text);
} // namespace PdfTextLines
