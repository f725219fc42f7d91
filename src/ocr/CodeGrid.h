#pragma once

#include "ocr/TextRun.h"
#include "sources/Image.h"

#include <string>
#include <vector>

// Code as it was drawn. The recognizer reads words and guesses the spaces between them; code needs the spaces the
// picture holds: indentation that Python and YAML parse, and none inside `std::` or `push_back`. Code is almost
// always set in a monospace font, so every character sits in a cell of one grid, and the columns of that grid give
// the spaces back exactly.
namespace CodeGrid {
// One recognized character (or the few a recognizer reports as one symbol) and its ink box in image pixels.
struct Glyph
{
    std::string text;
    Rect box;
    bool wordStart = false; // the recognizer put a space before it
};

// A recognized text line: its own text with the recognizer's spaces, its box and its glyphs in reading order.
struct Line
{
    std::string text;
    Rect box;
    std::vector<Glyph> glyphs;
};

// What the glyphs tell about the font.
struct Grid
{
    double pitch = 0;       // advance of one character cell in pixels (the typical advance in a proportional font)
    bool monospace = false; // true when the glyphs sit on cells of one pitch
};

// Measures the character pitch from the distances between neighbouring glyphs and decides whether they sit on a
// monospace grid. Too few glyphs to tell give a grid that is not monospace.
Grid measure(const std::vector<Line>& lines);

// Returns the lines as code: one run per text row, top row first, whose text starts with one space per column of
// indentation and has spaces wherever the grid has an empty cell. Indentation counts from the leftmost row. On a
// proportional font the recognizer's own spacing stays and indentation is estimated from the row's left edge.
// `image`, when given, is the picture the boxes refer to. It is looked at for what the recognizer's boxes and
// readings miss: underscores and repeated glyphs ("&&" read as "&") in empty cells, the cell of a glyph whose box
// swallowed a neighbour, and confusable glyphs drawn identically elsewhere in the capture, which take the reading
// most of them got.
std::vector<TextRun> layout(const std::vector<Line>& lines, const Image* image = nullptr);

// Returns `text` with typographic quotes as the straight ones code is written with.
std::string straightened(const std::string& text);

// Returns `text` with letters that look like digits read as digits inside numbers: "Ox1F" is 0x1F, "1O0" is 100.
// A word holding no real digit is left alone.
std::string numbersFixed(const std::string& text);
} // namespace CodeGrid
