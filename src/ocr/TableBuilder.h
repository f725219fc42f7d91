#pragma once

#include "ocr/OCRResult.h"
#include "ocr/TableGrid.h"
#include "ocr/TextRun.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

// Rebuilds tables without ruling lines from the positions of word runs, renders grids, and explains its verdict.
namespace TableBuilder {
struct Cell
{
    double startX = 0;
    double endX = 0;
    std::string text;
};

struct Column
{
    double lo = 0;
    double hi = 0;
};

// Returns the table found in white space between word runs, or no value when it is not convincing.
std::optional<TableGrid> grid(const std::vector<TextRun>& runs);
// Splits one text row into cells at gaps wider than `gap` pixels.
std::vector<Cell> splitIntoCells(const std::vector<TextRun>& row, double gap);
// Merges the cells' horizontal extents into column bands, left to right.
std::vector<Column> mergeColumns(const std::vector<Cell>& cells);
// Returns the column the cell overlaps most, or the nearest by centre when it overlaps none.
std::size_t columnIndex(const Cell& cell, const std::vector<Column>& columns);
// Returns the multi-line report of `ambrel --diag` for one result, without a trailing line feed.
std::string diagnostics(const OCRResult& result);

std::string renderMarkdown(const TableGrid& grid);
std::string renderCSV(const TableGrid& grid);
// A <table> of the grid for the clipboard's text/html, which spreadsheets paste as cells: the first row as <th>
// cells, every cell's text escaped, line breaks inside a cell as <br>.
std::string renderHTML(const TableGrid& grid);
std::string escapeMD(const std::string& cell);
std::string escapeCSV(const std::string& cell);
} // namespace TableBuilder
