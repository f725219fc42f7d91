#include "sources/RuledTable.h"

#include "ocr/Lines.h"
#include "sources/Bitmap.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace RuledTable {
namespace {
// A line must darken this share of the image's extent in its direction: the outer frame and inner rulings of a
// table that fills most of the capture pass, underlines and text strokes do not.
constexpr double lineShare = 0.45;
// Candidates chaining within this many pixels are one (thick or anti-aliased) line.
constexpr std::int64_t mergeGap = 5;

// Minimum dark pixels for a line across `extent` pixels. At least 1, so that in an image one or two pixels
// across a white column is never taken for a line.
std::int64_t threshold(std::int64_t extent)
{
    return std::max<std::int64_t>(1, static_cast<std::int64_t>(static_cast<double>(extent) * lineShare));
}

std::string listText(const std::vector<std::int64_t>& values)
{
    std::string text = "[";
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i > 0)
            text += ", ";
        text += std::to_string(values[i]);
    }
    return text + "]";
}

std::vector<std::int64_t> truncated(const std::vector<double>& values)
{
    std::vector<std::int64_t> result;
    result.reserve(values.size());
    for (double v : values)
        result.push_back(static_cast<std::int64_t>(v));
    return result;
}

// The one switch for the detector's diagnostics: present with any value, the empty string included.
bool debugEnabled()
{
    return std::getenv("AM_DEBUG") != nullptr;
}

void writeDebug(const Bitmap& bitmap, std::int64_t vMin, std::int64_t hMin, const Lines& lines)
{
    std::vector<std::int64_t> gaps;
    for (std::size_t i = 1; i < lines.rows.size(); ++i)
        gaps.push_back(static_cast<std::int64_t>(lines.rows[i] - lines.rows[i - 1]));
    std::string text = "DEBUG image " + std::to_string(bitmap.w) + "x" + std::to_string(bitmap.h)
                       + "  vMin=" + std::to_string(vMin) + " hMin=" + std::to_string(hMin) + "\n";
    text += "DEBUG cols(" + std::to_string(lines.cols.size()) + ")=" + listText(truncated(lines.cols)) + "\n";
    text += "DEBUG rows(" + std::to_string(lines.rows.size()) + ")=" + listText(truncated(lines.rows)) + "\n";
    text += "DEBUG rowGaps=" + listText(gaps) + "\n";
    // One write keeps the four lines together when several detections run at once.
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

bool emptyColumn(const TableGrid& grid, std::size_t column)
{
    return std::all_of(grid.begin(), grid.end(),
                       [column](const TableRow& row) { return column >= row.size() || row[column].empty(); });
}

bool emptyRow(const TableRow& row)
{
    return std::all_of(row.begin(), row.end(), [](const std::string& cell) { return cell.empty(); });
}
} // namespace

std::optional<Lines> detect(const Image& image)
{
    const std::optional<Bitmap> bitmap = Bitmap::from(image);
    if (!bitmap)
        return std::nullopt;
    const std::int64_t w = bitmap->w, h = bitmap->h;
    const std::int64_t vMin = threshold(h);
    const std::int64_t hMin = threshold(w);

    // Both counts in one pass over the rows: a column-major scan would stride through memory w bytes at a time.
    std::vector<std::uint32_t> columnCounts(static_cast<std::size_t>(w), 0);
    std::vector<std::int64_t> rowCandidates;
    const std::uint8_t* px = bitmap->px.data();
    for (std::int64_t y = 0; y < h; ++y, px += w) {
        std::uint32_t rowCount = 0;
        for (std::int64_t x = 0; x < w; ++x) {
            const std::uint32_t d = Bitmap::dark(px[x]) ? 1 : 0;
            columnCounts[static_cast<std::size_t>(x)] += d;
            rowCount += d;
        }
        if (rowCount >= hMin)
            rowCandidates.push_back(y);
    }
    std::vector<std::int64_t> columnCandidates;
    for (std::int64_t x = 0; x < w; ++x)
        if (columnCounts[static_cast<std::size_t>(x)] >= vMin)
            columnCandidates.push_back(x);

    Lines lines;
    lines.cols = dedupe(columnCandidates, mergeGap);
    lines.rows = fillRegularGaps(dedupe(rowCandidates, mergeGap));
    if (debugEnabled())
        writeDebug(*bitmap, vMin, hMin, lines);
    if (lines.cols.size() < 3 || lines.rows.size() < 3)
        return std::nullopt;
    return lines;
}

std::vector<double> dedupe(const std::vector<std::int64_t>& positions, std::int64_t gap)
{
    std::vector<double> result;
    if (positions.empty())
        return result;
    double sum = 0;
    std::int64_t members = 0;
    std::int64_t last = positions.front();
    for (std::int64_t p : positions) {
        // Chained against the last member, so a wide run of close candidates stays one line.
        if (members > 0 && p - last > gap) {
            result.push_back(sum / static_cast<double>(members));
            sum = 0;
            members = 0;
        }
        sum += static_cast<double>(p);
        ++members;
        last = p;
    }
    result.push_back(sum / static_cast<double>(members));
    return result;
}

std::vector<double> fillRegularGaps(const std::vector<double>& rows)
{
    if (rows.size() < 3)
        return rows;
    std::vector<double> gaps;
    gaps.reserve(rows.size() - 1);
    for (std::size_t i = 1; i < rows.size(); ++i)
        gaps.push_back(rows[i] - rows[i - 1]);
    const double m = median(gaps).value_or(0);
    if (!(m > 1.0) || !std::isfinite(m))
        return rows;

    std::vector<double> result{rows.front()};
    for (std::size_t i = 1; i < rows.size(); ++i) {
        const double g = rows[i] - rows[i - 1];
        const double k = std::round(g / m); // halves away from zero
        // Only a gap close to a whole multiple of the median hides faint rulings; the strict bound keeps a gap of
        // one and a half medians unfilled.
        if (std::isfinite(k) && k >= 2 && std::abs(g - k * m) < m * 0.5)
            for (double j = 1; j < k; ++j)
                result.push_back(rows[i - 1] + m * j);
        result.push_back(rows[i]);
    }
    return result;
}

std::optional<std::size_t> overlapIndex(double lo, double hi, const std::vector<double>& edges)
{
    std::optional<std::size_t> best;
    double bestOverlap = 0;
    for (std::size_t i = 0; i + 1 < edges.size(); ++i) {
        const double overlap = std::min(hi, edges[i + 1]) - std::max(lo, edges[i]);
        if (overlap > bestOverlap) {
            bestOverlap = overlap;
            best = i;
        }
    }
    return best;
}

std::optional<TableGrid> trim(const TableGrid& grid)
{
    std::size_t first = 0, last = grid.size();
    while (first < last && emptyRow(grid[first]))
        ++first;
    while (last > first && emptyRow(grid[last - 1]))
        --last;
    if (last - first < 2)
        return std::nullopt;
    const TableGrid rows(grid.begin() + static_cast<std::ptrdiff_t>(first),
                         grid.begin() + static_cast<std::ptrdiff_t>(last));

    std::size_t left = 0, right = rows.front().size();
    if (right < 2)
        return std::nullopt;
    while (left < right && emptyColumn(rows, left))
        ++left;
    while (right > left && emptyColumn(rows, right - 1))
        --right;
    if (right - left < 2)
        return std::nullopt;

    TableGrid result;
    result.reserve(rows.size());
    for (const TableRow& row : rows) {
        TableRow cells;
        cells.reserve(right - left);
        for (std::size_t c = left; c < right; ++c)
            cells.push_back(c < row.size() ? row[c] : std::string());
        result.push_back(std::move(cells));
    }
    return result;
}

std::optional<TableGrid> grid(const Image& image, const std::vector<TextRun>& words)
{
    if (words.empty())
        return std::nullopt;
    const std::optional<Lines> lines = detect(image);
    if (!lines || lines->cols.size() < 3)
        return std::nullopt;
    const std::vector<std::vector<TextRun>> textRows = rowsOf(words);
    if (textRows.size() < 2)
        return std::nullopt;

    const std::size_t bands = lines->cols.size() - 1;
    std::size_t total = 0, placed = 0;
    TableGrid table;
    table.reserve(textRows.size());
    for (std::vector<TextRun> runs : textRows) {
        std::stable_sort(runs.begin(), runs.end(),
                         [](const TextRun& a, const TextRun& b) { return a.box.minX() < b.box.minX(); });
        TableRow row(bands);
        for (const TextRun& run : runs) {
            ++total;
            const std::optional<std::size_t> band = overlapIndex(run.box.minX(), run.box.maxX(), lines->cols);
            if (!band)
                continue;
            ++placed;
            std::string& cell = row[*band];
            if (!cell.empty())
                cell += ' ';
            cell += run.text;
        }
        table.push_back(std::move(row));
    }
    // Most runs outside the ruled columns means the lines frame something other than this text.
    if (placed < total / 2)
        return std::nullopt;
    return trim(table);
}
} // namespace RuledTable
