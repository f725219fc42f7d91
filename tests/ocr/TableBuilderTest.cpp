#include "ocr/TableBuilder.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>
#include <vector>

namespace {
// A word run whose box is given by its left edge, bottom edge, width and height (origin bottom-left).
TextRun run(std::string text, double x, double y, double w = 40, double h = 20)
{
    return TextRun{std::move(text), Rect{x, y, w, h}};
}

// Lays out rows of words top row first: each word sits at the given left edge, rows 40 px apart, text 20 px.
std::vector<TextRun> layout(const std::vector<std::vector<std::pair<std::string, double>>>& topRowFirst)
{
    std::vector<TextRun> runs;
    double y = 40.0 * static_cast<double>(topRowFirst.size());
    for (const auto& row : topRowFirst) {
        for (const auto& [text, x] : row)
            runs.push_back(run(text, x, y));
        y -= 40;
    }
    return runs;
}
} // namespace

TEST(TableBuilderTest, GridsFromWordLayouts)
{
    using Rows = std::vector<std::vector<std::pair<std::string, double>>>;
    // Six rows, the first two filled, the rest single words in the first column: 2 of 6 is below 6 / 2.
    Rows sparse{{{"a", 0}, {"b", 200}}, {{"c", 0}, {"d", 200}}, {{"e", 0}}, {{"f", 0}}, {{"g", 0}}, {{"h", 0}}};
    Rows half = sparse;
    half[2].push_back({"x", 200});
    // The builder must not depend on the recognizer's order.
    std::vector<TextRun> shuffled = layout({{{"Name", 0}, {"Qty", 200}}, {{"Apple", 0}, {"3", 200}}});
    std::swap(shuffled[0], shuffled[3]);
    // The wide "a" bridges c and d into one column, so the second row has only one filled string.
    std::vector<TextRun> bridged{run("a", 0, 120, 100), run("b", 200, 120), run("c", 0, 80), run("d", 60, 80),
                                 run("e", 0, 40)};
    std::vector<TextRun> bridgedFilled = bridged;
    bridgedFilled.push_back(run("f", 200, 40));

    const std::vector<std::tuple<std::vector<TextRun>, std::optional<TableGrid>, const char*>> cases{
        {{}, std::nullopt, "no runs"},
        {layout({{{"a", 0}, {"b", 200}}, {{"c", 0}}}), std::nullopt, "fewer than four runs"},
        {shuffled, TableGrid{{"Name", "Qty"}, {"Apple", "3"}}, "shuffled two by two"},
        // Text 20 px high: gap threshold 18 px. Words 10 px apart stay in one cell in every row.
        {layout({{{"New", 0}, {"York", 50}}, {{"Los", 0}, {"Angeles", 50}}}), std::nullopt, "words closer than gap"},
        {layout(
             {{{"Invoice", 190}}, {{"Item", 0}, {"Price", 200}}, {{"Tea", 0}, {"4", 200}}, {{"Cake", 0}, {"6", 200}}}),
         TableGrid{{"", "Invoice"}, {"Item", "Price"}, {"Tea", "4"}, {"Cake", "6"}},
         "title lands in the overlapped column without widening it"},
        // A single-cell row from x = 0 to 400 would merge both columns if it shaped them.
        {{run("A long title over everything", 0, 160, 400), run("a", 0, 120), run("b", 200, 120), run("c", 0, 80),
          run("d", 200, 80)},
         TableGrid{{"A long title over everything", ""}, {"a", "b"}, {"c", "d"}},
         "wide title does not join columns"},
        {layout(sparse), std::nullopt, "2 of 6 rows filled"},
        {layout(half), TableGrid{{"a", "b"}, {"c", "d"}, {"e", "x"}, {"f", ""}, {"g", ""}, {"h", ""}},
         "3 of 6 rows filled is enough"},
        {bridged, std::nullopt, "1 filled row of 3 is below the floor of 2"},
        {bridgedFilled, TableGrid{{"a", "b"}, {"c d", ""}, {"e", "f"}}, "2 filled rows of 3"},
        // Row 1 has cells at 0 and 100 whose extents overlap row 2's wide cell, so they share one column.
        {{run("x", 0, 80), run("y", 100, 80), run("z", 300, 80), run("wide cell", 0, 40, 140), run("w", 300, 40)},
         TableGrid{{"x y", "z"}, {"wide cell", "w"}},
         "two cells in one column join with a space"},
        {{run("a", 0, 80), run("", 100, 80), run("b", 200, 80), run("c", 0, 40), run("d", 200, 40)},
         TableGrid{{"a", "b"}, {"c", "d"}},
         "a column of only empty text is dropped"},
        // "mid" lies between the columns [0,40] and [300,340], nearer the right one.
        {{run("a", 0, 120), run("b", 300, 120), run("c", 0, 80), run("d", 300, 80), run("mid", 200, 40)},
         TableGrid{{"a", "b"}, {"c", "d"}, {"", "mid"}},
         "a cell in a gap goes to the nearest column"},
    };
    for (const auto& [runs, expected, why] : cases)
        EXPECT_EQ(TableBuilder::grid(runs), expected) << why;
}

TEST(TableBuilderTest, SplitIntoCellsAtGapsWiderThanTheThresholdFromTheLastRightEdge)
{
    // Gap of exactly g keeps one cell; a hair more splits.
    const std::vector<TextRun> row{run("b", 58, 0), run("a", 0, 0)}; // a ends at 40, b starts 18 later
    auto cells = TableBuilder::splitIntoCells(row, 18);
    ASSERT_EQ(cells.size(), 1u);
    EXPECT_EQ(cells[0].text, "a b");
    EXPECT_DOUBLE_EQ(cells[0].startX, 0);
    EXPECT_DOUBLE_EQ(cells[0].endX, 98);
    cells = TableBuilder::splitIntoCells(row, 17.9);
    ASSERT_EQ(cells.size(), 2u);
    EXPECT_EQ(cells[1].text, "b");
    EXPECT_TRUE(TableBuilder::splitIntoCells({}, 10).empty());
    // "in" starts inside "long" and ends before it: the cell's end moves back to 30, so "c" 31 px later splits.
    cells = TableBuilder::splitIntoCells({run("c", 61, 0), run("long", 0, 0, 200), run("in", 10, 0, 20)}, 30);
    ASSERT_EQ(cells.size(), 2u);
    EXPECT_EQ(cells[0].text, "long in");
    EXPECT_DOUBLE_EQ(cells[0].endX, 30);
    EXPECT_EQ(cells[1].text, "c");
}

TEST(TableBuilderTest, MergeColumnsJoinsTouchingIntervals)
{
    using Cell = TableBuilder::Cell;
    const auto columns =
        TableBuilder::mergeColumns({Cell{300, 350, "c"}, Cell{0, 50, "a"}, Cell{50, 80, "b"}, Cell{40, 60, "d"}});
    ASSERT_EQ(columns.size(), 2u);
    EXPECT_DOUBLE_EQ(columns[0].lo, 0);
    EXPECT_DOUBLE_EQ(columns[0].hi, 80);
    EXPECT_DOUBLE_EQ(columns[1].lo, 300);
    EXPECT_DOUBLE_EQ(columns[1].hi, 350);
    EXPECT_TRUE(TableBuilder::mergeColumns({}).empty());
}

TEST(TableBuilderTest, ColumnIndexPrefersOverlapThenNearestCentre)
{
    using Cell = TableBuilder::Cell;
    const std::vector<TableBuilder::Column> columns{{0, 100}, {200, 300}, {400, 500}};
    EXPECT_EQ(TableBuilder::columnIndex(Cell{90, 230, ""}, columns), 1u) << "larger overlap wins";
    EXPECT_EQ(TableBuilder::columnIndex(Cell{90, 210, ""}, columns), 0u) << "first of equal overlaps";
    EXPECT_EQ(TableBuilder::columnIndex(Cell{360, 380, ""}, columns), 2u) << "in a gap: nearest centre";
    EXPECT_EQ(TableBuilder::columnIndex(Cell{120, 180, ""}, columns), 0u) << "first of equal distances";
    EXPECT_EQ(TableBuilder::columnIndex(Cell{100, 190, ""}, {{0, 100}, {200, 220}}), 1u) << "touching is no overlap";
}
