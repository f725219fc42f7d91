#include "ocr/CodeGrid.h"

#include "ocr/Lines.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>

namespace {
// Measured on drawn code and prose at 10-16 px: neighbouring glyph centres of a monospace font sit within a tenth of
// a cell of the grid (the recognizer's boxes, mapped back from the scaled image, are that exact); a proportional
// font's sit anywhere, a quarter of a cell off on the median.
constexpr double monospaceResidual = 0.12;
constexpr std::size_t minPairs = 6;
// Two cells holding the same glyph differ by anti-aliasing at another fraction of a pixel; measured on drawn code at
// 10-16 px, distinct glyphs differ by more than half their ink.
constexpr double sameDrawing = 0.3;
// Glyphs elsewhere in the picture count as the same character only when drawn at the same fraction of a pixel, that
// is alike to a few percent of their ink: at 0.12 "l" already matched "t" and "[" matched "(".
constexpr double sameGlyph = 0.05;
constexpr std::size_t maxCompared = 1500;
// A glyph and the mirror image of its partner bracket, drawn at other fractions of a pixel.
constexpr double pairedDrawing = 0.18;
// The body of a letter under a diaeresis and the same letter drawn without one: measured at 11-16 px, the same
// vowel matches to within 0.01, the nearest other (o for u) is 0.18 away.
constexpr double sameBody = 0.1;
// The mean ink in the middle of an oval's ink box (see Oval): measured on
// DejaVu Sans Mono at 10-16 px, a zero's dot or slash leaves 0.22-0.53 there, an O at 11 px and above at most 0.07,
// and at 10 px, where the outline's blur fills the middle, up to 0.24.
constexpr double hollowOval = 0.1;
constexpr double markedOval = 0.3;
// A capture whose zeros leave this much or more in their middle is set in a font that marks its zero.
constexpr double zeroMarked = 0.2;
// A marked zero the recognizer took for a symbol against the capture's zeros: measured at 11-13 px, "@" and "®" read
// from zeros are 0.11-0.14 from the nearest, a real "@" 0.39 or more.
constexpr double zeroLike = 0.15;
// The width of a space in a proportional font against the typical advance over a line of code: spaces are about
// 0.28-0.32 em in the sans fonts of slides and web pages, and code's brackets, dots and commas bring its typical
// advance down to about 0.42-0.46 em.
constexpr double proportionalSpace = 0.67;

std::uint32_t firstCodePoint(const std::string& text, std::size_t& length)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80 || text.size() < 2) {
        length = 1;
        return lead;
    }
    const std::size_t n = lead >= 0xF0 ? 4 : (lead >= 0xE0 ? 3 : 2);
    if (text.size() < n) {
        length = text.size();
        return 0xFFFD;
    }
    std::uint32_t value = lead & (0x7F >> n);
    for (std::size_t i = 1; i < n; ++i)
        value = (value << 6) | (byte(i) & 0x3F);
    length = n;
    return value;
}

// Wide characters take two cells in a terminal and about two in an editor's fallback font.
bool wide(std::uint32_t c)
{
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) || (c >= 0xAC00 && c <= 0xD7A3)
           || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60)
           || (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
}

// Cells a glyph's text fills: one per character, two for a wide one, none for a combining mark.
int cellsOf(const std::string& text)
{
    int cells = 0;
    for (std::size_t i = 0; i < text.size();) {
        std::size_t length = 1;
        const std::uint32_t c = firstCodePoint(text.substr(i), length);
        i += length;
        if (c >= 0x0300 && c <= 0x036F)
            continue;
        cells += wide(c) ? 2 : 1;
    }
    return std::max(cells, 1);
}

struct Row
{
    std::vector<const CodeGrid::Line*> lines;
    std::vector<const CodeGrid::Glyph*> glyphs;
    Rect box;
    double floor = 0; // the lowest y its ink may reach: the top of the row below
};

Rect unite(const Rect& a, const Rect& b)
{
    const double left = std::min(a.minX(), b.minX()), right = std::max(a.maxX(), b.maxX());
    const double bottom = std::min(a.minY(), b.minY()), top = std::max(a.maxY(), b.maxY());
    return Rect{left, bottom, right - left, top - bottom};
}

// The rows of the plain text: the same grouping, so code and plain text agree on what a line is.
std::vector<Row> rowsOfLines(const std::vector<CodeGrid::Line>& lines)
{
    std::vector<TextRun> runs;
    runs.reserve(lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i)
        runs.push_back(TextRun{std::to_string(i), lines[i].box});
    std::vector<Row> rows;
    for (std::vector<TextRun>& grouped : rowsOf(runs)) {
        std::stable_sort(grouped.begin(), grouped.end(),
                         [](const TextRun& a, const TextRun& b) { return a.box.minX() < b.box.minX(); });
        Row row;
        for (const TextRun& run : grouped) {
            const CodeGrid::Line& line = lines[std::stoul(run.text)];
            row.box = row.lines.empty() ? line.box : unite(row.box, line.box);
            row.lines.push_back(&line);
            for (const CodeGrid::Glyph& glyph : line.glyphs)
                row.glyphs.push_back(&glyph);
        }
        rows.push_back(std::move(row));
    }
    for (std::size_t r = 0; r + 1 < rows.size(); ++r)
        rows[r].floor = rows[r + 1].box.maxY();
    return rows;
}

// Centre distances of neighbouring one-cell glyphs within a line.
std::vector<double> neighbourDistances(const std::vector<CodeGrid::Line>& lines)
{
    std::vector<double> distances;
    for (const CodeGrid::Line& line : lines) {
        for (std::size_t i = 1; i < line.glyphs.size(); ++i) {
            const CodeGrid::Glyph& a = line.glyphs[i - 1];
            const CodeGrid::Glyph& b = line.glyphs[i];
            const double d = b.box.midX() - a.box.midX();
            if (d > 0 && cellsOf(a.text) == 1 && cellsOf(b.text) == 1)
                distances.push_back(d);
        }
    }
    return distances;
}

double percentile(std::vector<double> values, double share)
{
    const auto at = values.begin() + static_cast<std::ptrdiff_t>(share * (values.size() - 1));
    std::nth_element(values.begin(), at, values.end());
    return *at;
}

std::string spaces(int count)
{
    return std::string(static_cast<std::size_t>(std::max(0, count)), ' ');
}

struct LaidRow
{
    std::vector<int> columns; // the first cell of each glyph, counted from the row's first glyph
    double origin = 0;        // x where the row's column 0 starts
};

// The recognizer's box of a glyph next to one it dropped often spans both; such a box says little about where the
// glyph itself is.
// An underscore's box is no better: its faint line leaves a box of a few pixels anywhere along the cell.
bool reliable(const CodeGrid::Glyph& glyph, int cells, double pitch)
{
    return glyph.box.width <= (cells + 0.3) * pitch && glyph.text != "_";
}

LaidRow placeOnGrid(const Row& row, double pitch)
{
    LaidRow laid;
    std::vector<double> origins;
    int end = 0;                             // the first cell after the glyphs placed so far
    const CodeGrid::Glyph* anchor = nullptr; // the last glyph placed by its own box
    int anchorColumn = 0, anchorCells = 1;
    bool aligned = true; // until a wide glyph, whose fallback font may not keep the grid
    for (const CodeGrid::Glyph* glyph : row.glyphs) {
        const int cells = cellsOf(glyph->text);
        int column = end;
        bool placed = reliable(*glyph, cells, pitch);
        // Columns count from the last well-placed glyph, so a misplaced one is not carried along; a glyph whose box
        // is not to be trusted follows its left neighbour, and so does one whose box lies over its left neighbour's
        // cell (a ")" boxed over the "w" before it), which then places no glyph after it.
        if (placed && anchor != nullptr) {
            const int wanted = anchorColumn
                               + static_cast<int>(std::lround((glyph->box.midX() - anchor->box.midX()) / pitch
                                                              + (anchorCells - cells) / 2.0));
            column = std::max(end, wanted);
            placed = wanted >= end;
        }
        if (placed) {
            anchor = glyph;
            anchorColumn = column;
            anchorCells = cells;
        }
        laid.columns.push_back(column);
        end = column + cells;
        aligned = aligned && cells == 1;
        if (aligned && placed)
            origins.push_back(glyph->box.midX() - pitch * (column + 0.5));
    }
    if (origins.empty())
        origins.push_back(row.glyphs.front()->box.minX());
    laid.origin = *median(origins);
    return laid;
}
// The ground of a row's band: what most of its pixels are, text being sparse.
struct Ground
{
    int value = 255;
    bool valid = false;
};

// Image rows (counted from the top) of a box whose y grows upward, clipped to the image.
std::pair<int, int> imageRows(const Image& image, double minY, double maxY)
{
    const int top = std::clamp(static_cast<int>(std::floor(image.height - maxY)), 0, image.height);
    const int bottom = std::clamp(static_cast<int>(std::ceil(image.height - minY)), 0, image.height);
    return {top, bottom};
}

Ground groundOf(const Image& image, const Rect& box)
{
    const auto [top, bottom] = imageRows(image, box.minY(), box.maxY());
    const int left = std::clamp(static_cast<int>(box.minX()), 0, image.width);
    const int right = std::clamp(static_cast<int>(std::ceil(box.maxX())), 0, image.width);
    std::vector<int> histogram(256, 0);
    int count = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x, ++count)
            ++histogram[image.grey(x, y)];
    if (count == 0)
        return Ground{};
    int seen = 0;
    for (int v = 0; v < 256; ++v) {
        seen += histogram[static_cast<std::size_t>(v)];
        if (2 * seen >= count)
            return Ground{v, true};
    }
    return Ground{};
}

// True when the cell starting at x holds a lone horizontal stroke at the bottom of the row and nothing above it:
// an underscore, which recognizers drop because it is a thin line below the baseline.
bool underscoreAt(const Image& image, const Ground& ground, const Rect& rowBox, double floor, double x, double pitch)
{
    if (!ground.valid)
        return false;
    constexpr int contrast = 60;
    const double height = rowBox.height;
    // Underscores hang below the baseline, at or under the descenders that make up the row box's bottom.
    const auto [top, bottom] = imageRows(image, std::max(floor, rowBox.minY() - 0.45 * height), rowBox.maxY());
    const int left = std::clamp(static_cast<int>(std::lround(x + 0.15 * pitch)), 0, image.width);
    const int right = std::clamp(static_cast<int>(std::lround(x + 0.85 * pitch)), 0, image.width);
    if (right - left < 2 || bottom - top < 4)
        return false;
    int firstInked = -1, lastInked = -1, widest = 0;
    for (int y = top; y < bottom; ++y) {
        int ink = 0;
        for (int px = left; px < right; ++px)
            ink += std::abs(int(image.grey(px, y)) - ground.value) > contrast;
        if (ink == 0)
            continue;
        if (firstInked < 0)
            firstInked = y;
        lastInked = y;
        widest = std::max(widest, ink);
    }
    if (firstInked < 0)
        return false;
    const double rowBottom = image.height - rowBox.minY(); // the lowest ink of the row's glyphs, in image rows
    const bool low = firstInked >= rowBottom - 0.3 * height;
    const bool thin = lastInked - firstInked + 1 <= std::max(2.0, 0.2 * height);
    return low && thin && widest * 10 >= (right - left) * 8;
}
// Ink of one pixel against the ground, 0 (ground) to 1 (full contrast).
double inkOf(const Image& image, const Ground& ground, int x, int y)
{
    return std::min(1.0, std::abs(int(image.grey(x, y)) - ground.value) / 128.0);
}

// The share of the cell starting at x, within the row's band, that holds ink.
double inkShare(const Image& image, const Ground& ground, const Rect& rowBox, double x, double pitch)
{
    const auto [top, bottom] = imageRows(image, rowBox.minY(), rowBox.maxY());
    const int left = std::clamp(static_cast<int>(std::lround(x + 0.15 * pitch)), 0, image.width);
    const int right = std::clamp(static_cast<int>(std::lround(x + 0.85 * pitch)), 0, image.width);
    if (right <= left || bottom <= top)
        return 0;
    double ink = 0;
    for (int y = top; y < bottom; ++y)
        for (int px = left; px < right; ++px)
            ink += inkOf(image, ground, px, y) > 0.6;
    return ink / ((right - left) * (bottom - top));
}

// How unlike the drawings of two cells of one row are: 0 for the same ink, 1 for ink in different places. The
// second cell is tried a pixel either way, since cells start at fractions of a pixel.
double cellDistance(const Image& image, const Ground& ground, const Rect& rowBox, double a, double b, double pitch)
{
    const auto [top, bottom] = imageRows(image, rowBox.minY() - 0.1 * rowBox.height, rowBox.maxY());
    const int width = static_cast<int>(std::floor(pitch));
    const int left = static_cast<int>(std::lround(a)), right = static_cast<int>(std::lround(b));
    double best = 1;
    for (int shift = -1; shift <= 1; ++shift) {
        double difference = 0, total = 0;
        for (int y = top; y < bottom; ++y) {
            for (int dx = 0; dx < width; ++dx) {
                const int xa = left + dx, xb = right + dx + shift;
                const double ia = xa >= 0 && xa < image.width ? inkOf(image, ground, xa, y) : 0;
                const double ib = xb >= 0 && xb < image.width ? inkOf(image, ground, xb, y) : 0;
                difference += std::abs(ia - ib);
                total += ia + ib;
            }
        }
        if (total > 0)
            best = std::min(best, difference / total);
    }
    return best;
}

// True when the ink of the cell starting at x sits in its middle, as a glyph drawn in that cell does; ink of a
// glyph in a neighbouring cell reaches in from one side.
bool centredInk(const Image& image, const Ground& ground, const Rect& rowBox, double x, double pitch)
{
    const auto [top, bottom] = imageRows(image, rowBox.minY(), rowBox.maxY());
    const int left = std::clamp(static_cast<int>(std::floor(x)), 0, image.width);
    const int right = std::clamp(static_cast<int>(std::ceil(x + pitch)), 0, image.width);
    double weight = 0, moment = 0;
    for (int y = top; y < bottom; ++y) {
        for (int px = left; px < right; ++px) {
            const double ink = inkOf(image, ground, px, y);
            weight += ink;
            moment += ink * (px + 0.5);
        }
    }
    return weight > 0 && std::abs(moment / weight - (x + pitch / 2)) <= 0.2 * pitch;
}

// Puts a glyph whose box swallowed a neighbour into the first inked cell its box covers: the swallowed neighbour
// may be a space before it (ink-free) or a character after it.
void settleWideBoxes(LaidRow& laid, const Row& row, double pitch, const Image& image, const Ground& ground)
{
    for (std::size_t i = 0; i < row.glyphs.size(); ++i) {
        const CodeGrid::Glyph& glyph = *row.glyphs[i];
        const int cells = cellsOf(glyph.text);
        if (reliable(glyph, cells, pitch))
            continue;
        const int earliest = i == 0 ? 0 : laid.columns[i - 1] + cellsOf(row.glyphs[i - 1]->text);
        if (glyph.text == "_") {
            // The underscore goes where the picture has one, up to the next glyph.
            const int before = i + 1 < row.glyphs.size() ? laid.columns[i + 1] : earliest + 1;
            for (int cell = earliest; cell < before; ++cell) {
                if (underscoreAt(image, ground, row.box, row.floor, laid.origin + cell * pitch, pitch)) {
                    laid.columns[i] = cell;
                    break;
                }
            }
            continue;
        }
        const int latest = static_cast<int>(std::floor((glyph.box.maxX() - laid.origin) / pitch)) - cells + 1;
        const int first = std::max(earliest, static_cast<int>(std::floor((glyph.box.minX() - laid.origin) / pitch)));
        for (int cell = first; cell <= latest; ++cell) {
            const double x = laid.origin + cell * pitch;
            // An underscore the box swallowed is no place for the glyph ("__missing" read "_m issing").
            if (underscoreAt(image, ground, row.box, row.floor, x, pitch))
                continue;
            // A thin mark (a backtick, a dot) inks little of its cell, but in the cell's middle.
            if (inkShare(image, ground, row.box, x, pitch) > 0.05
                || (inkShare(image, ground, row.box, x, pitch) > 0.01
                    && centredInk(image, ground, row.box, x, pitch))) {
                laid.columns[i] = std::max(laid.columns[i], cell);
                break;
            }
        }
        for (std::size_t j = i + 1; j < row.glyphs.size(); ++j)
            laid.columns[j] = std::max(laid.columns[j], laid.columns[j - 1] + cellsOf(row.glyphs[j - 1]->text));
    }
}

// How unlike the drawings of two glyphs anywhere in the picture are, their cells aligned at the top of their ink.
double glyphDistance(const Image& image, const Ground& groundA, const Ground& groundB, double xa, double xb,
                     const Rect& a, const Rect& b, double pitch)
{
    const int width = static_cast<int>(std::floor(pitch));
    const int height = static_cast<int>(std::ceil(std::max(a.height, b.height))) + 1;
    const int topA = static_cast<int>(std::floor(image.height - a.maxY()));
    const int topB = static_cast<int>(std::floor(image.height - b.maxY()));
    const int leftA = static_cast<int>(std::lround(xa)), leftB = static_cast<int>(std::lround(xb));
    const auto inkAt = [&](const Ground& ground, int x, int y) {
        return x >= 0 && x < image.width && y >= 0 && y < image.height ? inkOf(image, ground, x, y) : 0.0;
    };
    double best = 1;
    for (int shift = -1; shift <= 1; ++shift) {
        double difference = 0, total = 0;
        for (int dy = 0; dy < height; ++dy) {
            for (int dx = 0; dx < width; ++dx) {
                const double ia = inkAt(groundA, leftA + dx, topA + dy);
                const double ib = inkAt(groundB, leftB + dx + shift, topB + dy);
                difference += std::abs(ia - ib);
                total += ia + ib;
            }
        }
        if (total > 0)
            best = std::min(best, difference / total);
    }
    return best;
}

// Glyphs a recognizer confuses when a word gives no context: in code a lone "}" is read as "t", an "l" as "L".
bool confusable(const std::string& text)
{
    static const std::string set = "{}()[]<>tf+lLI1|i!jJ0OoDQ5Ss2Zz8B'`\"*^~@";
    return text.size() == 1 && set.find(text[0]) != std::string::npos;
}

// Returns every glyph's reading, with confusable glyphs read as most of the glyphs drawn the same way in the
// picture are read: one drawing, one character.
std::vector<std::vector<std::string>> agreedReadings(const std::vector<Row>& rows, const std::vector<LaidRow>& laid,
                                                     const std::vector<Ground>& grounds, double pitch,
                                                     const Image& image)
{
    struct Seen
    {
        std::size_t row, index;
        double x;
    };
    std::vector<std::vector<std::string>> readings(rows.size());
    std::vector<Seen> seen;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        for (std::size_t i = 0; i < rows[r].glyphs.size(); ++i) {
            readings[r].push_back(rows[r].glyphs[i]->text);
            if (grounds[r].valid && confusable(rows[r].glyphs[i]->text))
                seen.push_back(Seen{r, i, laid[r].origin + laid[r].columns[i] * pitch});
        }
    }
    // Every pair is compared: a screenful of code holds a few hundred such glyphs, a dense page thousands, where the
    // comparisons would cost seconds; such a page keeps the recognizer's readings.
    if (seen.size() > maxCompared)
        return readings;
    for (const Seen& g : seen) {
        const CodeGrid::Glyph& glyph = *rows[g.row].glyphs[g.index];
        std::vector<std::pair<std::string, int>> votes;
        int own = 0;
        for (const Seen& h : seen) {
            if (&h == &g)
                continue;
            const CodeGrid::Glyph& other = *rows[h.row].glyphs[h.index];
            if (std::abs(other.box.height - glyph.box.height) > 1.5
                || std::abs(other.box.width - glyph.box.width) > 1.5)
                continue;
            if (glyphDistance(image, grounds[g.row], grounds[h.row], g.x, h.x, glyph.box, other.box, pitch) > sameGlyph)
                continue;
            if (other.text == glyph.text) {
                ++own;
                continue;
            }
            auto it = std::find_if(votes.begin(), votes.end(), [&](const auto& v) { return v.first == other.text; });
            if (it == votes.end())
                votes.emplace_back(other.text, 1);
            else
                ++it->second;
        }
        const auto best = std::max_element(votes.begin(), votes.end(),
                                           [](const auto& a, const auto& b) { return a.second < b.second; });
        if (best != votes.end() && best->second >= 2 && best->second > own + 1)
            readings[g.row][g.index] = best->first;
    }
    return readings;
}

// The ink of one cell split at its first empty row: the marks above it (quotes, dots, accents) and the body below.
struct CellShape
{
    struct Mark
    {
        int left = 0, right = 0; // columns, right exclusive
        int top = 0, bottom = 0; // image rows, bottom exclusive
    };
    std::vector<Mark> marks; // pieces of ink side by side above the body, or in the whole cell without one
    bool body = false;       // ink below an empty row under the marks
    double markBottom = 0;   // where the marks end, as a share of the row band's height from its top
    double slant = 0;        // of the marks: columns to the right per row down
    double bodyHeight = 0;   // in pixels
    double bodyCentre = 0;   // x of the body's ink
    int bodyTop = 0;         // image row of the body's topmost ink
    double inkHeight = 0;    // of all the cell's ink, in pixels
    double inkTop = 0;       // image row of the cell's topmost ink

    double widest() const
    {
        int w = 0;
        for (const Mark& mark : marks)
            w = std::max(w, mark.right - mark.left);
        return w;
    }
};

CellShape cellShape(const Image& image, const Ground& ground, const Rect& rowBox, double x, double pitch)
{
    CellShape shape;
    const auto [top, bottom] = imageRows(image, rowBox.minY(), rowBox.maxY());
    const int left = std::clamp(static_cast<int>(std::ceil(x - 0.5)), 0, image.width);
    const int right = std::clamp(static_cast<int>(std::ceil(x + pitch - 0.5)), 0, image.width);
    if (right <= left || bottom <= top)
        return shape;
    const auto inked = [&](int px, int y) { return inkOf(image, ground, px, y) > 0.35; };
    const auto rowInked = [&](int y) {
        for (int px = left; px < right; ++px)
            if (inked(px, y))
                return true;
        return false;
    };
    int first = top;
    while (first < bottom && !rowInked(first))
        ++first;
    if (first == bottom)
        return shape;
    int end = first;
    while (end < bottom && rowInked(end))
        ++end;
    int last = end - 1;
    for (int y = end; y < bottom; ++y)
        if (rowInked(y))
            last = y;
    shape.body = last >= end;
    shape.inkHeight = last + 1 - first;
    shape.inkTop = first;
    shape.markBottom = static_cast<double>(end - top) / (bottom - top);
    double weight = 0, sx = 0, sy = 0, sxy = 0, syy = 0;
    for (int px = left; px <= right; ++px) {
        bool column = false;
        int columnTop = end, columnBottom = first;
        for (int y = first; px < right && y < end; ++y) {
            const double ink = inkOf(image, ground, px, y);
            if (ink > 0.35) {
                column = true;
                columnTop = std::min(columnTop, y);
                columnBottom = std::max(columnBottom, y + 1);
            }
            weight += ink;
            sx += ink * px;
            sy += ink * y;
            sxy += ink * px * y;
            syy += ink * y * y;
        }
        if (column && (shape.marks.empty() || shape.marks.back().right < px)) {
            shape.marks.push_back(CellShape::Mark{px, px + 1, columnTop, columnBottom});
        } else if (column) {
            CellShape::Mark& mark = shape.marks.back();
            mark.right = px + 1;
            mark.top = std::min(mark.top, columnTop);
            mark.bottom = std::max(mark.bottom, columnBottom);
        }
    }
    if (weight > 0) {
        const double varY = syy / weight - (sy / weight) * (sy / weight);
        if (varY > 0.1)
            shape.slant = (sxy / weight - (sx / weight) * (sy / weight)) / varY;
    }
    if (shape.body) {
        while (!rowInked(end))
            ++end;
        double bodyWeight = 0, bodyX = 0;
        for (int y = end; y <= last; ++y)
            for (int px = left; px < right; ++px) {
                const double ink = inkOf(image, ground, px, y);
                bodyWeight += ink;
                bodyX += ink * (px + 0.5);
            }
        shape.bodyHeight = last + 1 - end;
        shape.bodyTop = end;
        shape.bodyCentre = bodyWeight > 0 ? bodyX / bodyWeight : x + pitch / 2;
    }
    return shape;
}

// The inside of a digit-like outline in one cell.
struct Oval
{
    double middle = 0; // mean ink in the middle of the ink box, a fifth of its size either way from the centre
    int openRows = 0;  // rows of the middle three fifths with no ink in the right third: a 6's open side
};

// The oval drawn in the cell starting at x, or no value when its ink is too small for a digit's outline. A zero in a
// code font carries a dot or a slash in its middle, which tells it from the letter O a pixel narrower or wider than
// it, where the recognizer goes by the word around it ("O1l|" read "01l|"); its outline is closed on the right, where
// a 6 has an opening under its hook.
std::optional<Oval> ovalOf(const Image& image, const Ground& ground, const Rect& rowBox, double x, double pitch)
{
    const auto [top, bottom] = imageRows(image, rowBox.minY(), rowBox.maxY());
    const int left = std::clamp(static_cast<int>(std::ceil(x - 0.5)), 0, image.width);
    const int right = std::clamp(static_cast<int>(std::ceil(x + pitch - 0.5)), 0, image.width);
    const auto inked = [&](int px, int y) { return inkOf(image, ground, px, y) > 0.35; };
    int minX = right, maxX = left - 1, minY = bottom, maxY = top - 1;
    for (int y = top; y < bottom; ++y)
        for (int px = left; px < right; ++px)
            if (inked(px, y)) {
                minX = std::min(minX, px);
                maxX = std::max(maxX, px);
                minY = std::min(minY, y);
                maxY = std::max(maxY, y);
            }
    const int width = maxX + 1 - minX, height = maxY + 1 - minY;
    if (height < 5 || width < 3)
        return std::nullopt;
    const double cx = (minX + maxX + 1) / 2.0, cy = (minY + maxY + 1) / 2.0;
    const double halfWidth = std::max(0.5, 0.2 * width), halfHeight = std::max(0.5, 0.2 * height);
    Oval oval;
    double ink = 0;
    int count = 0;
    for (int y = minY; y <= maxY; ++y) {
        for (int px = minX; px <= maxX; ++px)
            if (std::abs(px + 0.5 - cx) <= halfWidth && std::abs(y + 0.5 - cy) <= halfHeight) {
                ink += inkOf(image, ground, px, y);
                ++count;
            }
        if (y >= minY + height / 5 && y <= maxY - height / 5) {
            bool side = false;
            for (int px = maxX + 1 - std::max(1, width / 3); px <= maxX; ++px)
                side = side || inked(px, y);
            oval.openRows += side ? 0 : 1;
        }
    }
    oval.middle = count > 0 ? ink / count : 0;
    return oval;
}

// A letter or digit whose cell holds nothing but a narrow mark at the top was given the mark's place by the
// recognizer, its reading taken from the cell after it ("(`HTTP" read as "(HTTTP", the H boxed on the backtick): it
// moves on to that cell, and the mark's cell is read by its drawing.
void liftOffMarks(LaidRow& laid, const Row& row, double pitch, const Image& image, const Ground& ground)
{
    for (std::size_t i = 0; i < row.glyphs.size(); ++i) {
        const std::string& text = row.glyphs[i]->text;
        if (text.size() != 1 || !std::isalnum(static_cast<unsigned char>(text[0])))
            continue;
        const double x = laid.origin + laid.columns[i] * pitch;
        const CellShape shape = cellShape(image, ground, row.box, x, pitch);
        if (shape.body || shape.marks.empty() || shape.marks.size() > 2 || shape.markBottom > 0.45
            || shape.widest() > 0.45 * pitch)
            continue;
        // The next cell must hold a glyph of the row's height for the letter to move to.
        const CellShape next = cellShape(image, ground, row.box, x + pitch, pitch);
        if (!next.body && next.markBottom <= 0.45)
            continue;
        ++laid.columns[i];
        for (std::size_t j = i + 1; j < row.glyphs.size(); ++j)
            laid.columns[j] = std::max(laid.columns[j], laid.columns[j - 1] + cellsOf(row.glyphs[j - 1]->text));
    }
}

bool oneOf(const std::string& reading, std::initializer_list<const char*> set)
{
    return std::any_of(set.begin(), set.end(), [&](const char* s) { return reading == s; });
}

// A narrow mark alone at the top of a cell is a quote of some kind, whatever the recognizer took it for: one stroke
// slanting down to the right is a backtick, one straight stroke an apostrophe, two strokes a double quote. Code
// fonts draw no other quotes. A double quote at small sizes may blur into one stroke, so it only ever becomes a
// backtick.
std::string markReading(const CellShape& shape, const std::string& reading, double pitch)
{
    const bool single = oneOf(reading, {"'", "`", "\u2018", "\u2019", "\u00B4"});
    const bool twofold = oneOf(reading, {"\"", "\u201C", "\u201D"});
    const bool other = oneOf(reading, {"*", "\u00B0", "^", " "});
    if ((!single && !twofold && !other) || shape.body || shape.markBottom > 0.45 || shape.marks.empty()
        || shape.marks.size() > 2 || shape.widest() > 0.45 * pitch)
        return reading;
    if (shape.marks.size() == 2)
        return twofold || other ? "\"" : reading;
    if (shape.slant >= 0.4)
        return "`";
    if (std::abs(shape.slant) <= 0.2 && !twofold)
        return "'";
    return reading;
}

// Two dots over a letter's body are a diaeresis, which recognizers drop from small text ("naïve" read "naive",
// "über" read "Uber"): two marks alike and centred over the body, unlike an "i" with the hook of an "f" beside it.
bool diaeresisOver(const CellShape& shape, double xHeight, double pitch)
{
    if (shape.marks.size() != 2 || !shape.body || xHeight <= 0)
        return false;
    const CellShape::Mark& a = shape.marks[0];
    const CellShape::Mark& b = shape.marks[1];
    const double centre = (a.left + a.right + b.left + b.right) / 4.0;
    return shape.widest() <= 0.35 * pitch && std::abs((a.right - a.left) - (b.right - b.left)) <= 1
           && std::abs(a.top - b.top) <= 1 && std::abs(a.bottom - b.bottom) <= 1
           && std::abs(centre - shape.bodyCentre) <= 0.15 * pitch && shape.bodyHeight >= 0.6 * xHeight;
}

constexpr std::string_view vowels = "aeiouyAEIOUY";

// The vowel with a diaeresis over it, in lower case when the body does not rise above the x-height (`bodyRise`, in
// pixels; the dots made it look like a capital). A reading that is no vowel stays.
std::string withDiaeresis(const std::string& reading, double bodyRise, double xHeight)
{
    static const char* const marked[] = {"\u00E4", "\u00EB", "\u00EF", "\u00F6", "\u00FC", "\u00FF",
                                         "\u00C4", "\u00CB", "\u00CF", "\u00D6", "\u00DC", "\u0178"};
    if (reading.size() != 1 || vowels.find(reading[0]) == std::string::npos)
        return reading;
    char base = reading[0];
    if (std::isupper(static_cast<unsigned char>(base)) && bodyRise < 0.22 * xHeight)
        base = static_cast<char>(std::tolower(static_cast<unsigned char>(base)));
    return marked[vowels.find(base)];
}

// A capital L has a bare stem at the top; an l has a serif reaching left from it and nothing to its right, a flag
// the recognizer misses at the start of a word ("Limit" for "limit"). A 1 has a flag there too, but stands on a foot
// reaching both ways where an l's tail turns right only ("1l" read "11").
std::string stemReading(const std::string& reading, const Image& image, const Ground& ground, const Rect& rowBox,
                        double x, double pitch)
{
    if (reading != "L" && reading != "1")
        return reading;
    const auto [top, bottom] = imageRows(image, rowBox.minY(), rowBox.maxY());
    const int left = std::clamp(static_cast<int>(std::ceil(x - 0.5)), 0, image.width);
    const int right = std::clamp(static_cast<int>(std::ceil(x + pitch - 0.5)), 0, image.width);
    std::vector<int> columnInk(static_cast<std::size_t>(std::max(0, right - left)), 0);
    int first = bottom, last = top - 1;
    for (int y = top; y < bottom; ++y)
        for (int px = left; px < right; ++px)
            if (inkOf(image, ground, px, y) > 0.5) {
                ++columnInk[static_cast<std::size_t>(px - left)];
                first = std::min(first, y);
                last = std::max(last, y);
            }
    if (columnInk.empty() || last - first < 4)
        return reading;
    const auto most = std::max_element(columnInk.begin(), columnInk.end());
    int stemLeft = static_cast<int>(most - columnInk.begin()), stemRight = stemLeft + 1;
    while (stemLeft > 0 && columnInk[static_cast<std::size_t>(stemLeft - 1)] * 5 >= *most * 3)
        --stemLeft;
    while (stemRight < static_cast<int>(columnInk.size())
           && columnInk[static_cast<std::size_t>(stemRight)] * 5 >= *most * 3)
        ++stemRight;
    // Whether ink reaches left and right of the stem in the image rows from `from` up to `to`.
    const auto sides = [&](int from, int to) {
        std::pair<bool, bool> reach{false, false};
        for (int y = from; y < to; ++y)
            for (int px = left; px < right; ++px) {
                if (inkOf(image, ground, px, y) <= 0.5)
                    continue;
                reach.first = reach.first || px - left < stemLeft;
                reach.second = reach.second || px - left >= stemRight;
            }
        return reach;
    };
    const int fifth = std::max(1, (last + 1 - first) / 5);
    const auto [serifLeft, serifRight] = sides(first, first + fifth);
    if (!serifLeft || serifRight)
        return reading;
    if (reading == "L")
        return "l";
    const auto [footLeft, footRight] = sides(last + 1 - fifth, last + 1);
    return footRight && !footLeft ? "l" : reading;
}

// Letters whose capital is the same drawing, larger: the recognizer guesses the case from the word, which code often
// does not give ("CC: clang" read "cc: clang"). A glyph reaching well above the row's x-height is the capital.
std::string caseReading(const std::string& reading, double rise, double xHeight)
{
    static const std::string lower = "cosvwxz", upper = "COSVWXZ";
    if (reading.size() != 1 || xHeight <= 0)
        return reading;
    if (const std::size_t at = lower.find(reading[0]); at != std::string::npos && rise >= 0.22 * xHeight)
        return std::string(1, upper[at]);
    return reading;
}

constexpr std::string_view smallLetters = "acemnorsuvwxz";

// The height of lower-case letters without ascenders or descenders, the median over the capture; 0 when none.
double xHeightOf(const std::vector<Row>& rows)
{
    std::vector<double> heights;
    for (const Row& row : rows)
        for (const CodeGrid::Glyph* glyph : row.glyphs)
            if (glyph->text.size() == 1 && smallLetters.find(glyph->text[0]) != std::string::npos)
                heights.push_back(glyph->box.height);
    return heights.size() >= 5 ? *median(heights) : 0;
}

// The top of a row's lower-case letters (y grows upward), or no value when the row has too few of them.
std::optional<double> xLineOf(const Row& row)
{
    std::vector<double> tops;
    for (const CodeGrid::Glyph* glyph : row.glyphs)
        if (glyph->text.size() == 1 && smallLetters.find(glyph->text[0]) != std::string::npos)
            tops.push_back(glyph->box.maxY());
    return tops.size() >= 2 ? median(tops) : std::nullopt;
}

// The drawing of one cell, its rows counted from the cell's topmost ink.
struct Drawing
{
    int width = 0, height = 0;
    std::vector<double> ink;

    double at(int x, int y) const
    {
        return x >= 0 && x < width && y >= 0 && y < height ? ink[static_cast<std::size_t>(y * width + x)] : 0;
    }
};

Drawing drawingOf(const Image& image, const Ground& ground, const Rect& rowBox, double x, double pitch, int from = 0)
{
    Drawing drawing;
    const auto [top, bottom] = imageRows(image, rowBox.minY(), rowBox.maxY());
    const int left = static_cast<int>(std::ceil(x - 0.5));
    drawing.width = static_cast<int>(std::ceil(pitch));
    int first = std::max(top, from);
    const auto inkAt = [&](int px, int y) {
        return px >= 0 && px < image.width && y >= 0 && y < image.height ? inkOf(image, ground, px, y) : 0.0;
    };
    const auto rowInked = [&](int y) {
        for (int dx = 0; dx < drawing.width; ++dx)
            if (inkAt(left + dx, y) > 0.35)
                return true;
        return false;
    };
    while (first < bottom && !rowInked(first))
        ++first;
    drawing.height = bottom - first;
    if (drawing.height <= 0)
        return Drawing{};
    drawing.ink.resize(static_cast<std::size_t>(drawing.width * drawing.height));
    for (int y = 0; y < drawing.height; ++y)
        for (int dx = 0; dx < drawing.width; ++dx)
            drawing.ink[static_cast<std::size_t>(y * drawing.width + dx)] = inkAt(left + dx, first + y);
    return drawing;
}

// How unlike two drawings are, 0 to 1, the second mirrored left to right when asked, tried a pixel off either way.
double drawingDistance(const Drawing& a, const Drawing& b, bool mirrored)
{
    double best = 1;
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
            double difference = 0, total = 0;
            for (int y = 0; y < std::max(a.height, b.height); ++y) {
                for (int x = 0; x < std::max(a.width, b.width); ++x) {
                    const int bx = (mirrored ? b.width - 1 - x : x) + dx;
                    const double ia = a.at(x, y), ib = b.at(bx, y + dy);
                    difference += std::abs(ia - ib);
                    total += ia + ib;
                }
            }
            if (total > 0)
                best = std::min(best, difference / total);
        }
    }
    return best;
}

// The vowel whose drawings in the capture are most like `body`, when one is drawn the same.
std::optional<std::string> likestVowel(const Drawing& body, const std::vector<std::pair<char, Drawing>>& vowelCells)
{
    double best = sameBody;
    std::optional<std::string> vowel;
    for (const auto& [letter, drawing] : vowelCells) {
        const double d = drawingDistance(body, drawing, false);
        if (d < best) {
            best = d;
            vowel = std::string(1, letter);
        }
    }
    return vowel;
}

// A closing bracket alone on its line has no word around it, and the recognizer reads a lone "}" as "t" or "+".
// Brackets come in pairs drawn as mirror images, so a lone glyph drawn as the mirror of an opening bracket read
// elsewhere in the capture (or as a closing one read in context) is that closing bracket.
void pairedBrackets(const std::vector<Row>& rows, const std::vector<LaidRow>& laid, const std::vector<Ground>& grounds,
                    double pitch, const Image& image, std::vector<std::vector<std::string>>& readings)
{
    static const std::string opening = "{([<", closing = "})]>";
    struct Exemplar
    {
        Drawing drawing;
        char closer;
        bool mirrored;
    };
    std::vector<Exemplar> exemplars;
    std::vector<std::size_t> lone;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        if (!grounds[r].valid)
            continue;
        if (rows[r].glyphs.size() == 1) {
            lone.push_back(r);
            continue;
        }
        for (std::size_t i = 0; i < rows[r].glyphs.size(); ++i) {
            const std::string& text = readings[r][i];
            if (text.size() != 1)
                continue;
            const std::size_t open = opening.find(text[0]), close = closing.find(text[0]);
            if (open == std::string::npos && close == std::string::npos)
                continue;
            const Drawing drawing =
                drawingOf(image, grounds[r], rows[r].box, laid[r].origin + laid[r].columns[i] * pitch, pitch);
            if (open != std::string::npos)
                exemplars.push_back(Exemplar{drawing, closing[open], true});
            else
                exemplars.push_back(Exemplar{drawing, text[0], false});
        }
    }
    for (std::size_t r : lone) {
        std::string& reading = readings[r][0];
        if (reading.size() != 1)
            continue;
        const Drawing drawing =
            drawingOf(image, grounds[r], rows[r].box, laid[r].origin + laid[r].columns[0] * pitch, pitch);
        double best = 1;
        char closer = 0;
        for (const Exemplar& exemplar : exemplars) {
            const double d = drawingDistance(drawing, exemplar.drawing, exemplar.mirrored);
            if (d < best) {
                best = d;
                closer = exemplar.closer;
            }
        }
        if (closer != 0 && best <= pairedDrawing && closing.find(reading[0]) != closing.find(closer))
            reading = std::string(1, closer);
    }
}

// The pitch as the slope of the glyphs' centres over their columns, each row on its own origin; no value when the
// rows span too few columns to tell better than the neighbours did.
std::optional<double> refinedPitch(const std::vector<Row>& rows, const std::vector<LaidRow>& laid, double pitch)
{
    double products = 0, squares = 0;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        std::vector<std::pair<double, double>> points; // column centre, x
        for (std::size_t i = 0; i < rows[r].glyphs.size(); ++i) {
            const CodeGrid::Glyph& glyph = *rows[r].glyphs[i];
            if (cellsOf(glyph.text) == 1 && reliable(glyph, 1, pitch))
                points.emplace_back(laid[r].columns[i] + 0.5, glyph.box.midX());
        }
        if (points.size() < 2)
            continue;
        double meanColumn = 0, meanX = 0;
        for (const auto& [column, x] : points) {
            meanColumn += column / points.size();
            meanX += x / points.size();
        }
        for (const auto& [column, x] : points) {
            products += (column - meanColumn) * (x - meanX);
            squares += (column - meanColumn) * (column - meanColumn);
        }
    }
    if (squares < 100)
        return std::nullopt;
    const double slope = products / squares;
    return std::abs(slope / pitch - 1) < 0.05 ? std::optional<double>(slope) : std::nullopt;
}

// Returns where the grid's cells start, modulo the pitch: the circular mean of the rows' starts.
double gridPhase(const std::vector<double>& origins, double pitch)
{
    if (origins.empty())
        return 0;
    constexpr double turn = 6.283185307179586;
    double sine = 0, cosine = 0;
    for (double origin : origins) {
        sine += std::sin(turn * origin / pitch);
        cosine += std::cos(turn * origin / pitch);
    }
    const double phase = std::atan2(sine, cosine) / turn * pitch;
    return origins.front() + std::remainder(phase - origins.front(), pitch);
}

} // namespace

CodeGrid::Grid CodeGrid::measure(const std::vector<Line>& lines)
{
    Grid grid;
    const std::vector<double> distances = neighbourDistances(lines);
    if (distances.empty())
        return grid;
    // Most neighbours in code are adjacent cells; spaces and operators make the longer distances. The lower quartile
    // lies on one cell in a monospace font and guards the estimate against lines made mostly of spaced operators.
    const double quartile = percentile(distances, 0.25);
    std::vector<double> near;
    for (double d : distances)
        if (d >= 0.6 * quartile && d <= 1.5 * quartile)
            near.push_back(d);
    double pitch = *median(near);
    // Refine over all distances of up to a few cells: their sum over their cell count.
    for (int pass = 0; pass < 2; ++pass) {
        double sum = 0, cells = 0;
        for (double d : distances) {
            const long k = std::lround(d / pitch);
            if (k >= 1 && k <= 6) {
                sum += d;
                cells += static_cast<double>(k);
            }
        }
        if (cells > 0)
            pitch = sum / cells;
    }
    grid.pitch = pitch;
    if (distances.size() < minPairs || pitch <= 0)
        return grid;
    std::vector<double> residuals;
    residuals.reserve(distances.size());
    for (double d : distances)
        residuals.push_back(std::abs(d / pitch - std::round(d / pitch)));
    // A pitch below the glyphs' width is a common divisor of a proportional font's advances, not a cell; one far
    // above it is two cells, measured on text whose every neighbour is a space apart.
    std::vector<double> widths;
    for (const Line& line : lines)
        for (const Glyph& glyph : line.glyphs)
            if (cellsOf(glyph.text) == 1)
                widths.push_back(glyph.box.width);
    grid.monospace =
        *median(residuals) <= monospaceResidual && *median(widths) <= pitch && *median(widths) >= 0.4 * pitch;
    return grid;
}

std::vector<TextRun> CodeGrid::layout(const std::vector<Line>& lines, const Image* image)
{
    std::vector<TextRun> runs;
    std::vector<Row> rows = rowsOfLines(lines);
    if (rows.empty())
        return runs;
    Grid grid = measure(lines);

    if (grid.monospace) {
        // Two characters read from one drawing ("lLen" for "len", "]J" for "]") sit in one cell: the first reading
        // stays.
        for (Row& row : rows) {
            std::vector<const Glyph*> kept;
            for (const Glyph* glyph : row.glyphs) {
                const Glyph* previous = kept.empty() ? nullptr : kept.back();
                const auto letter = [](const Glyph& g) {
                    return g.text.size() == 1 && std::isgraph(static_cast<unsigned char>(g.text[0]));
                };
                if (previous != nullptr && letter(*glyph) && letter(*previous) && reliable(*glyph, 1, grid.pitch)
                    && reliable(*previous, 1, grid.pitch)
                    && std::abs(glyph->box.midX() - previous->box.midX()) < 0.35 * grid.pitch)
                    continue;
                kept.push_back(glyph);
            }
            row.glyphs = std::move(kept);
        }
        std::vector<LaidRow> laid;
        for (const Row& row : rows)
            laid.push_back(row.glyphs.empty() ? LaidRow{} : placeOnGrid(row, grid.pitch));
        // Neighbours' distances give the pitch to a few hundredths of a pixel, which a long line multiplies into a
        // cell's shift at its end; the glyphs' columns give it to the width of the whole line.
        if (const std::optional<double> pitch = refinedPitch(rows, laid, grid.pitch)) {
            grid.pitch = *pitch;
            for (std::size_t r = 0; r < rows.size(); ++r)
                laid[r] = rows[r].glyphs.empty() ? LaidRow{} : placeOnGrid(rows[r], grid.pitch);
        }
        std::vector<double> phases;
        for (std::size_t r = 0; r < rows.size(); ++r)
            if (!rows[r].glyphs.empty())
                phases.push_back(laid[r].origin);
        // The rows of one capture share one grid: their starts differ by whole cells. Rows are put on the grid the
        // most of them agree on, so one row measured half a cell off does not shift all the others.
        const double phase = gridPhase(phases, grid.pitch);
        double leftmost = std::numeric_limits<double>::max();
        for (LaidRow& row : laid) {
            row.origin = phase + std::round((row.origin - phase) / grid.pitch) * grid.pitch;
            leftmost = std::min(leftmost, row.origin);
        }
        std::vector<Ground> grounds(rows.size());
        for (std::size_t r = 0; r < rows.size(); ++r) {
            if (image == nullptr || rows[r].glyphs.empty())
                continue;
            grounds[r] = groundOf(*image, rows[r].box);
            if (grounds[r].valid) {
                settleWideBoxes(laid[r], rows[r], grid.pitch, *image, grounds[r]);
                liftOffMarks(laid[r], rows[r], grid.pitch, *image, grounds[r]);
            }
        }
        std::vector<std::vector<std::string>> readings;
        if (image != nullptr) {
            readings = agreedReadings(rows, laid, grounds, grid.pitch, *image);
            pairedBrackets(rows, laid, grounds, grid.pitch, *image, readings);
            // What the recognizer reads from a word, the cell's own drawing corrects: quotes, dots and case.
            const double xHeight = xHeightOf(rows);
            std::vector<std::pair<char, Drawing>> vowelCells;
            bool vowelsDrawn = false;
            const auto vowelDrawings = [&]() -> const std::vector<std::pair<char, Drawing>>& {
                for (std::size_t r = 0; r < rows.size() && !vowelsDrawn; ++r)
                    for (std::size_t i = 0; i < rows[r].glyphs.size() && grounds[r].valid; ++i)
                        if (const std::string& text = rows[r].glyphs[i]->text;
                            text.size() == 1 && std::string_view("aeouy").find(text[0]) != std::string::npos)
                            vowelCells.emplace_back(text[0], drawingOf(*image, grounds[r], rows[r].box,
                                                                       laid[r].origin + laid[r].columns[i] * grid.pitch,
                                                                       grid.pitch));
                vowelsDrawn = true;
                return vowelCells;
            };
            // Whether the font marks its zero: only then does a hollow oval read as a zero show the letter O.
            bool markedZeros = false;
            for (std::size_t r = 0; r < rows.size() && !markedZeros; ++r)
                for (std::size_t i = 0; i < rows[r].glyphs.size() && grounds[r].valid && !markedZeros; ++i)
                    if (oneOf(readings[r][i], {"0", "O"}))
                        markedZeros = ovalOf(*image, grounds[r], rows[r].box,
                                             laid[r].origin + laid[r].columns[i] * grid.pitch, grid.pitch)
                                          .value_or(Oval{})
                                          .middle
                                      >= zeroMarked;
            std::vector<Drawing> zeroCells;
            bool zerosDrawn = false;
            const auto zeroDrawings = [&]() -> const std::vector<Drawing>& {
                for (std::size_t r = 0; r < rows.size() && !zerosDrawn; ++r)
                    for (std::size_t i = 0; i < rows[r].glyphs.size() && grounds[r].valid; ++i)
                        if (const double x = laid[r].origin + laid[r].columns[i] * grid.pitch;
                            readings[r][i] == "0"
                            && ovalOf(*image, grounds[r], rows[r].box, x, grid.pitch).value_or(Oval{}).middle
                                   >= zeroMarked)
                            zeroCells.push_back(drawingOf(*image, grounds[r], rows[r].box, x, grid.pitch));
                zerosDrawn = true;
                return zeroCells;
            };
            for (std::size_t r = 0; r < rows.size(); ++r) {
                if (!grounds[r].valid)
                    continue;
                const std::optional<double> xLine = xLineOf(rows[r]);
                for (std::size_t i = 0; i < rows[r].glyphs.size(); ++i) {
                    std::string& reading = readings[r][i];
                    if (cellsOf(reading) != 1)
                        continue;
                    const double x = laid[r].origin + laid[r].columns[i] * grid.pitch;
                    const CellShape shape = cellShape(*image, grounds[r], rows[r].box, x, grid.pitch);
                    const double bodyRise = xLine ? (image->height - shape.bodyTop) - *xLine : 0;
                    reading = markReading(shape, reading, grid.pitch);
                    if (diaeresisOver(shape, xHeight, grid.pitch)) {
                        // The dots mislead the recognizer ("tber", "iber" for "über"): the body is the vowel drawn
                        // like it elsewhere in the capture, if one is.
                        reading = likestVowel(drawingOf(*image, grounds[r], rows[r].box, x, grid.pitch, shape.bodyTop),
                                              vowelDrawings())
                                      .value_or(reading);
                        reading = withDiaeresis(reading, bodyRise, xHeight);
                    }
                    reading = stemReading(reading, *image, grounds[r], rows[r].box, x, grid.pitch);
                    if (oneOf(reading, {"@", "®", "©"})) {
                        // A zero's dot or slash inside its outline looks like a symbol's inner letter to the
                        // recognizer, but not to a zero drawn elsewhere in the capture.
                        const Drawing drawing = drawingOf(*image, grounds[r], rows[r].box, x, grid.pitch);
                        const std::vector<Drawing>& zeros = zeroDrawings();
                        if (std::any_of(zeros.begin(), zeros.end(), [&](const Drawing& zero) {
                                return drawingDistance(drawing, zero, false) <= zeroLike;
                            }))
                            reading = "0";
                    }
                    if (oneOf(reading, {"0", "O", "6"})) {
                        const std::optional<Oval> oval = ovalOf(*image, grounds[r], rows[r].box, x, grid.pitch);
                        if (reading == "O" && oval && oval->middle >= markedOval)
                            reading = "0";
                        else if (reading == "0" && markedZeros && oval && oval->middle <= hollowOval)
                            reading = "O";
                        else if (reading == "6" && markedZeros && oval && oval->middle >= zeroMarked
                                 && oval->openRows == 0)
                            reading = "0"; // a marked zero taken for a 6 by the ink in its middle
                    }
                    // The recognizer's box may reach into a neighbour, the cell's ink may take in a neighbour's
                    // edge: only when both rise above the x-height is the case changed.
                    if (xLine) {
                        const double boxRise = rows[r].glyphs[i]->box.maxY() - *xLine;
                        const double inkRise = (image->height - shape.inkTop) - *xLine;
                        if (caseReading(reading, boxRise, xHeight) == caseReading(reading, inkRise, xHeight))
                            reading = caseReading(reading, boxRise, xHeight);
                    }
                }
            }
        }
        for (std::size_t r = 0; r < rows.size(); ++r) {
            const Row& row = rows[r];
            std::string text;
            if (row.glyphs.empty()) {
                for (const Line* line : row.lines)
                    text += (text.empty() ? "" : " ") + line->text;
            } else {
                const int indent = static_cast<int>(std::lround((laid[r].origin - leftmost) / grid.pitch));
                const Ground& ground = grounds[r];
                const auto cellX = [&](int cell) { return laid[r].origin + (cell - indent) * grid.pitch; };
                const auto reading = [&](std::size_t i) -> const std::string& {
                    return readings.empty() ? row.glyphs[i]->text : readings[r][i];
                };
                int written = 0;
                for (std::size_t i = 0; i < row.glyphs.size(); ++i) {
                    const int column = indent + laid[r].columns[i];
                    if (i == 0 || image == nullptr || !ground.valid) {
                        text += spaces(column - written);
                    } else {
                        // Empty cells inside the row are spaces, unless the picture holds an underscore there or
                        // the very drawing of a neighbouring glyph: "&&" read as one "&".
                        for (int cell = written; cell < column; ++cell) {
                            const double x = cellX(cell);
                            if (underscoreAt(*image, ground, row.box, row.floor, x, grid.pitch)) {
                                text += '_';
                            } else if (const std::string mark = markReading(
                                           cellShape(*image, ground, row.box, x, grid.pitch), " ", grid.pitch);
                                       mark == "`" && centredInk(*image, ground, row.box, x, grid.pitch)) {
                                // The recognizer drops backticks; a straight mark alone may be any speck.
                                text += mark;
                            } else if (inkShare(*image, ground, row.box, x, grid.pitch) <= 0.05
                                       || !centredInk(*image, ground, row.box, x, grid.pitch)) {
                                text += ' ';
                            } else if (cell == written && cellsOf(reading(i - 1)) == 1
                                       && cellDistance(*image, ground, row.box, cellX(cell - 1), x, grid.pitch)
                                              <= sameDrawing) {
                                text += reading(i - 1);
                            } else if (cell + 1 == column && cellsOf(reading(i)) == 1
                                       && cellDistance(*image, ground, row.box, cellX(column), x, grid.pitch)
                                              <= sameDrawing) {
                                text += reading(i);
                            } else {
                                text += ' ';
                            }
                        }
                    }
                    text += reading(i);
                    written = std::max(written, column) + cellsOf(reading(i));
                }
            }
            runs.push_back(TextRun{numbersFixed(straightened(text)), row.box});
        }
        return runs;
    }

    double leftmost = std::numeric_limits<double>::max();
    for (const Row& row : rows)
        leftmost = std::min(leftmost, row.box.minX());
    // The typical character advance: the lines' widths over the characters (spaces included) they hold.
    double width = 0, characters = 0;
    for (const Line& line : lines) {
        if (line.glyphs.empty())
            continue;
        const std::string& text = line.text;
        const std::size_t first = text.find_first_not_of(" \t"), last = text.find_last_not_of(" \t");
        if (first == std::string::npos)
            continue;
        for (std::size_t i = first; i <= last; ++i)
            characters += (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80; // count code points, not bytes
        width += line.glyphs.back().box.maxX() - line.glyphs.front().box.minX();
    }
    const double space = characters > 0 ? proportionalSpace * width / characters : 0;
    for (const Row& row : rows) {
        std::string text;
        for (const Line* line : row.lines)
            text += (text.empty() ? "" : " ") + line->text;
        const std::size_t first = text.find_first_not_of(" \t");
        text.erase(0, first == std::string::npos ? text.size() : first);
        const int indent = space > 0 ? static_cast<int>(std::lround((row.box.minX() - leftmost) / space)) : 0;
        runs.push_back(TextRun{numbersFixed(straightened(spaces(indent) + text)), row.box});
    }
    return runs;
}

std::string CodeGrid::straightened(const std::string& text)
{
    static const std::pair<const char*, const char*> quotes[] = {
        {"\u201C", "\""}, {"\u201D", "\""}, {"\u201E", "\""}, {"\u201F", "\""}, {"\u2033", "\""},
        {"\u2018", "'"},  {"\u2019", "'"},  {"\u201A", "'"},  {"\u201B", "'"},  {"\u2032", "'"},
    };
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        bool replaced = false;
        for (const auto& [from, to] : quotes) {
            const std::size_t length = std::char_traits<char>::length(from);
            if (text.compare(i, length, from) == 0) {
                out += to;
                i += length;
                replaced = true;
                break;
            }
        }
        if (!replaced)
            out += text[i++];
    }
    return out;
}

std::string CodeGrid::numbersFixed(const std::string& text)
{
    const auto wordChar = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; };
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    std::string out = text;
    for (std::size_t begin = 0; begin < out.size();) {
        if (!wordChar(out[begin])) {
            ++begin;
            continue;
        }
        std::size_t end = begin;
        while (end < out.size() && wordChar(out[end]))
            ++end;
        std::string word = out.substr(begin, end - begin);
        const bool hasDigit = std::any_of(word.begin(), word.end(), digit);
        const auto zero = [](char c) { return c == 'O' || c == 'o'; };
        if (hasDigit && word.size() > 2 && (zero(word[0]) || word[0] == '0') && (word[1] == 'x' || word[1] == 'X')
            && std::all_of(word.begin() + 2, word.end(),
                           [&](char c) { return std::isxdigit(static_cast<unsigned char>(c)) || zero(c); })) {
            // A hexadecimal literal: its only letters are x and the digits a-f.
            word[0] = '0';
            for (std::size_t i = 2; i < word.size(); ++i)
                if (zero(word[i]))
                    word[i] = '0';
        } else if (hasDigit && std::all_of(word.begin(), word.end(), [&](char c) { return digit(c) || zero(c); })) {
            for (char& c : word)
                if (zero(c))
                    c = '0';
        }
        out.replace(begin, end - begin, word);
        begin = end;
    }
    return out;
}
