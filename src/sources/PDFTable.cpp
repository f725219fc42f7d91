#include "sources/PDFTable.h"

#include "sources/RuledTable.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace PDFTable {
namespace {
// Text lines whose centres lie within this many points of a row's first line share the row: less than half a
// line of body text, more than the jitter between cells of one row.
constexpr double rowTolerance = 4.0;

std::vector<std::string> words(const std::string& text)
{
    std::vector<std::string> result;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = std::min(text.find(' ', start), text.size());
        if (end > start)
            result.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return result;
}

std::string joined(const std::vector<std::string>& pieces)
{
    std::string text;
    for (const std::string& piece : pieces) {
        if (!text.empty())
            text += ' ';
        text += piece;
    }
    return text;
}

bool leftFirst(const Cell& a, const Cell& b)
{
    return a.x0 < b.x0;
}
} // namespace

std::optional<Extracted> build(std::vector<Cell> cells, const std::vector<double>& cols)
{
    if (cols.size() < 3)
        return std::nullopt;
    // A position that is not a number would break the sorting below; an empty line has nothing to place.
    std::erase_if(cells, [](const Cell& cell) {
        return cell.text.empty() || !std::isfinite(cell.y) || !std::isfinite(cell.x0) || !std::isfinite(cell.x1);
    });
    if (cells.size() < 4)
        return std::nullopt;

    std::stable_sort(cells.begin(), cells.end(), [](const Cell& a, const Cell& b) { return a.y > b.y; });
    // The anchor stays at the row's first line rather than a running mean, so a slow drift cannot merge rows.
    std::vector<std::vector<Cell>> rows;
    std::vector<Cell> current;
    double anchor = cells.front().y;
    for (Cell& cell : cells) {
        if (std::abs(cell.y - anchor) > rowTolerance && !current.empty()) {
            rows.push_back(std::move(current));
            current.clear();
        }
        if (current.empty())
            anchor = cell.y;
        current.push_back(std::move(cell));
    }
    if (!current.empty())
        rows.push_back(std::move(current));

    Extracted result;
    const std::size_t bands = cols.size() - 1;
    for (std::vector<Cell>& row : rows) {
        std::stable_sort(row.begin(), row.end(), leftFirst);
        TableRow cellsOfRow(bands);
        std::string line;
        for (const Cell& cell : row) {
            place(cell.text, cell.x0, cell.x1, cols, cellsOfRow);
            if (!line.empty())
                line += ' ';
            line += cell.text;
        }
        result.grid.push_back(std::move(cellsOfRow));
        // The plain rendering keeps every row, also those the trimming below drops.
        if (&row != &rows.front())
            result.plain += '\n';
        result.plain += line;
    }

    std::optional<TableGrid> trimmed = RuledTable::trim(result.grid);
    if (!trimmed)
        return std::nullopt;
    result.grid = std::move(*trimmed);
    return result;
}

int colIndex(double x, const std::vector<double>& cols)
{
    // Fewer than two lines bound no band at all.
    if (cols.size() < 2)
        return -1;
    const int last = static_cast<int>(cols.size()) - 2;
    if (x < cols.front())
        return 0;
    for (int i = 0; i < last; ++i)
        if (cols[static_cast<std::size_t>(i)] <= x && x < cols[static_cast<std::size_t>(i) + 1])
            return i;
    // At or right of the last line, and the last band itself: text outside the rules joins the outer column.
    return last;
}

void place(const std::string& text, double x0, double x1, const std::vector<double>& cols, TableRow& row)
{
    const std::vector<std::string> pieces = words(text);
    if (pieces.empty())
        return;
    const int c0 = colIndex(x0, cols), c1 = colIndex(x1, cols);
    if (c0 == c1 || pieces.size() == 1) {
        add(joined(pieces), row, colIndex((x0 + x1) / 2, cols));
        return;
    }
    // A line crossing rulings holds the cells of several columns that the text layer ran together; spreading
    // the words evenly over its width puts each near the band it was drawn in.
    const double n = static_cast<double>(pieces.size());
    for (std::size_t i = 0; i < pieces.size(); ++i)
        add(pieces[i], row, colIndex(x0 + (x1 - x0) * static_cast<double>(i) / (n - 1), cols));
}

void add(const std::string& text, TableRow& row, int i)
{
    if (i < 0 || static_cast<std::size_t>(i) >= row.size() || text.empty())
        return;
    std::string& cell = row[static_cast<std::size_t>(i)];
    if (!cell.empty())
        cell += ' ';
    cell += text;
}
} // namespace PDFTable
