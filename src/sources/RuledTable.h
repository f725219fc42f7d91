#pragma once

#include "ocr/TableGrid.h"
#include "ocr/TextRun.h"
#include "sources/Image.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace RuledTable {
// Pixel positions of the ruling lines of one drawn table. Rows count up from the bottom edge, as TextRun boxes
// do, so the two compare without conversion.
struct Lines
{
    std::vector<double> cols; // mean pixel index of each line, so it may be fractional
    std::vector<double> rows;
};

// No value when the image holds fewer than 3 vertical or 3 horizontal lines covering 45 % of its extent.
// With AM_DEBUG set, writes the detection's four debug lines to standard error.
std::optional<Lines> detect(const Image& image);

// Distributes word runs into the column bands between the vertical lines; no value when the image holds no
// usable ruled table or the text does not sit in its columns.
std::optional<TableGrid> grid(const Image& image, const std::vector<TextRun>& words);

// Merges ascending candidate positions that chain within `gap` pixels into their mean.
std::vector<double> dedupe(const std::vector<std::int64_t>& positions, std::int64_t gap);
// Inserts horizontal lines missing from an otherwise evenly spaced ascending list.
std::vector<double> fillRegularGaps(const std::vector<double>& rows);
// Returns the band (between edges[i] and edges[i + 1]) that [lo, hi] overlaps most, or none.
std::optional<std::size_t> overlapIndex(double lo, double hi, const std::vector<double>& edges);
// Removes empty border rows and columns; no value when fewer than 2 rows or 2 columns remain.
std::optional<TableGrid> trim(const TableGrid& grid);
} // namespace RuledTable
