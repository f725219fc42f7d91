#pragma once

#include "ocr/OutputMode.h"
#include "ocr/PageBlock.h"
#include "ocr/TableGrid.h"
#include "ocr/TextRun.h"
#include "sources/Image.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

// Lays a whole page out as blocks in reading order: text, tables and pictures. The words and lines come from a
// PDF text layer or from recognition, in the order that source reads them; the grey pixels show the rules that
// frame tables. Each table's grid is built only from the words inside its region, so the text around a table
// stays text. Pure geometry: only the callers touch an engine.
namespace PageLayout {
// One text line in the reading order of its source. Lines with the same `block` belong to one block (a paragraph
// or a column's run of lines) and stay together.
struct Line
{
    std::string text;
    Rect box;
    int block = 0;
};

struct Page
{
    int width = 0;
    int height = 0;
    std::vector<Line> lines;    // reading order
    std::vector<TextRun> words; // the same text word by word, for finding aligned columns
    std::vector<Rect> pictures; // regions that hold a picture, not text
    // The lines' order is the document's own (a text layer's flows), which a reorder by position would only spoil.
    bool readingOrdered = false;
    // Recognition read the page block by block, pictures included: lines of bare marks are letters read into a
    // drawing and are dropped. A page read as one block (a screen, code) keeps every line.
    bool dropMarks = false;
};

// Builds a page from a text layer's words in the document's reading order: a word continues the line of the word
// before it when it stands on the same baseline just to its right; a line starts a new block when it does not
// follow the line before it down the same column. `spaceAfter` (per word, may be shorter) marks words the text
// layer separates with a space even where their boxes touch.
Page fromWords(std::vector<TextRun> words, const std::vector<bool>& spaceAfter, int width, int height);

// A region that may hold a table: framed or split by long rules, or a run of rows aligned in columns.
struct Region
{
    Rect box;
    bool ruled = false;
    bool operator==(const Region&) const = default;
};

// Returns the boxes framed by rules: connected horizontal and vertical rules, and horizontal rules of one width
// stacked above each other (a table ruled only across), split where the rows between two rules hold no columns.
std::vector<Region> ruledRegions(const Image& image, const std::vector<TextRun>& words);

// Returns the runs of consecutive text rows whose words split into aligned columns. Prose set in columns is not
// a table: rows whose cells are mostly long runs of words do not count.
std::vector<Region> alignedRegions(const std::vector<TextRun>& words);

// Returns the words to build a region's grid from: the words inside it, or the region read anew.
using RegionWords = std::function<std::vector<TextRun>(const Region& region)>;

// Builds a grid from a region's words (and the rules inside it, when the image is given); no value when they do
// not form a table.
std::optional<TableGrid> regionGrid(const Region& region, const std::vector<TextRun>& words, const Image* image);

// Lays the page out: tables found in the image's rules and in aligned words replace the lines inside them, in
// the reading position of their first line; every other line stays in its block.
std::vector<PageBlock> layOut(const Page& page, const Image* image, const RegionWords& regionWords);

// Puts blocks in the order a reader follows: the source's order, except that what stands above a block in the
// columns it spans comes first.
std::vector<PageBlock> inReadingOrder(std::vector<PageBlock> blocks);

// Returns the regions of a page's pixels that hold ink but none of the words: a scan or a drawing pasted into a
// page whose other text the words give. Thin rules, specks, the ink of the words themselves and drawings that
// hold any of the words do not count.
std::vector<Rect> unreadRegions(const Image& image, const std::vector<TextRun>& words);

// The words of `words` whose centre lies inside `box`.
std::vector<TextRun> wordsInside(const std::vector<TextRun>& words, const Rect& box);

// Renders blocks under a mode: auto and Markdown give every block in order with each table as a Markdown table;
// CSV gives only the tables, separated by an empty line, or the plain text when there is none; plain text and
// code give the text with each table row on one line, its cells separated by tabs.
std::string render(const std::vector<PageBlock>& blocks, Settings::OutputMode mode);

// The grids of the table blocks, in reading order.
std::vector<TableGrid> tables(const std::vector<PageBlock>& blocks);

// A one-line description of a block for diagnostics, its box in pixels from the top-left corner of a page
// `pageHeight` pixels high, such as "table at 412,880 size 1210×360 px: 6 rows × 4 cols".
std::string describe(const PageBlock& block, double pageHeight);

// A view of the pixels inside `box` (origin bottom-left), clipped to the image; null when nothing is left.
Image crop(const Image& image, const Rect& box);
} // namespace PageLayout
