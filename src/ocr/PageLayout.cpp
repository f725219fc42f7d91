#include "ocr/PageLayout.h"

#include "ocr/Lines.h"
#include "ocr/Table.h"
#include "ocr/TableBuilder.h"
#include "sources/Bitmap.h"
#include "sources/RuledTable.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <numeric>

namespace PageLayout {
namespace {
// A rule is at most this thick (pixels); thicker dark bands are filled areas or pictures.
constexpr int maxRuleThickness = 6;
// Rows between two rules that hold this many text rows and none split into columns are prose: the rules belong
// to different tables (or frame a note).
constexpr std::size_t proseRowsBetweenRules = 2;
// A cell of this many words or more is a line of prose.
constexpr std::size_t proseCellWords = 5;
// A run of aligned rows needs this many rows that split into columns.
constexpr std::size_t minAlignedRows = 3;
// An aligned region holding this share of the page's words is the whole page: read all of it as the table, so a
// column the layout analysis dropped at the edge is read as well.
constexpr double wholePageShare = 0.8;

double typicalHeight(const std::vector<TextRun>& words)
{
    std::vector<double> heights;
    heights.reserve(words.size());
    for (const TextRun& word : words)
        if (word.box.height > 0)
            heights.push_back(word.box.height);
    return median(std::move(heights)).value_or(12);
}

double gapThreshold(double height)
{
    return std::max(0.9 * height, 6.0);
}

Rect unite(const Rect& a, const Rect& b)
{
    if (a.width <= 0 && a.height <= 0)
        return b;
    const double x0 = std::min(a.minX(), b.minX()), y0 = std::min(a.minY(), b.minY());
    const double x1 = std::max(a.maxX(), b.maxX()), y1 = std::max(a.maxY(), b.maxY());
    return Rect{x0, y0, x1 - x0, y1 - y0};
}

bool contains(const Rect& box, double x, double y)
{
    return x >= box.minX() && x <= box.maxX() && y >= box.minY() && y <= box.maxY();
}

bool overlaps(const Rect& a, const Rect& b)
{
    return std::min(a.maxX(), b.maxX()) > std::max(a.minX(), b.minX())
           && std::min(a.maxY(), b.maxY()) > std::max(a.minY(), b.minY());
}

std::size_t wordCount(const std::string& text)
{
    std::size_t count = 0;
    bool inWord = false;
    for (const char c : text) {
        const bool space = c == ' ' || c == '\t';
        if (!space && !inWord)
            ++count;
        inWord = !space;
    }
    return count;
}

// A row splits into columns when it has two cells or more and most of them are not prose.
bool tabular(const std::vector<TableBuilder::Cell>& cells)
{
    if (cells.size() < 2)
        return false;
    const auto long_ = static_cast<std::size_t>(std::count_if(
        cells.begin(), cells.end(), [](const TableBuilder::Cell& c) { return wordCount(c.text) >= proseCellWords; }));
    return 2 * long_ < cells.size() || (cells.size() >= 3 && long_ <= 1);
}

// True for text that reads as a word or a number: a digit, or two letters in a row.
bool meaningful(const std::string& text)
{
    int letters = 0;
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (std::isdigit(u))
            return true;
        letters = (std::isalpha(u) || u >= 0x80) ? letters + 1 : 0;
        if (letters >= 2)
            return true;
    }
    return false;
}

// A line recognized in a drawing: marks and stray letters, some of them no word at all and none a real word.
bool junkLine(const std::string& text)
{
    bool symbolOnly = false, word = false;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = std::min(text.find(' ', start), text.size());
        const std::string piece = text.substr(start, end - start);
        start = end + 1;
        if (piece.empty())
            continue;
        int run = 0, best = 0;
        bool any = false;
        for (const char c : piece) {
            const auto u = static_cast<unsigned char>(c);
            const bool alnum = std::isalnum(u) || u >= 0x80;
            any = any || std::isalnum(u);
            run = alnum ? run + 1 : 0;
            best = std::max(best, run);
        }
        symbolOnly = symbolOnly || !any;
        word = word || best >= 3;
    }
    return symbolOnly && !word;
}

// One straight rule: a run of dark pixels along x (horizontal) or y (vertical), `at` across it. Coordinates are
// Bitmap rows (bottom row 0) and columns.
struct Segment
{
    int at = 0; // first row (horizontal) or column (vertical) of the rule
    int lo = 0; // first pixel along it
    int hi = 0; // one past the last pixel
    int thickness = 1;
};

// The runs of dark pixels at least a rule long on each line of one direction, each line's runs in order along it.
using Runs = std::vector<std::vector<std::pair<int, int>>>;

// Joins runs into rules: a run continues a rule of the line before when their extents are alike within a few
// pixels (anti-aliased ends); rules thicker than a rule are dropped.
std::vector<Segment> joined(const Runs& runs)
{
    std::vector<Segment> done;
    std::vector<Segment> open; // segments that reached the previous line
    for (int i = 0; i < static_cast<int>(runs.size()); ++i) {
        std::vector<Segment> next;
        for (const auto& [start, end] : runs[static_cast<std::size_t>(i)]) {
            auto same = std::find_if(open.begin(), open.end(), [&](const Segment& s) {
                return std::abs(s.lo - start) <= 3 && std::abs(s.hi - end) <= 3;
            });
            if (same != open.end()) {
                Segment s = *same;
                open.erase(same);
                s.lo = std::min(s.lo, start);
                s.hi = std::max(s.hi, end);
                ++s.thickness;
                next.push_back(s);
            } else {
                next.push_back(Segment{i, start, end, 1});
            }
        }
        for (Segment& s : open)
            done.push_back(s);
        open = std::move(next);
    }
    for (Segment& s : open)
        done.push_back(s);
    std::erase_if(done, [](const Segment& s) { return s.thickness > maxRuleThickness; });
    return done;
}

// Finds rules along one direction. `dark(i, j)` reads the pixel at position j along line i.
template <typename Dark> std::vector<Segment> rules(int lines, int length, int minLength, const Dark& dark)
{
    Runs runs(static_cast<std::size_t>(std::max(0, lines)));
    for (int i = 0; i < lines; ++i) {
        int j = 0;
        while (j < length) {
            if (!dark(i, j)) {
                ++j;
                continue;
            }
            const int start = j;
            while (j < length && dark(i, j))
                ++j;
            if (j - start >= minLength)
                runs[static_cast<std::size_t>(i)].emplace_back(start, j);
        }
    }
    return joined(runs);
}

// A whole page's dark pixels, one byte each (1 dark), bottom row first as in a Bitmap: the rule searches below walk
// it row by row, a cache line at a time, where reading a page's columns pixel by pixel would wait on memory. No
// value for an image without pixels.
std::optional<std::vector<std::uint8_t>> darkMask(const Image& image)
{
    if (image.isNull() || image.stride < image.width * Image::bytesPerPixel(image.format))
        return std::nullopt;
    const auto w = static_cast<std::size_t>(image.width);
    std::vector<std::uint8_t> mask(w * static_cast<std::size_t>(image.height));
    for (int y = 0; y < image.height; ++y) {
        std::uint8_t* row = mask.data() + static_cast<std::size_t>(image.height - 1 - y) * w;
        image.greyRow(y, row);
        for (std::size_t x = 0; x < w; ++x)
            row[x] = Bitmap::dark(row[x]) ? 1 : 0;
    }
    return mask;
}

// The runs along each row of the mask.
Runs rowRuns(const std::vector<std::uint8_t>& mask, int w, int h, int minLength)
{
    Runs runs(static_cast<std::size_t>(h));
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* row = mask.data() + static_cast<std::size_t>(y) * w;
        const std::uint8_t* end = row + w;
        for (const std::uint8_t* p = row; p < end;) {
            const auto* first = static_cast<const std::uint8_t*>(std::memchr(p, 1, static_cast<std::size_t>(end - p)));
            if (!first)
                break;
            const auto* past =
                static_cast<const std::uint8_t*>(std::memchr(first, 0, static_cast<std::size_t>(end - first)));
            if (!past)
                past = end;
            if (past - first >= minLength)
                runs[static_cast<std::size_t>(y)].emplace_back(static_cast<int>(first - row),
                                                               static_cast<int>(past - row));
            p = past;
        }
    }
    return runs;
}

// The runs down each column of the mask, found in one pass over its rows: each column counts how long its current
// run is, and the rare row where a long run ends is looked at column by column.
Runs columnRuns(const std::vector<std::uint8_t>& mask, int w, int h, int minLength)
{
    Runs runs(static_cast<std::size_t>(w));
    // The loops below are branch-free so that they run a vector register of columns at a time.
    std::vector<std::uint32_t> length(static_cast<std::size_t>(w), 0);
    const auto least = static_cast<std::uint32_t>(std::max(minLength, 1));
    const auto w_ = static_cast<std::size_t>(w);
    const std::vector<std::uint8_t> ground(w_, 0);
    for (int y = 0; y <= h; ++y) {
        // A row of ground below the last closes the runs that reach the bottom.
        const std::uint8_t* row = y < h ? mask.data() + static_cast<std::size_t>(y) * w_ : ground.data();
        unsigned ended = 0;
        for (std::size_t x = 0; x < w_; ++x)
            ended |= static_cast<unsigned>(length[x] >= least) & static_cast<unsigned>(row[x] == 0);
        if (ended)
            for (std::size_t x = 0; x < w_; ++x)
                if (row[x] == 0 && length[x] >= least)
                    runs[x].emplace_back(y - static_cast<int>(length[x]), y);
        for (std::size_t x = 0; x < w_; ++x)
            length[x] = (length[x] + 1) * row[x];
    }
    return runs;
}

// A rule has light ground on both sides along most of its length; dark bands of a picture do not.
template <typename Dark> bool clear(const Segment& s, int lines, const Dark& dark)
{
    for (const int i : {s.at - 2, s.at + s.thickness + 1}) {
        if (i < 0 || i >= lines)
            continue;
        int darkCount = 0;
        for (int j = s.lo; j < s.hi; ++j)
            darkCount += dark(i, j) ? 1 : 0;
        if (darkCount * 10 > (s.hi - s.lo) * 3)
            return false;
    }
    return true;
}

struct UnionFind
{
    std::vector<std::size_t> parent;
    explicit UnionFind(std::size_t n)
        : parent(n)
    {
        std::iota(parent.begin(), parent.end(), 0);
    }
    std::size_t find(std::size_t i)
    {
        while (parent[i] != i)
            i = parent[i] = parent[parent[i]];
        return i;
    }
    void join(std::size_t a, std::size_t b) { parent[find(a)] = find(b); }
};

Rect horizontalBox(const Segment& s)
{
    return Rect{double(s.lo), double(s.at), double(s.hi - s.lo), double(s.thickness)};
}

Rect verticalBox(const Segment& s)
{
    return Rect{double(s.at), double(s.lo), double(s.thickness), double(s.hi - s.lo)};
}

// The column edges of a ruled region from its thin vertical rules reaching over half its height, with the region's
// own edges. A filled header or striped rows darken whole columns of pixels, which a count of dark pixels per
// column would take for rules.
std::vector<double> ruledColumns(const Image& part)
{
    const std::optional<Bitmap> bitmap = Bitmap::from(part);
    if (!bitmap)
        return {};
    const int w = static_cast<int>(bitmap->w), h = static_cast<int>(bitmap->h);
    const auto down = [&](int x, int y) { return Bitmap::dark(bitmap->px[static_cast<std::size_t>(y) * w + x]); };
    // A rule drawn cell by cell may leave a pixel of ground or step a pixel aside at each crossing.
    const auto near = [&](int x, int y) {
        const auto on = [&](int y_) { return y_ >= 0 && y_ < h && (down(x, y_) || (x + 1 < w && down(x + 1, y_))); };
        return on(y) || ((on(y - 1) || on(y - 2)) && (on(y + 1) || on(y + 2)));
    };
    std::vector<Segment> vertical = rules(w, h, std::max(h / 2, 8), near);
    std::erase_if(vertical, [&](const Segment& s) { return !clear(s, w, down); });
    std::vector<std::int64_t> positions;
    for (const Segment& s : vertical)
        positions.push_back(s.at + s.thickness / 2);
    std::sort(positions.begin(), positions.end());
    return RuledTable::dedupe(positions, 5);
}

// Builds a grid from column edges: the words of each text row go to the band between two edges they overlap most.
// A band whose words stand in columns of their own (rules drawn only between some columns, or none) is split at
// the white space between them. No value when the edges cut through cells, which rules never do.
std::optional<TableGrid> columnGrid(std::vector<double> cols, const std::vector<TextRun>& words, double width)
{
    if (words.empty())
        return std::nullopt;
    // The region's own edges bound the outer columns when the table has no frame.
    if (cols.empty() || cols.front() > 4)
        cols.insert(cols.begin(), 0);
    if (cols.back() < width - 5)
        cols.push_back(width);
    const double gap = gapThreshold(typicalHeight(words));
    std::vector<std::vector<TextRun>> textRows = rowsOf(words);
    for (std::vector<TextRun>& runs : textRows)
        std::stable_sort(runs.begin(), runs.end(),
                         [](const TextRun& a, const TextRun& b) { return a.box.minX() < b.box.minX(); });
    const auto bandOf = [](const TextRun& run, const std::vector<double>& edges) {
        return RuledTable::overlapIndex(run.box.minX(), run.box.maxX(), edges);
    };

    std::size_t joined = 0, cut = 0;
    const std::size_t bands = cols.size() - 1;
    std::vector<std::vector<std::vector<TableBuilder::Cell>>> bandCells(bands); // per band, each row's cells
    std::vector<std::size_t> splitRows(bands, 0), bandRows(bands, 0), most(bands, 0);
    for (const std::vector<TextRun>& runs : textRows) {
        std::vector<std::vector<TextRun>> inBand(bands);
        for (const TextRun& run : runs)
            if (const auto band = bandOf(run, cols))
                inBand[*band].push_back(run);
        for (std::size_t b = 0; b < bands; ++b) {
            if (inBand[b].empty())
                continue;
            ++bandRows[b];
            bandCells[b].push_back(TableBuilder::splitIntoCells(inBand[b], gap));
            splitRows[b] += bandCells[b].back().size() >= 2 ? 1 : 0;
            most[b] = std::max(most[b], bandCells[b].back().size());
        }
        // Words close enough to be one cell that fall into different bands: the edges cut the cell.
        for (std::size_t i = 1; i < runs.size(); ++i) {
            if (runs[i].box.minX() - runs[i - 1].box.maxX() > gap)
                continue;
            ++joined;
            const auto a = bandOf(runs[i - 1], cols), b = bandOf(runs[i], cols);
            cut += a && b && *a != *b ? 1 : 0;
        }
    }
    if (cut > std::max<std::size_t>(1, joined / 20))
        return std::nullopt;

    std::vector<double> edges{cols.front()};
    std::vector<std::size_t> firstColumn(bands);
    for (std::size_t b = 0; b < bands; ++b) {
        firstColumn[b] = edges.size() - 1;
        // Most of the band's rows split, so that a few wide gaps in wrapped prose do not. The rows with the usual
        // number of cells shape the columns: a header over the columns it groups would join them, and a row
        // holding marks read into a rule would split them.
        if (splitRows[b] >= 2 && 2 * splitRows[b] > bandRows[b]) {
            std::vector<std::size_t> counts(most[b] + 1, 0);
            for (const std::vector<TableBuilder::Cell>& cells : bandCells[b])
                ++counts[cells.size()];
            std::size_t usual = 2;
            for (std::size_t n = 2; n < counts.size(); ++n)
                usual = counts[n] >= counts[usual] ? n : usual;
            std::vector<TableBuilder::Cell> shaping;
            for (const std::vector<TableBuilder::Cell>& cells : bandCells[b])
                if (cells.size() == usual)
                    shaping.insert(shaping.end(), cells.begin(), cells.end());
            const std::vector<TableBuilder::Column> inner = TableBuilder::mergeColumns(shaping);
            for (std::size_t c = 1; c < inner.size(); ++c)
                edges.push_back((inner[c - 1].hi + inner[c].lo) / 2);
        }
        edges.push_back(cols[b + 1]);
    }

    std::size_t total = 0, placed = 0;
    TableGrid table;
    for (const std::vector<TextRun>& runs : textRows) {
        TableRow row(edges.size() - 1);
        // Cells form within a band only: a mark read into a rule must not join the words on both sides of it.
        std::vector<std::vector<TextRun>> inBand(bands);
        for (const TextRun& run : runs) {
            if (const auto band = bandOf(run, cols))
                inBand[*band].push_back(run);
            else
                ++total;
        }
        for (std::size_t b = 0; b < bands; ++b) {
            const std::size_t first = firstColumn[b];
            const std::size_t last = b + 1 < bands ? firstColumn[b + 1] - 1 : edges.size() - 2;
            for (const TableBuilder::Cell& cell : TableBuilder::splitIntoCells(inBand[b], gap)) {
                ++total;
                ++placed;
                // A cell standing over the white space between two columns of one band spans them: its text goes
                // to the first of them, as a spanned cell's does.
                std::size_t column =
                    std::clamp(RuledTable::overlapIndex(cell.startX, cell.endX, edges).value_or(first), first, last);
                while (column > first && cell.startX < edges[column])
                    --column;
                std::string& slot = row[column];
                if (!slot.empty())
                    slot += ' ';
                slot += cell.text;
            }
        }
        table.push_back(std::move(row));
    }
    if (10 * placed < 9 * total)
        return std::nullopt;
    // Without a rule between its columns, the grid convinces as the whitespace builder's must: half its rows
    // filled in two cells at least. Letters read into a drawing scatter over rows of one cell.
    if (cols.size() <= 2) {
        const auto filled = std::count_if(table.begin(), table.end(), [](const TableRow& row) {
            return std::count_if(row.begin(), row.end(), [](const std::string& c) { return !c.empty(); }) >= 2;
        });
        if (static_cast<std::size_t>(filled) < std::max<std::size_t>(2, table.size() / 2))
            return std::nullopt;
    }
    return table;
}

// True when the words between two heights form text rows of which none splits into columns.
bool proseBetween(const std::vector<TextRun>& words, double low, double high, double gap)
{
    std::vector<TextRun> between;
    for (const TextRun& word : words)
        if (word.box.midY() > low && word.box.midY() < high)
            between.push_back(word);
    const auto rows = rowsOf(between);
    if (rows.size() < proseRowsBetweenRules)
        return false;
    return std::none_of(rows.begin(), rows.end(), [gap](const std::vector<TextRun>& row) {
        return TableBuilder::splitIntoCells(row, gap).size() >= 2;
    });
}

// Header rows often stand above a table's first rule: takes up to two rows just above the box into it when they
// split into columns.
Rect withHeader(Rect box, const std::vector<TextRun>& words, double height, double gap)
{
    for (int taken = 0; taken < 2; ++taken) {
        std::vector<TextRun> above;
        for (const TextRun& word : words)
            if (word.box.minY() >= box.maxY() - 1 && word.box.minY() < box.maxY() + 1.5 * height
                && word.box.midX() > box.minX() && word.box.midX() < box.maxX())
                above.push_back(word);
        if (above.empty())
            break;
        const auto rows = rowsOf(above);
        const std::vector<TextRun>& row = rows.back(); // the row nearest the box
        if (TableBuilder::splitIntoCells(row, gap).size() < 2)
            break;
        for (const TextRun& word : row)
            box = unite(box, word.box);
    }
    return box;
}

// A cell too long for its column wraps onto lines of its own, which read as rows with the first column empty
// just under the row they continue. They join that row, cell by cell. Needs the rows the builders made from the
// words; a grid whose rows differ is left as it is.
TableGrid joinWrappedRows(TableGrid grid, const std::vector<TextRun>& words)
{
    const std::vector<std::vector<TextRun>> rows = rowsOf(words);
    if (rows.size() != grid.size() || grid.empty())
        return grid;
    const double height = typicalHeight(words);
    // The label column is the first one that more than a stray mark or a spanning title fills.
    std::size_t label = 0;
    const auto filledIn = [&grid](std::size_t c) {
        return static_cast<std::size_t>(std::count_if(
            grid.begin(), grid.end(), [c](const TableRow& row) { return c < row.size() && !row[c].empty(); }));
    };
    while (label + 1 < grid.front().size() && (filledIn(label) < 2 || 5 * filledIn(label) < grid.size()))
        ++label;
    TableGrid joined;
    double previousBottom = 0;
    bool centredValues = false;
    bool startedAsLabel = false;
    for (std::size_t r = 0; r < grid.size(); ++r) {
        double top = -1e300, bottom = 1e300;
        for (const TextRun& word : rows[r]) {
            top = std::max(top, word.box.maxY());
            bottom = std::min(bottom, word.box.minY());
        }
        const TableRow& row = grid[r];
        const bool close = !joined.empty() && !row.empty() && previousBottom - top < 0.8 * height;
        // Values centred on a label of two lines stand between its lines: the second line joins as well.
        const bool noLabel = label >= row.size() || row[label].empty();
        const bool labelOnly = !noLabel
                               && std::all_of(row.begin() + static_cast<std::ptrdiff_t>(label) + 1, row.end(),
                                              [](const std::string& c) { return c.empty(); });
        const bool continues = close && (noLabel || (labelOnly && centredValues));
        // The values joined a row that held only a label: its next label-only line is the label's second line.
        centredValues = close && noLabel && startedAsLabel && !centredValues;
        if (!continues)
            startedAsLabel = labelOnly;
        if (continues) {
            TableRow& target = joined.back();
            for (std::size_t c = 0; c < row.size() && c < target.size(); ++c) {
                if (row[c].empty())
                    continue;
                if (!target[c].empty())
                    target[c] += ' ';
                target[c] += row[c];
            }
        } else {
            joined.push_back(row);
        }
        previousBottom = bottom;
    }
    return joined;
}

// A reader finishes what stands above a block, in the columns it spans, before reading the block: text that
// runs across the page under two columns comes after both. Otherwise the source's order stands.
std::vector<PageBlock> readingOrder(std::vector<PageBlock> blocks)
{
    // The order is quadratic to settle; a page of hundreds of blocks keeps the source's order.
    constexpr std::size_t maxBlocks = 300;
    if (blocks.size() > maxBlocks)
        return blocks;
    const auto above = [](const PageBlock& a, const PageBlock& b) {
        return a.box.minY() >= b.box.maxY() - 1 && a.box.minX() < b.box.maxX() && a.box.maxX() > b.box.minX();
    };
    std::vector<PageBlock> ordered;
    std::vector<bool> done(blocks.size(), false);
    for (std::size_t placed = 0; placed < blocks.size(); ++placed) {
        std::size_t next = blocks.size();
        for (std::size_t i = 0; i < blocks.size() && next == blocks.size(); ++i) {
            if (done[i])
                continue;
            bool waits = false;
            for (std::size_t j = 0; j < blocks.size() && !waits; ++j)
                waits = !done[j] && j != i && above(blocks[j], blocks[i]);
            if (!waits)
                next = i;
        }
        if (next == blocks.size()) // blocks overlapping each other: the first one left
            next = static_cast<std::size_t>(std::find(done.begin(), done.end(), false) - done.begin());
        done[next] = true;
        ordered.push_back(std::move(blocks[next]));
    }
    return ordered;
}

std::string joinedCells(const TableRow& row, char separator)
{
    std::string out;
    for (std::size_t c = 0; c < row.size(); ++c) {
        if (c > 0)
            out += separator;
        out += row[c];
    }
    return out;
}

std::string plainTable(const TableGrid& grid)
{
    std::string out;
    for (std::size_t r = 0; r < grid.size(); ++r) {
        if (r > 0)
            out += '\n';
        out += joinedCells(grid[r], '\t');
    }
    return out;
}

std::string integer(double value)
{
    return std::to_string(static_cast<long long>(std::lround(value)));
}
} // namespace

Page fromWords(std::vector<TextRun> words, const std::vector<bool>& spaceAfter, int width, int height)
{
    Page page;
    page.width = width;
    page.height = height;
    page.readingOrdered = true;
    const double height_ = typicalHeight(words);
    int block = 0;
    Rect previousLine;
    bool haveLine = false;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const TextRun& word = words[i];
        if (!std::isfinite(word.box.x) || !std::isfinite(word.box.y) || word.box.width <= 0 || word.box.height <= 0)
            continue;
        if (haveLine) {
            Line& line = page.lines.back();
            const TextRun& last = page.words.back();
            const double h = std::min(last.box.height, word.box.height);
            const double gap = word.box.minX() - last.box.maxX();
            const bool sameLine = std::abs(word.box.midY() - last.box.midY()) <= 0.5 * h && gap > -0.5 * h
                                  && gap < 3 * std::max(h, height_);
            if (sameLine) {
                const bool space = (i > 0 && i - 1 < spaceAfter.size() && spaceAfter[i - 1]) || gap > 0.15 * h;
                if (space)
                    line.text += ' ';
                line.text += word.text;
                line.box = unite(line.box, word.box);
                page.words.push_back(word);
                continue;
            }
            previousLine = line.box;
        }
        if (haveLine) {
            // Down the same column, no wider apart than a paragraph break: the same block.
            const double step = previousLine.minY() - word.box.maxY();
            const bool below = step > -0.3 * height_ && step < 1.2 * height_;
            const bool sameColumn = word.box.minX() < previousLine.maxX() && word.box.maxX() > previousLine.minX();
            if (!below || !sameColumn)
                ++block;
        }
        page.lines.push_back(Line{word.text, word.box, block});
        page.words.push_back(word);
        haveLine = true;
    }
    return page;
}

std::vector<Region> ruledRegions(const Image& image, const std::vector<TextRun>& words)
{
    std::vector<Region> regions;
    const std::optional<std::vector<std::uint8_t>> dark = darkMask(image);
    if (!dark || image.width < 8 || image.height < 8)
        return regions;
    const std::vector<std::uint8_t>& mask = *dark;
    const int w = image.width, h = image.height;
    const double height = typicalHeight(words);
    const double gap = gapThreshold(height);
    const auto px = [&](int x, int y) { return mask[static_cast<std::size_t>(y) * w + x] != 0; };
    const auto across = [&](int y, int x) { return px(x, y); };
    const auto down = [&](int x, int y) { return px(x, y); };

    // A table's rules span at least a few words across; its vertical rules at least two rows of text.
    const int minAcross = std::max(static_cast<int>(6 * height), w / 12);
    const int minDown = std::max(static_cast<int>(2.5 * height), 20);
    std::vector<Segment> horizontal = joined(rowRuns(mask, w, h, minAcross));
    std::erase_if(horizontal, [&](const Segment& s) { return !clear(s, h, across); });
    std::vector<Segment> vertical = joined(columnRuns(mask, w, h, minDown));
    std::erase_if(vertical, [&](const Segment& s) { return !clear(s, w, down); });
    // Hundreds of rules are a pattern or a picture, not tables; reading them would take quadratic time.
    constexpr std::size_t maxRules = 2000;
    if (horizontal.size() + vertical.size() > maxRules || horizontal.empty())
        return regions;

    std::vector<Rect> boxes;
    for (const Segment& s : horizontal)
        boxes.push_back(horizontalBox(s));
    for (const Segment& s : vertical)
        boxes.push_back(verticalBox(s));
    const std::size_t nh = horizontal.size();
    UnionFind groups(boxes.size());
    const double touch = 4;
    const double sameWidth = std::max(8.0, 0.03 * w);
    for (std::size_t a = 0; a < boxes.size(); ++a) {
        for (std::size_t b = a + 1; b < boxes.size(); ++b) {
            const bool bothHorizontal = a < nh && b < nh;
            if (bothHorizontal) {
                if (std::abs(boxes[a].minX() - boxes[b].minX()) <= sameWidth
                    && std::abs(boxes[a].maxX() - boxes[b].maxX()) <= sameWidth)
                    groups.join(a, b);
                continue;
            }
            const Rect grown{boxes[a].x - touch, boxes[a].y - touch, boxes[a].width + 2 * touch,
                             boxes[a].height + 2 * touch};
            if (overlaps(grown, boxes[b]))
                groups.join(a, b);
        }
    }

    std::vector<std::vector<std::size_t>> members(boxes.size());
    for (std::size_t i = 0; i < boxes.size(); ++i)
        members[groups.find(i)].push_back(i);
    for (const std::vector<std::size_t>& group : members) {
        std::vector<std::size_t> across_;
        bool hasVertical = false;
        for (std::size_t i : group) {
            if (i < nh)
                across_.push_back(i);
            else
                hasVertical = true;
        }
        if (across_.size() < 2 && !(hasVertical && !across_.empty()))
            continue;
        if (hasVertical) {
            Rect box;
            for (std::size_t i : group)
                box = unite(box, boxes[i]);
            regions.push_back(Region{withHeader(box, words, height, gap), true});
            continue;
        }
        // Rules across only: top first, split where prose stands between two of them.
        std::sort(across_.begin(), across_.end(),
                  [&](std::size_t a, std::size_t b) { return boxes[a].maxY() > boxes[b].maxY(); });
        std::vector<std::size_t> run{across_.front()};
        const auto flush = [&] {
            if (run.size() >= 2) {
                Rect box;
                for (std::size_t i : run)
                    box = unite(box, boxes[i]);
                regions.push_back(Region{withHeader(box, words, height, gap), true});
            }
            run.clear();
        };
        for (std::size_t k = 1; k < across_.size(); ++k) {
            const Rect& upper = boxes[run.back()];
            const Rect& lower = boxes[across_[k]];
            if (proseBetween(words, lower.maxY(), upper.minY(), gap))
                flush();
            run.push_back(across_[k]);
        }
        flush();
    }
    // A region inside another is a cell's own frame or a nested box: the outer one is the table.
    std::vector<Region> outer;
    for (const Region& r : regions) {
        const bool inside = std::any_of(regions.begin(), regions.end(), [&](const Region& o) {
            return !(o == r) && r.box.minX() >= o.box.minX() - 1 && r.box.maxX() <= o.box.maxX() + 1
                   && r.box.minY() >= o.box.minY() - 1 && r.box.maxY() <= o.box.maxY() + 1;
        });
        if (!inside)
            outer.push_back(r);
    }
    std::sort(outer.begin(), outer.end(), [](const Region& a, const Region& b) { return a.box.maxY() > b.box.maxY(); });
    return outer;
}

std::vector<Region> alignedRegions(const std::vector<TextRun>& words)
{
    std::vector<Region> regions;
    if (words.size() < 4)
        return regions;
    const double height = typicalHeight(words);
    const double gap = gapThreshold(height);
    const std::vector<std::vector<TextRun>> rows = rowsOf(words);

    std::vector<std::size_t> run; // indexes of rows in the current run
    std::size_t tabularRows = 0;
    std::size_t columns = 0;
    const auto flush = [&] {
        // A run ends on a row that splits into columns.
        while (!run.empty() && !tabular(TableBuilder::splitIntoCells(rows[run.back()], gap)))
            run.pop_back();
        if (tabularRows >= minAlignedRows || (tabularRows >= 2 && columns >= 3)) {
            Rect box;
            for (std::size_t r : run)
                for (const TextRun& word : rows[r])
                    box = unite(box, word.box);
            regions.push_back(Region{box, false});
        }
        run.clear();
        tabularRows = 0;
        columns = 0;
    };
    const auto top = [](const std::vector<TextRun>& row) {
        double y = -1e300;
        for (const TextRun& w : row)
            y = std::max(y, w.box.maxY());
        return y;
    };
    const auto bottom = [](const std::vector<TextRun>& row) {
        double y = 1e300;
        for (const TextRun& w : row)
            y = std::min(y, w.box.minY());
        return y;
    };
    std::size_t plainInARow = 0;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const auto cells = TableBuilder::splitIntoCells(rows[r], gap);
        const bool isTabular = tabular(cells);
        // A blank stretch of more than three lines ends a table; rows of a table may stand two lines apart.
        if (!run.empty() && bottom(rows[run.back()]) - top(rows[r]) > 3.5 * height)
            flush();
        if (isTabular) {
            run.push_back(r);
            ++tabularRows;
            columns = std::max(columns, cells.size());
            plainInARow = 0;
        } else if (!run.empty() && plainInARow == 0 && bottom(rows[run.back()]) - top(rows[r]) <= 1.5 * height) {
            // One row without columns, close under a table row: a wrapped cell or a section label.
            run.push_back(r);
            ++plainInARow;
        } else {
            flush();
            plainInARow = 0;
        }
    }
    flush();

    std::size_t inside = 0;
    if (regions.size() == 1) {
        inside = wordsInside(words, regions.front().box).size();
        if (static_cast<double>(inside) >= wholePageShare * static_cast<double>(words.size())) {
            Rect all;
            for (const TextRun& word : words)
                all = unite(all, word.box);
            regions.front().box = all;
        }
    }
    return regions;
}

std::vector<PageBlock> inReadingOrder(std::vector<PageBlock> blocks)
{
    return readingOrder(std::move(blocks));
}

std::vector<Rect> unreadRegions(const Image& image, const std::vector<TextRun>& words)
{
    std::vector<Rect> regions;
    // A stride shorter than a row would read past the pixels.
    if (image.isNull() || image.width < 64 || image.height < 64
        || image.stride < image.width * Image::bytesPerPixel(image.format))
        return regions;
    // Ink is counted in square cells: a pasted scan is a large connected stretch of inked cells.
    constexpr int cell = 16;
    constexpr int inkedPixels = 6;
    constexpr int reach = 2;
    constexpr int minCells = 6; // a region spans at least this many cells both ways (about 0.5 inch at 180 dpi)
    const int w = image.width, h = image.height;
    const int cw = (w + cell - 1) / cell, ch = (h + cell - 1) / cell;
    std::vector<int> ink(static_cast<std::size_t>(cw) * ch, 0);
    // Cells count from the bottom row up, as the words' boxes do; the image's rows run top first.
    std::vector<std::uint8_t> grey(static_cast<std::size_t>(w));
    for (int y = 0; y < h; ++y) {
        image.greyRow(h - 1 - y, grey.data());
        int* cells = ink.data() + static_cast<std::size_t>(y / cell) * cw;
        for (int cx = 0; cx < cw; ++cx) {
            const std::uint8_t* p = grey.data() + static_cast<std::size_t>(cx) * cell;
            const int n = std::min(cell, w - cx * cell);
            int dark = 0;
            for (int i = 0; i < n; ++i)
                dark += Bitmap::dark(p[i]) ? 1 : 0;
            cells[cx] += dark;
        }
    }
    std::vector<char> inked(ink.size(), 0);
    for (std::size_t i = 0; i < ink.size(); ++i)
        inked[i] = ink[i] >= inkedPixels ? 1 : 0;
    const double height = typicalHeight(words);
    for (const TextRun& word : words) {
        const double grow = 0.5 * height;
        const int x0 = std::clamp(static_cast<int>((word.box.minX() - grow) / cell), 0, cw);
        const int x1 = std::clamp(static_cast<int>((word.box.maxX() + grow) / cell) + 1, 0, cw);
        const int y0 = std::clamp(static_cast<int>((word.box.minY() - grow) / cell), 0, ch);
        const int y1 = std::clamp(static_cast<int>((word.box.maxY() + grow) / cell) + 1, 0, ch);
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                inked[static_cast<std::size_t>(y) * cw + x] = 0;
    }
    // Connected stretches of inked cells, each with its bounds and how many cells it holds.
    std::vector<int> stack;
    for (int start = 0; start < cw * ch; ++start) {
        if (!inked[static_cast<std::size_t>(start)])
            continue;
        int minX = cw, maxX = -1, minY = ch, maxY = -1, count = 0;
        stack.assign(1, start);
        inked[static_cast<std::size_t>(start)] = 0;
        while (!stack.empty()) {
            const int i = stack.back();
            stack.pop_back();
            const int x = i % cw, y = i / cw;
            minX = std::min(minX, x), maxX = std::max(maxX, x), minY = std::min(minY, y), maxY = std::max(maxY, y);
            ++count;
            // Cells two apart still join: the lines of a scanned paragraph stand a line's gap apart.
            for (int dy = -reach; dy <= reach; ++dy)
                for (int dx = -reach; dx <= reach; ++dx) {
                    const int nx = x + dx, ny = y + dy;
                    if (nx < 0 || ny < 0 || nx >= cw || ny >= ch || !inked[static_cast<std::size_t>(ny) * cw + nx])
                        continue;
                    inked[static_cast<std::size_t>(ny) * cw + nx] = 0;
                    stack.push_back(ny * cw + nx);
                }
        }
        const int spanX = maxX - minX + 1, spanY = maxY - minY + 1;
        // Frames and rules are thin rings or lines: they fill little of their bounds.
        // A scan pasted into a page is a good part of its width; smaller stretches are figures and logos, whose
        // own text the text layer holds when it matters.
        if (spanX < std::max(minCells, cw * 3 / 10) || spanY < minCells || count * 4 < spanX * spanY)
            continue;
        const double x0 = minX * cell, y0 = minY * cell;
        const Rect region{x0, y0, std::min<double>(w, (maxX + 1) * cell) - x0,
                          std::min<double>(h, (maxY + 1) * cell) - y0};
        // A drawing with words of the text layer on it is read from those words; only a picture holding none is
        // a scan whose text the layer lacks.
        if (wordsInside(words, region).empty())
            regions.push_back(region);
    }
    return regions;
}

std::vector<TextRun> wordsInside(const std::vector<TextRun>& words, const Rect& box)
{
    std::vector<TextRun> inside;
    for (const TextRun& word : words)
        if (contains(box, word.box.midX(), word.box.midY()))
            inside.push_back(word);
    return inside;
}

std::optional<TableGrid> regionGrid(const Region& region, const std::vector<TextRun>& input, const Image* image)
{
    // Recognition reads a rule it did not remove as a bar or a bracket at a word's edge; those are not text.
    std::vector<TextRun> words;
    for (TextRun word : input) {
        if (region.ruled) {
            const std::size_t first = word.text.find_first_not_of("|[]");
            const std::size_t last = word.text.find_last_not_of("|[]");
            word.text = first == std::string::npos ? std::string() : word.text.substr(first, last - first + 1);
        }
        if (!word.text.empty())
            words.push_back(std::move(word));
    }
    std::optional<TableGrid> grid;
    if (image && region.ruled) {
        const Image part = crop(*image, region.box);
        if (!part.isNull()) {
            // The crop starts at whole pixels; words move with it.
            const double x0 = std::max(0.0, std::floor(region.box.minX()));
            const double y0 = std::max(0.0, std::floor(region.box.minY()));
            std::vector<TextRun> shifted = words;
            for (TextRun& word : shifted) {
                word.box.x -= x0;
                word.box.y -= y0;
            }
            // Two readings of the rules: thin rules only, and dark columns of pixels (which also finds rules drawn
            // in colour or broken by the scan). Each splits its bands further where their words stand in columns of
            // their own; of the readings that cut no cells, the one with the fewer empty cells wins.
            std::vector<double> dark;
            if (const std::optional<RuledTable::Lines> lines = RuledTable::detect(part))
                dark = lines->cols;
            double bestDensity = 0;
            for (const std::vector<double>& cols : {ruledColumns(part), dark}) {
                std::optional<TableGrid> candidate = columnGrid(cols, shifted, part.width);
                if (!candidate)
                    continue;
                std::size_t cells = 0, all = 0;
                for (const TableRow& row : *candidate)
                    for (const std::string& cell : row) {
                        cells += cell.empty() ? 0 : 1;
                        ++all;
                    }
                const double density = static_cast<double>(cells) / static_cast<double>(std::max<std::size_t>(1, all));
                if (density > bestDensity) {
                    bestDensity = density;
                    grid = std::move(candidate);
                }
            }
        }
    }
    if (!grid)
        grid = TableBuilder::grid(words);
    if (!grid)
        return std::nullopt;
    // Double rules bound bands that hold nothing: a column empty in every row is no column.
    const std::size_t width = grid->empty() ? 0 : grid->front().size();
    for (std::size_t c = width; c-- > 0;) {
        if (std::all_of(grid->begin(), grid->end(),
                        [c](const TableRow& row) { return c >= row.size() || row[c].empty(); }))
            for (TableRow& row : *grid)
                if (c < row.size())
                    row.erase(row.begin() + static_cast<std::ptrdiff_t>(c));
    }
    if (grid->size() < 2 || grid->front().size() < 2)
        return std::nullopt;
    // Letters read into a drawing (whose lines look like rules) stand scattered: mostly empty cells, and marks
    // that are no words.
    {
        std::size_t all = 0, filled = 0, wordy = 0;
        for (const TableRow& row : *grid)
            for (const std::string& cell : row) {
                ++all;
                if (cell.empty())
                    continue;
                ++filled;
                wordy += meaningful(cell) ? 1 : 0;
            }
        if (5 * filled < 2 * all || 5 * wordy < 3 * filled)
            return std::nullopt;
    }
    return joinWrappedRows(std::move(*grid), words);
}

std::vector<PageBlock> layOut(const Page& page, const Image* image, const RegionWords& regionWords)
{
    std::vector<Region> regions;
    if (image && !image->isNull())
        regions = ruledRegions(*image, page.words);
    std::vector<TextRun> outside;
    for (const TextRun& word : page.words)
        if (std::none_of(regions.begin(), regions.end(),
                         [&](const Region& r) { return contains(r.box, word.box.midX(), word.box.midY()); }))
            outside.push_back(word);
    for (const Region& r : alignedRegions(outside))
        if (std::none_of(regions.begin(), regions.end(), [&](const Region& o) { return overlaps(o.box, r.box); }))
            regions.push_back(r);

    struct Found
    {
        Region region;
        TableGrid grid;
        bool placed = false;
    };
    std::vector<Found> tables;
    for (const Region& region : regions) {
        std::vector<TextRun> words = regionWords ? regionWords(region) : wordsInside(page.words, region.box);
        if (std::optional<TableGrid> grid = regionGrid(region, words, image))
            tables.push_back(Found{region, std::move(*grid)});
    }

    std::vector<PageBlock> blocks;
    const auto placeTable = [&](Found& table) {
        if (table.placed)
            return;
        table.placed = true;
        PageBlock block;
        block.kind = PageBlock::Kind::Table;
        block.box = table.region.box;
        block.grid = std::move(table.grid);
        block.ruled = table.region.ruled;
        blocks.push_back(std::move(block));
    };
    int currentBlock = 0;
    bool open = false;
    for (const Line& line : page.lines) {
        const auto table = std::find_if(tables.begin(), tables.end(), [&](const Found& t) {
            return contains(t.region.box, line.box.midX(), line.box.midY());
        });
        if (table != tables.end()) {
            placeTable(*table);
            open = false;
            continue;
        }
        // A table whose lines the source did not deliver goes before the first line below its top.
        for (Found& t : tables)
            if (!t.placed && line.box.maxY() < t.region.box.maxY() && line.box.midX() >= t.region.box.minX()
                && line.box.midX() <= t.region.box.maxX()) {
                placeTable(t);
                open = false;
            }
        if (line.text.find_first_not_of(" \t") == std::string::npos || (page.dropMarks && junkLine(line.text)))
            continue;
        if (open && line.block == currentBlock) {
            blocks.back().text += '\n';
            blocks.back().text += line.text;
            blocks.back().box = unite(blocks.back().box, line.box);
            continue;
        }
        PageBlock block;
        block.kind = PageBlock::Kind::Text;
        block.box = line.box;
        block.text = line.text;
        blocks.push_back(std::move(block));
        currentBlock = line.block;
        open = true;
    }
    for (Found& t : tables)
        placeTable(t);

    if (!page.readingOrdered)
        blocks = readingOrder(std::move(blocks));
    for (const Rect& picture : page.pictures) {
        if (std::any_of(tables.begin(), tables.end(), [&](const Found& t) { return overlaps(t.region.box, picture); }))
            continue;
        PageBlock block;
        block.kind = PageBlock::Kind::Picture;
        block.box = picture;
        const auto before = std::find_if(blocks.begin(), blocks.end(), [&](const PageBlock& b) {
            return b.box.maxY() < picture.maxY() && b.box.maxX() > picture.minX() && b.box.minX() < picture.maxX();
        });
        blocks.insert(before, std::move(block));
    }
    return blocks;
}

std::string render(const std::vector<PageBlock>& blocks, Settings::OutputMode mode)
{
    const bool markdown = mode == Settings::OutputMode::Auto || mode == Settings::OutputMode::MarkdownTable;
    std::vector<std::string> parts;
    if (mode == Settings::OutputMode::CSV) {
        for (const PageBlock& block : blocks)
            if (block.kind == PageBlock::Kind::Table)
                parts.push_back(TableBuilder::renderCSV(block.grid));
        if (parts.empty())
            return render(blocks, Settings::OutputMode::PlainText);
    } else {
        for (const PageBlock& block : blocks) {
            if (block.kind == PageBlock::Kind::Text && !block.text.empty())
                parts.push_back(block.text);
            else if (block.kind == PageBlock::Kind::Table)
                parts.push_back(markdown ? TableBuilder::renderMarkdown(block.grid) : plainTable(block.grid));
        }
    }
    std::string out;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i > 0)
            out += "\n\n";
        out += parts[i];
    }
    return out;
}

std::vector<TableGrid> tables(const std::vector<PageBlock>& blocks)
{
    std::vector<TableGrid> grids;
    for (const PageBlock& block : blocks)
        if (block.kind == PageBlock::Kind::Table)
            grids.push_back(block.grid);
    return grids;
}

std::string describe(const PageBlock& block, double pageHeight)
{
    static constexpr const char* names[] = {"text", "table", "picture"};
    std::string out = names[static_cast<int>(block.kind)];
    out += " at " + integer(block.box.minX()) + "," + integer(pageHeight - block.box.maxY()) + " size "
           + integer(block.box.width) + "\u00d7" + integer(block.box.height) + " px";
    if (block.kind == PageBlock::Kind::Table) {
        const std::size_t columns = block.grid.empty() ? 0 : block.grid.front().size();
        out += ": " + std::to_string(block.grid.size()) + " rows \u00d7 " + std::to_string(columns) + " cols";
        out += block.ruled ? " (rules)" : " (aligned)";
    }
    return out;
}

Image crop(const Image& image, const Rect& box)
{
    if (image.isNull() || !std::isfinite(box.x) || !std::isfinite(box.y) || !std::isfinite(box.width)
        || !std::isfinite(box.height))
        return Image{};
    const int x0 = std::clamp(static_cast<int>(std::floor(box.minX())), 0, image.width);
    const int x1 = std::clamp(static_cast<int>(std::ceil(box.maxX())), 0, image.width);
    const int yBottom = std::clamp(static_cast<int>(std::floor(box.minY())), 0, image.height);
    const int yTop = std::clamp(static_cast<int>(std::ceil(box.maxY())), 0, image.height);
    if (x1 <= x0 || yTop <= yBottom)
        return Image{};
    Image part = image;
    part.width = x1 - x0;
    part.height = yTop - yBottom;
    part.pixels = image.row(image.height - yTop) + static_cast<std::ptrdiff_t>(x0) * Image::bytesPerPixel(image.format);
    return part;
}
} // namespace PageLayout
