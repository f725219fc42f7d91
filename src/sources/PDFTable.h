#pragma once

#include "ocr/TableGrid.h"
#include "ocr/TextRun.h"

#include <optional>
#include <string>
#include <vector>

namespace PageText {
// A page's text layer word by word, as the layout reads it.
struct Layer
{
    std::vector<TextRun> words;   // in the document's reading order; boxes in pixels of the rendered page, y upward
    std::vector<bool> spaceAfter; // per word: the text layer holds a space after it
    std::string text;             // the whole page text, trimmed
    double width = 0;             // the rendered page, in pixels
    double height = 0;
    // The layer holds too few characters to be a page's text on its own (a page number, a scanner's stamp): it is
    // the page's text only where it accounts for all the page's ink.
    bool few = false;
};
} // namespace PageText

namespace PDFTable {
// One text line of a PDF page while a table is built from it.
struct Cell
{
    double y = 0;  // vertical centre in page points, y upward: only for grouping into rows
    double x0 = 0; // left edge in pixels of the rendered page
    double x1 = 0; // right edge in pixels of the rendered page
    std::string text;
};

struct Extracted
{
    TableGrid grid;
    std::string plain; // every text row, cells joined with a space, rows with a line feed
};

// Groups the text lines of a page (poppler/PopplerText.h reads them) into rows and places them into the bands of
// `cols`. No value for fewer than 4 cells, fewer than 3 columns or a grid that trims away.
std::optional<Extracted> build(std::vector<Cell> cells, const std::vector<double>& cols);

// Returns the band of position x, clamping positions outside the ruled area to the outermost band.
int colIndex(double x, const std::vector<double>& cols);
// Puts one line's text into a row, spreading its words over the bands it spans.
void place(const std::string& text, double x0, double x1, const std::vector<double>& cols, TableRow& row);
// Appends text to cell i of the row, with a space after existing text; ignores bad indexes and empty text.
void add(const std::string& text, TableRow& row, int i);
} // namespace PDFTable
