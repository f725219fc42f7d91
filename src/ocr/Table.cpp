#include "ocr/Table.h"

#include "ocr/PageLayout.h"
#include "ocr/TableBuilder.h"
#include "sources/Page.h"
#include "sources/RuledTable.h"

#include <algorithm>

namespace {
std::size_t filledCount(const TableRow& row)
{
    return static_cast<std::size_t>(std::count_if(row.begin(), row.end(), [](const auto& s) { return !s.empty(); }));
}

// How many continuation rows a stacked header may have: deeper stacks are data that happens to be sparse.
constexpr std::size_t maxContinuationRows = 3;
} // namespace

std::optional<TableGrid> tableGrid(const OCRResult& result)
{
    if (result.isPage()) {
        std::vector<TableGrid> grids = PageLayout::tables(result.blocks);
        if (grids.empty())
            return std::nullopt;
        return std::move(grids.front());
    }
    std::optional<TableGrid> found;
    if (result.image && !result.image->isNull())
        found = RuledTable::grid(*result.image, result.words);
    if (!found)
        found = TableBuilder::grid(result.words);
    if (!found)
        return std::nullopt;
    return mergeStackedHeader(std::move(*found));
}

TableGrid mergeStackedHeader(TableGrid grid)
{
    if (grid.size() < 3)
        return grid;
    const std::size_t columns = grid.front().size();
    // A header row fills at least two fifths of the columns, and never fewer than two cells.
    const std::size_t threshold = std::max<std::size_t>(2, 2 * columns / 5);

    const auto headerIt = std::find_if(grid.begin(), grid.end(),
                                       [threshold](const TableRow& row) { return filledCount(row) >= threshold; });
    if (headerIt == grid.end())
        return grid;
    const auto header = static_cast<std::size_t>(headerIt - grid.begin());

    TableRow merged = grid[header];
    std::size_t stop = header + 1;
    for (; stop < grid.size() && stop <= header + maxContinuationRows; ++stop) {
        const TableRow& row = grid[stop];
        const std::size_t filled = filledCount(row);
        if (filled == 0)
            continue;
        if (filled >= threshold)
            break;
        // Rows of other sources may be shorter than the first one; only cells both rows have can merge.
        const std::size_t shared = std::min({columns, row.size(), merged.size()});
        for (std::size_t c = 0; c < shared; ++c) {
            if (row[c].empty())
                continue;
            if (merged[c].empty())
                merged[c] = row[c];
            else
                merged[c] += ' ' + row[c];
        }
    }
    if (stop <= header + 1)
        return grid;
    grid[header] = std::move(merged);
    grid.erase(grid.begin() + static_cast<std::ptrdiff_t>(header + 1),
               grid.begin() + static_cast<std::ptrdiff_t>(stop));
    return grid;
}

std::optional<std::string> tableMarkdown(const OCRResult& result)
{
    if (const std::optional<TableGrid> table = tableGrid(result))
        return TableBuilder::renderMarkdown(*table);
    return std::nullopt;
}

std::optional<std::string> tableCSV(const OCRResult& result)
{
    if (const std::optional<TableGrid> table = tableGrid(result))
        return TableBuilder::renderCSV(*table);
    return std::nullopt;
}

std::vector<TableGrid> tableGrids(const OCRResult& result)
{
    if (result.isPage())
        return PageLayout::tables(result.blocks);
    if (std::optional<TableGrid> grid = tableGrid(result))
        return {std::move(*grid)};
    return {};
}

std::string outputText(const OCRResult& result, Settings::OutputMode mode)
{
    if (result.isPage())
        return PageLayout::render(result.blocks, mode);
    switch (mode) {
    case Settings::OutputMode::Auto:
    case Settings::OutputMode::MarkdownTable:
        if (std::optional<std::string> markdown = tableMarkdown(result))
            return std::move(*markdown);
        break;
    case Settings::OutputMode::CSV:
        if (std::optional<std::string> csv = tableCSV(result))
            return std::move(*csv);
        break;
    case Settings::OutputMode::PlainText:
    case Settings::OutputMode::Code:
        break;
    }
    return result.plainText();
}
