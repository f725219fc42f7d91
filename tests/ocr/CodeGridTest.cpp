#include "ocr/CodeGrid.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>
#include <vector>

namespace {
constexpr double pitch = 7;
constexpr double origin = 12;
constexpr double lineHeight = 16;
constexpr double imageHeight = 200;

// A recognized line as the recognizer would report `drawn` on a monospace grid: one glyph per non-space character,
// each box 5 of the 7 pixels of its cell (shifted by `jitter(i)` pixels), and the line's text with the spaces the
// recognizer guessed (`said`).
CodeGrid::Line monospaceLine(const std::string& drawn, const std::string& said, int row,
                             double (*jitter)(std::size_t) = nullptr)
{
    CodeGrid::Line line;
    line.text = said;
    const double bottom = imageHeight - (row + 1) * lineHeight;
    std::size_t glyphIndex = 0;
    double left = 1e9, right = 0;
    bool afterSpace = false;
    for (std::size_t column = 0; column < drawn.size(); ++column) {
        if (drawn[column] == ' ') {
            afterSpace = true;
            continue;
        }
        const double x = origin + column * pitch + 1 + (jitter ? jitter(glyphIndex) : 0);
        line.glyphs.push_back(CodeGrid::Glyph{std::string(1, drawn[column]), Rect{x, bottom, 5, 10}, afterSpace});
        afterSpace = false;
        left = std::min(left, x);
        right = std::max(right, x + 5);
        ++glyphIndex;
    }
    line.box = Rect{left, bottom, right - left, 10};
    return line;
}

std::vector<std::string> texts(const std::vector<TextRun>& runs)
{
    std::vector<std::string> out;
    for (const TextRun& run : runs)
        out.push_back(run.text);
    return out;
}
} // namespace

TEST(CodeGridTest, IndentationAndInnerSpacesFollowTheGrid)
{
    const std::vector<std::string> drawn = {
        "def merge_rows(rows):",        "    for row in rows:",         "        if row[0]:  # first",
        "            rows.append(row)", "    return std::size_t(rows)",
    };
    // The recognizer's own spacing is wrong in every way code breaks on: lost indentation, a space inside `std::`
    // and `.append`, a doubled space collapsed.
    const std::vector<std::string> said = {
        "def merge_rows(rows):", "for row in rows:",          "if row[0]: # first",
        "rows. append(row)",     "return std: :size_t(rows)",
    };
    std::vector<CodeGrid::Line> lines;
    for (std::size_t i = 0; i < drawn.size(); ++i)
        lines.push_back(monospaceLine(drawn[i], said[i], static_cast<int>(i)));

    const CodeGrid::Grid grid = CodeGrid::measure(lines);
    EXPECT_TRUE(grid.monospace);
    EXPECT_NEAR(grid.pitch, pitch, 0.05);
    EXPECT_EQ(texts(CodeGrid::layout(lines)), drawn);
}

TEST(CodeGridTest, JitteredBoxesAndAWholeIndentedCaptureStillLandOnTheirCells)
{
    // Boxes off by up to a seventh of a cell, as boxes mapped back from a scaled image are; and no row at column 0,
    // since the capture box started inside the indentation: the leftmost row counts as column 0.
    const std::vector<std::string> drawn = {"    if (a && b)", "        return x_1;", "    }"};
    std::vector<CodeGrid::Line> lines;
    for (std::size_t i = 0; i < drawn.size(); ++i)
        lines.push_back(monospaceLine(drawn[i], drawn[i], static_cast<int>(i),
                                      [](std::size_t g) { return 1.0 * std::sin(static_cast<double>(g) * 2.1); }));
    EXPECT_EQ(texts(CodeGrid::layout(lines)), (std::vector<std::string>{"if (a && b)", "    return x_1;", "}"}));
}

// Glyph boxes the recognizer got wrong in one place still leave every character in its own cell.
TEST(CodeGridTest, AGlyphOffItsCellDoesNotShiftTheOthers)
{
    // The first row's glyphs all sit 0.45 cell to the left: rounding it alone would indent every other row.
    std::vector<CodeGrid::Line> offGrid = {monospaceLine("x = f(1)", "x = f(1)", 0),
                                           monospaceLine("  y = g(2)", "y = g(2)", 1),
                                           monospaceLine("z = h(3)", "z = h(3)", 2)};
    for (CodeGrid::Glyph& glyph : offGrid[0].glyphs)
        glyph.box.x -= 0.45 * pitch;
    offGrid[0].box.x -= 0.45 * pitch;
    // "size_t" read as "size t": the e's box spans the dropped underscore as well, and follows its left neighbour.
    CodeGrid::Line swallowed = monospaceLine("std::size_t n;", "std::size t n;", 0);
    swallowed.glyphs.erase(swallowed.glyphs.begin() + 9); // the underscore
    swallowed.glyphs[8].box.width = 2 * pitch + 5;        // the e
    // A wide character takes two cells: 中 drawn over the two cells of "ab".
    CodeGrid::Line wide = monospaceLine("s = \"ab  x\"", "s = \"ab x\"", 0);
    wide.glyphs[3] = CodeGrid::Glyph{"\xE4\xB8\xAD", Rect{origin + 5 * pitch + 1, wide.box.y, 2 * pitch - 2, 10}};
    wide.glyphs.erase(wide.glyphs.begin() + 4);
    // Two characters read from one drawing keep the first reading: the ( read a second time as ] half a pixel along.
    CodeGrid::Line twice = monospaceLine("return len(rows)", "return len(]rows)", 0);
    CodeGrid::Glyph extra = twice.glyphs[9];
    extra.text = "]";
    extra.box.x += 0.5;
    extra.wordStart = false;
    twice.glyphs.insert(twice.glyphs.begin() + 10, extra);

    const std::vector<std::pair<std::vector<CodeGrid::Line>, std::vector<std::string>>> cases{
        {offGrid, {"x = f(1)", "  y = g(2)", "z = h(3)"}},
        {{swallowed, monospaceLine("int i = 0;", "int i = 0;", 1)}, {"std::size t n;", "int i = 0;"}},
        {{wide, monospaceLine("total = 1 + 2", "total = 1 + 2", 1)}, {"s = \"\xE4\xB8\xAD  x\"", "total = 1 + 2"}},
        {{twice, monospaceLine("  x = f(1)", "x = f(1)", 1)}, {"return len(rows)", "  x = f(1)"}},
    };
    for (const auto& [lines, expected] : cases)
        EXPECT_EQ(texts(CodeGrid::layout(lines)), expected) << lines.front().text;
}

TEST(CodeGridTest, ProportionalFontKeepsTheRecognizersSpacingAndEstimatesIndentation)
{
    // DejaVu Sans at 20 px: "i" 5.6 pixels, "m" 19.5, a space 6.4. Glyph boxes are a pixel narrower than the advance.
    const std::map<char, double> advances = {
        {'a', 12.3}, {'c', 11},   {'d', 12.7}, {'e', 12.3}, {'f', 7},   {'g', 12.7}, {'i', 5.6},  {'l', 5.6},
        {'m', 19.5}, {'n', 12.7}, {'o', 12.2}, {'p', 12.7}, {'r', 8.2}, {'s', 10.4}, {'t', 7.8},  {'u', 12.7},
        {'w', 16.4}, {'(', 7.8},  {')', 7.8},  {':', 6.7},  {' ', 6.4}, {',', 6.4},  {'+', 16.8},
    };
    auto proportional = [&](const std::string& text, double left, int row) {
        CodeGrid::Line line;
        line.text = text;
        double x = left;
        for (char c : text) {
            const double advance = advances.at(c);
            if (c != ' ')
                line.glyphs.push_back(
                    CodeGrid::Glyph{std::string(1, c), Rect{x, imageHeight - (row + 1) * lineHeight, advance - 1, 10}});
            x += advance;
        }
        line.box = Rect{left, imageHeight - (row + 1) * lineHeight, x - left, 10};
        return line;
    };
    std::vector<CodeGrid::Line> lines = {proportional("def merge(rows, limit):", 10, 0),
                                         proportional("return len(rows) + limit", 10, 1), proportional("pass", 10, 2)};
    EXPECT_FALSE(CodeGrid::measure(lines).monospace);
    // Indented by four and eight spaces, each 0.67 of the typical advance: the lines' widths over their characters.
    double width = 0, characters = 0;
    for (const CodeGrid::Line& line : lines) {
        width += line.glyphs.back().box.maxX() - line.glyphs.front().box.minX();
        characters += static_cast<double>(line.text.size());
    }
    const double space = 0.67 * width / characters;
    lines[1] = proportional("return len(rows) + limit", 10 + 4 * space, 1);
    lines[2] = proportional("pass", 10 + 8 * space, 2);
    EXPECT_EQ(texts(CodeGrid::layout(lines)),
              (std::vector<std::string>{"def merge(rows, limit):", "    return len(rows) + limit", "        pass"}));
}

TEST(CodeGridTest, TheCellsDrawingsCorrectWhatTheRecognizerMissed)
{
    // Dark text on white, cells 7 pixels wide from x = 12, letters inked from row 4 to the baseline at row 14. Drawn:
    // "a_b  c eonmx`\u00FC 0O1l006", read as "a b c eonmx'U 0011\u00AE66": the underscore dropped, a backtick read as
    // an apostrophe, the dots over the u taken for a capital, a hollow O read as a zero beside zeros with a dot inside,
    // the l's tail turning right only read as a 1's foot, dotted zeros read as a symbol and as a 6 (the real 6 beside
    // it is open on the right).
    const int width = 176, height = 20;
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width * height), 255);
    auto ink = [&](int x0, int y0, int x1, int y1) {
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                pixels[static_cast<std::size_t>(y * width + x)] = 20;
    };
    const auto cell = [](int column) { return 12 + column * 7; };
    const int columns[] = {0, 2, 5, 7, 8, 9, 10, 11};
    for (int column : columns)
        ink(cell(column) + 1, 4, cell(column) + 6, 14);
    ink(cell(1), 15, cell(2), 16);         // the underscore: one row below the baseline, the whole cell wide
    ink(cell(3) + 3, 4, cell(3) + 4, 8);   // a stray mark high in an empty cell: no underscore, no quote
    ink(cell(12) + 2, 4, cell(12) + 3, 5); // the backtick: a stroke slanting down to the right
    ink(cell(12) + 3, 5, cell(12) + 4, 7);
    ink(cell(13) + 1, 8, cell(13) + 6, 14); // the u's body, x-height tall
    ink(cell(13) + 2, 5, cell(13) + 3, 6);  // and its two dots
    ink(cell(13) + 4, 5, cell(13) + 5, 6);
    for (int column : {15, 16, 19, 20}) {
        ink(cell(column) + 1, 4, cell(column) + 2, 14); // the outline's sides, top and bottom
        ink(cell(column) + 5, 4, cell(column) + 6, 14);
        ink(cell(column) + 2, 4, cell(column) + 5, 5);
        ink(cell(column) + 2, 13, cell(column) + 5, 14);
        if (column != 16)
            ink(cell(column) + 3, 7, cell(column) + 4, 11); // the zero's dot
    }
    for (int column : {17, 18}) {
        ink(cell(column) + 3, 4, cell(column) + 4, 14); // the stem
        ink(cell(column) + 1, 4, cell(column) + 3, 5);  // the flag or serif to its left
    }
    ink(cell(17) + 1, 13, cell(17) + 6, 14); // the 1's foot
    ink(cell(18) + 4, 13, cell(18) + 6, 14); // the l's tail
    ink(cell(21) + 1, 4, cell(21) + 2, 14);  // the 6: outline open on the right above its bowl
    ink(cell(21) + 1, 4, cell(21) + 6, 5);
    ink(cell(21) + 1, 8, cell(21) + 6, 9);
    ink(cell(21) + 5, 8, cell(21) + 6, 14);
    ink(cell(21) + 1, 13, cell(21) + 6, 14);
    const Image image = Image::copyOf(width, height, width, Image::Format::Grey8, pixels.data());

    CodeGrid::Line line;
    line.text = "a b c eonmx'U";
    const std::string letters = "abceonmx";
    for (std::size_t i = 0; i < std::size(columns); ++i)
        line.glyphs.push_back(
            CodeGrid::Glyph{std::string(1, letters[i]), Rect{cell(columns[i]) + 1.0, double(height - 14), 5, 10}});
    line.glyphs.push_back(CodeGrid::Glyph{"'", Rect{cell(12) + 2.0, double(height - 7), 2, 3}});
    line.glyphs.push_back(CodeGrid::Glyph{"U", Rect{cell(13) + 1.0, double(height - 14), 5, 9}});
    for (const char* read : {"0", "0", "1", "1", "\u00AE", "6", "6"})
        line.glyphs.push_back(
            CodeGrid::Glyph{read, Rect{cell(15 + int(line.glyphs.size()) - 10) + 1.0, double(height - 14), 5, 10}});
    line.box = Rect{13, double(height - 14), 21 * 7 + 5, 10};
    EXPECT_EQ(texts(CodeGrid::layout({line}, &image)), (std::vector<std::string>{"a_b  c eonmx`\u00FC 0O1l006"}));
    // No picture: as read.
    EXPECT_EQ(texts(CodeGrid::layout({line})), (std::vector<std::string>{"a b  c eonmx'U 0011\u00AE66"}));
}

TEST(CodeGridTest, TooFewGlyphsToMeasureFallBackToTheRecognizersText)
{
    CodeGrid::Line line;
    line.text = "}";
    line.glyphs.push_back(CodeGrid::Glyph{"}", Rect{30, 10, 5, 10}});
    line.box = Rect{30, 10, 5, 10};
    EXPECT_FALSE(CodeGrid::measure({line}).monospace);
    EXPECT_EQ(texts(CodeGrid::layout({line})), (std::vector<std::string>{"}"}));
    EXPECT_TRUE(CodeGrid::layout({}).empty());
}

TEST(CodeGridTest, QuotesAreStraightAndNumbersHoldDigits)
{
    EXPECT_EQ(CodeGrid::straightened("print(\u201Chi\u201D, \u2018x\u2019)"), "print(\"hi\", 'x')");
    EXPECT_EQ(CodeGrid::straightened("caf\u00E9 \u4E2D"), "caf\u00E9 \u4E2D"); // other letters pass through
    EXPECT_EQ(CodeGrid::numbersFixed("mask |= Ox1F; n = 1O0;"), "mask |= 0x1F; n = 100;");
    // Words without a digit, and identifiers that merely hold one, stay as read.
    EXPECT_EQ(CodeGrid::numbersFixed("Oxford O(n) row1O s0o"), "Oxford O(n) row1O s0o");
}
