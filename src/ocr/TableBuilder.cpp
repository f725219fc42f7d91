#include "ocr/TableBuilder.h"

#include "ocr/Lines.h"
#include "ocr/PageLayout.h"
#include "ocr/Table.h"
#include "sources/RuledTable.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace TableBuilder {
namespace {
// Text height of the runs, the scale every gap is measured against; 12 px when there are no runs.
double typicalHeight(const std::vector<TextRun>& runs)
{
    std::vector<double> heights;
    heights.reserve(runs.size());
    for (const TextRun& run : runs)
        heights.push_back(run.box.height);
    return median(std::move(heights)).value_or(12);
}

// Columns are at least a word space apart: 0.9 × text height, never below 6 px for tiny text.
double gapThreshold(double height)
{
    return std::max(0.9 * height, 6.0);
}

std::size_t filledCount(const TableRow& row)
{
    return static_cast<std::size_t>(std::count_if(row.begin(), row.end(), [](const auto& s) { return !s.empty(); }));
}

// Formats like printf's "%.1f" in the C locale: a Qt application switches LC_NUMERIC to the user's locale, whose
// decimal comma would change the report.
std::string oneDecimal(double value)
{
    char buffer[64];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 1);
    if (error != std::errc())
        return "?";
    return std::string(buffer, end);
}

void appendJoined(std::string& out, const std::vector<std::string>& parts, std::string_view separator)
{
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i > 0)
            out += separator;
        out += parts[i];
    }
}
} // namespace

std::optional<TableGrid> grid(const std::vector<TextRun>& runs)
{
    if (runs.size() < 4)
        return std::nullopt;
    const std::vector<std::vector<TextRun>> textRows = rowsOf(runs);
    if (textRows.size() < 2)
        return std::nullopt;

    const double gap = gapThreshold(typicalHeight(runs));
    std::vector<std::vector<Cell>> rowCells;
    rowCells.reserve(textRows.size());
    for (const std::vector<TextRun>& row : textRows)
        rowCells.push_back(splitIntoCells(row, gap));

    // Only rows that split into cells shape the columns: a title or a note spanning the table would join them all.
    std::vector<Cell> shaping;
    std::size_t multiCellRows = 0;
    for (const std::vector<Cell>& cells : rowCells) {
        if (cells.size() < 2)
            continue;
        ++multiCellRows;
        shaping.insert(shaping.end(), cells.begin(), cells.end());
    }
    if (multiCellRows < 2)
        return std::nullopt;
    const std::vector<Column> columns = mergeColumns(shaping);
    if (columns.size() < 2)
        return std::nullopt;

    TableGrid table;
    table.reserve(rowCells.size());
    std::vector<bool> used(columns.size(), false);
    for (const std::vector<Cell>& cells : rowCells) {
        TableRow row(columns.size());
        for (const Cell& cell : cells) {
            const std::size_t index = columnIndex(cell, columns);
            std::string& slot = row[index];
            if (!slot.empty())
                slot += ' ';
            slot += cell.text;
            if (!slot.empty())
                used[index] = true;
        }
        table.push_back(std::move(row));
    }

    const auto usedCount = static_cast<std::size_t>(std::count(used.begin(), used.end(), true));
    if (usedCount < 2)
        return std::nullopt;
    if (usedCount < columns.size()) {
        for (TableRow& row : table) {
            TableRow kept;
            kept.reserve(usedCount);
            for (std::size_t c = 0; c < row.size(); ++c)
                if (used[c])
                    kept.push_back(std::move(row[c]));
            row = std::move(kept);
        }
    }

    const auto filledRows = static_cast<std::size_t>(
        std::count_if(table.begin(), table.end(), [](const TableRow& row) { return filledCount(row) >= 2; }));
    if (filledRows < std::max<std::size_t>(2, table.size() / 2))
        return std::nullopt;
    return table;
}

std::vector<Cell> splitIntoCells(const std::vector<TextRun>& row, double gap)
{
    std::vector<const TextRun*> sorted;
    sorted.reserve(row.size());
    for (const TextRun& run : row)
        sorted.push_back(&run);
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const TextRun* a, const TextRun* b) { return a->box.minX() < b->box.minX(); });

    std::vector<Cell> cells;
    std::optional<Cell> open;
    for (const TextRun* run : sorted) {
        if (open && run->box.minX() - open->endX > gap) {
            cells.push_back(std::move(*open));
            open.reset();
        }
        if (!open) {
            open = Cell{run->box.minX(), run->box.maxX(), run->text};
        } else {
            // The last run's right edge wins even when an earlier, longer run reached further: the gap is measured
            // from the run just placed.
            open->endX = run->box.maxX();
            open->text += ' ';
            open->text += run->text;
        }
    }
    if (open)
        cells.push_back(std::move(*open));
    return cells;
}

std::vector<Column> mergeColumns(const std::vector<Cell>& cells)
{
    std::vector<Column> intervals;
    intervals.reserve(cells.size());
    for (const Cell& cell : cells)
        intervals.push_back(Column{cell.startX, cell.endX});
    std::stable_sort(intervals.begin(), intervals.end(), [](const Column& a, const Column& b) { return a.lo < b.lo; });

    std::vector<Column> merged;
    for (const Column& interval : intervals) {
        if (!merged.empty() && interval.lo <= merged.back().hi)
            merged.back().hi = std::max(merged.back().hi, interval.hi);
        else
            merged.push_back(interval);
    }
    return merged;
}

std::size_t columnIndex(const Cell& cell, const std::vector<Column>& columns)
{
    const double mid = (cell.startX + cell.endX) / 2;
    std::size_t bestOverlap = 0;
    double bestOverlapValue = 0;
    std::size_t nearest = 0;
    double nearestDistance = std::numeric_limits<double>::infinity();
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const double overlap = std::min(cell.endX, columns[i].hi) - std::max(cell.startX, columns[i].lo);
        const double distance = std::abs(mid - (columns[i].lo + columns[i].hi) / 2);
        if (overlap > bestOverlapValue) {
            bestOverlapValue = overlap;
            bestOverlap = i;
        }
        if (distance < nearestDistance) {
            nearestDistance = distance;
            nearest = i;
        }
    }
    return bestOverlapValue > 0 ? bestOverlap : nearest;
}

std::string diagnostics(const OCRResult& result)
{
    std::string report = "lines(observations)=" + std::to_string(result.lines.size())
                         + "  words=" + std::to_string(result.words.size()) + '\n';

    std::optional<RuledTable::Lines> ruling;
    if (result.image && !result.image->isNull())
        ruling = RuledTable::detect(*result.image);
    if (ruling) {
        const std::size_t vertical = ruling->cols.size();
        const std::size_t horizontal = ruling->rows.size();
        report += "ruling lines: " + std::to_string(vertical) + " vertical, " + std::to_string(horizontal)
                  + " horizontal \u2192 grid " + std::to_string(horizontal > 0 ? horizontal - 1 : 0) + "\u00d7"
                  + std::to_string(vertical > 0 ? vertical - 1 : 0) + " cells\n";
    } else {
        report += "ruling lines: none strong enough \u2192 using whitespace heuristic\n";
    }

    const double height = typicalHeight(result.words);
    report +=
        "medianTextHeight=" + oneDecimal(height) + "px  gapThreshold=" + oneDecimal(gapThreshold(height)) + "px\n";

    if (result.isPage()) {
        double pageHeight = result.image ? result.image->height : 0;
        if (!result.image)
            for (const PageBlock& block : result.blocks)
                pageHeight = std::max(pageHeight, block.box.maxY());
        report += "regions: " + std::to_string(result.blocks.size()) + '\n';
        for (const PageBlock& block : result.blocks)
            report += "  " + PageLayout::describe(block, pageHeight) + '\n';
        const std::vector<TableGrid> grids = PageLayout::tables(result.blocks);
        if (grids.size() > 1) {
            report += "\u2713 " + std::to_string(grids.size()) + " tables detected: ";
            for (std::size_t i = 0; i < grids.size(); ++i)
                report += (i > 0 ? ", " : "") + std::to_string(grids[i].size()) + " rows \u00d7 "
                          + std::to_string(grids[i].empty() ? 0 : grids[i].front().size()) + " cols";
            return report;
        }
    }
    if (const std::optional<TableGrid> table = tableGrid(result)) {
        const std::size_t cols = table->empty() ? 0 : table->front().size();
        report += "\u2713 table detected: " + std::to_string(table->size()) + " rows \u00d7 " + std::to_string(cols)
                  + " cols";
    } else {
        report += "\u2717 no table detected \u2192 falls back to plain text";
    }
    return report;
}

std::string renderMarkdown(const TableGrid& grid)
{
    if (grid.empty())
        return {};
    // Every row is written as wide as the widest one: the sources give rectangular grids, and a ragged grid from
    // elsewhere must not lose its surplus cells.
    std::size_t width = 0;
    for (const TableRow& row : grid)
        width = std::max(width, row.size());

    const auto writeRow = [width](std::string& out, const TableRow* row) {
        std::vector<std::string> cells(width, row ? std::string() : std::string("---"));
        if (row)
            for (std::size_t c = 0; c < row->size(); ++c)
                cells[c] = escapeMD((*row)[c]);
        out += "| ";
        appendJoined(out, cells, " | ");
        out += " |";
    };

    std::string out;
    writeRow(out, &grid.front());
    out += '\n';
    writeRow(out, nullptr);
    for (std::size_t r = 1; r < grid.size(); ++r) {
        out += '\n';
        writeRow(out, &grid[r]);
    }
    return out;
}

std::string renderCSV(const TableGrid& grid)
{
    std::string out;
    for (std::size_t r = 0; r < grid.size(); ++r) {
        if (r > 0)
            out += '\n';
        for (std::size_t c = 0; c < grid[r].size(); ++c) {
            if (c > 0)
                out += ',';
            out += escapeCSV(grid[r][c]);
        }
    }
    return out;
}

namespace {
std::string escapeHTML(const std::string& cell)
{
    std::string out;
    out.reserve(cell.size());
    for (std::size_t i = 0; i < cell.size(); ++i) {
        switch (const char c = cell[i]) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\r':
            if (i + 1 < cell.size() && cell[i + 1] == '\n')
                ++i;
            out += "<br>";
            break;
        case '\n':
            out += "<br>";
            break;
        default:
            out += c;
        }
    }
    return out;
}
} // namespace

std::string renderHTML(const TableGrid& grid)
{
    // The charset meta is what LibreOffice reads to take the bytes as UTF-8 rather than Latin-1.
    std::string out = "<html><head><meta charset=\"utf-8\"></head><body><table>";
    for (std::size_t r = 0; r < grid.size(); ++r) {
        const char* tag = r == 0 ? "th" : "td";
        out += "<tr>";
        for (const std::string& cell : grid[r])
            out += std::string("<") + tag + ">" + escapeHTML(cell) + "</" + tag + ">";
        out += "</tr>";
    }
    out += "</table></body></html>";
    return out;
}

std::string escapeMD(const std::string& cell)
{
    std::string out;
    out.reserve(cell.size());
    for (std::size_t i = 0; i < cell.size(); ++i) {
        const char c = cell[i];
        if (c == '|') {
            out += "\\|";
        } else if (c == '\n' || c == '\r') {
            // A raw line break ends the table row and spills the rest of the row out of the table; <br> keeps
            // the break inside the cell in every GitHub-flavoured renderer.
            if (c == '\r' && i + 1 < cell.size() && cell[i + 1] == '\n')
                ++i;
            out += "<br>";
        } else {
            out += c;
        }
    }
    return out;
}

std::string escapeCSV(const std::string& cell)
{
    // A carriage return is quoted as well as a line feed: spreadsheet readers take a bare one as the end of a
    // record and would split the row.
    if (cell.find_first_of(",\"\n\r") == std::string::npos)
        return cell;
    std::string out = "\"";
    for (const char c : cell) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
    return out;
}
} // namespace TableBuilder
