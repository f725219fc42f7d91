#include "sources/PDFTable.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

using PDFTable::Cell;

namespace {
// Three bands: [10, 100), [100, 200), [200, 300].
const std::vector<double> cols{10, 100, 200, 300};
} // namespace

TEST(PDFTableColIndexTest, MapsEveryPositionToABand)
{
    EXPECT_EQ(PDFTable::colIndex(-50, cols), 0); // left of the rules clamps to the first band
    EXPECT_EQ(PDFTable::colIndex(10, cols), 0);
    EXPECT_EQ(PDFTable::colIndex(99.9, cols), 0);
    EXPECT_EQ(PDFTable::colIndex(100, cols), 1); // a line belongs to the band on its right
    EXPECT_EQ(PDFTable::colIndex(250, cols), 2);
    EXPECT_EQ(PDFTable::colIndex(300, cols), 2); // at or right of the last rule clamps to the last band
    EXPECT_EQ(PDFTable::colIndex(1e9, cols), 2);
    EXPECT_EQ(PDFTable::colIndex(5, {0, 10}), 0);
}

TEST(PDFTableColIndexTest, NoBandWithoutTwoLines)
{
    // A negative index makes add() a no-op instead of writing outside the row.
    EXPECT_EQ(PDFTable::colIndex(5, {}), -1);
    EXPECT_EQ(PDFTable::colIndex(5, {10}), -1);
    TableRow row(3);
    PDFTable::place("lost words", 0, 50, {}, row);
    EXPECT_EQ(row, TableRow(3));
}

TEST(PDFTableAddTest, AppendsWithOneSpaceAndIgnoresBadCells)
{
    TableRow row(2);
    PDFTable::add("a", row, 0);
    PDFTable::add("b", row, 0);
    PDFTable::add("", row, 1);
    PDFTable::add("c", row, -1);
    PDFTable::add("d", row, 2);
    EXPECT_EQ(row, (TableRow{"a b", ""}));
}

TEST(PDFTablePlaceTest, LineWithinOneBandLandsWholeAtItsMidpoint)
{
    TableRow row(3);
    PDFTable::place("Unit  price", 110, 190, cols, row); // runs of spaces are one separator
    EXPECT_EQ(row, (TableRow{"", "Unit price", ""}));

    // One word crossing a rule goes to the band of its middle, not its left end.
    TableRow single(3);
    PDFTable::place("Description", 60, 180, cols, single);
    EXPECT_EQ(single, (TableRow{"", "Description", ""}));
}

TEST(PDFTablePlaceTest, WordsOfALineSpanningBandsSpreadOverItsWidth)
{
    TableRow row(3);
    PDFTable::place("Pen 2 1.50", 20, 280, cols, row); // words at x 20, 150 and 280
    EXPECT_EQ(row, (TableRow{"Pen", "2", "1.50"}));

    TableRow twoWords(3);
    PDFTable::place("Ink 10", 50, 150, cols, twoWords);
    PDFTable::place("more", 120, 130, cols, twoWords);
    EXPECT_EQ(twoWords, (TableRow{"Ink", "10 more", ""}));
}

TEST(PDFTableBuildTest, GroupsLinesWithinFourPointsOfTheRowsFirstLine)
{
    const std::vector<Cell> cells{
        {700.0, 20, 80, "Item"},   {696.0, 120, 180, "Qty"}, // 4.0 apart: one row
        {680.0, 20, 80, "Pen"},    {675.5, 120, 180, "2"},   // 4.5 apart: two rows
        {660.0, 20, 80, "Ink"},    {657.0, 120, 180, "10"},  // 3 below "Ink"
        {653.0, 210, 280, "9.00"}, // 3 below "10" but 7 below "Ink": the anchor stays, so a new row
    };
    const std::optional<PDFTable::Extracted> table = PDFTable::build(cells, cols);
    ASSERT_TRUE(table);
    const TableGrid expected{
        {"Item", "Qty", ""}, {"Pen", "", ""}, {"", "2", ""}, {"Ink", "10", ""}, {"", "", "9.00"},
    };
    EXPECT_EQ(table->grid, expected);
    EXPECT_EQ(table->plain, "Item Qty\nPen\n2\nInk 10\n9.00");
}

TEST(PDFTableBuildTest, SortsTopFirstAndLeftFirstWhateverTheInputOrder)
{
    const std::vector<Cell> cells{
        {500, 210, 290, "3"}, {520, 120, 190, "B"}, {500, 20, 90, "1"}, {520, 20, 90, "A"}, {500, 120, 190, "2"},
    };
    const std::optional<PDFTable::Extracted> table = PDFTable::build(cells, cols);
    ASSERT_TRUE(table);
    EXPECT_EQ(table->grid, (TableGrid{{"A", "B", ""}, {"1", "2", "3"}}));
    EXPECT_EQ(table->plain, "A B\n1 2 3");
}

TEST(PDFTableBuildTest, TextOutsideTheRulesJoinsTheOuterColumns)
{
    const std::vector<Cell> cells{
        {500, 0, 8, "left"}, {500, 120, 190, "mid"}, {500, 310, 350, "right"},
        {480, 0, 8, "l2"},   {480, 120, 190, "m2"},  {480, 305, 320, "r2"},
    };
    const std::optional<PDFTable::Extracted> table = PDFTable::build(cells, cols);
    ASSERT_TRUE(table);
    EXPECT_EQ(table->grid, (TableGrid{{"left", "mid", "right"}, {"l2", "m2", "r2"}}));
}

TEST(PDFTableBuildTest, PlainIsLineByLineWhileTheGridLosesEmptyColumns)
{
    // The third band stays empty and is trimmed from the grid; the plain rendering knows no columns.
    const std::vector<Cell> cells{
        {700, 20, 180, "Price list"}, {650, 20, 80, "a"},   {650, 120, 180, "b"},
        {600, 20, 80, "c"},           {600, 120, 180, "d"},
    };
    const std::optional<PDFTable::Extracted> table = PDFTable::build(cells, cols);
    ASSERT_TRUE(table);
    EXPECT_EQ(table->grid, (TableGrid{{"Price", "list"}, {"a", "b"}, {"c", "d"}}));
    EXPECT_EQ(table->plain, "Price list\na b\nc d");
}

TEST(PDFTableBuildTest, NoTableFromTooLittle)
{
    const std::vector<Cell> three{{500, 20, 80, "a"}, {500, 120, 180, "b"}, {480, 20, 80, "c"}};
    EXPECT_FALSE(PDFTable::build(three, cols));
    // Empty or unplaceable lines do not count towards the four.
    std::vector<Cell> padded = three;
    padded.push_back({470, 20, 80, ""});
    padded.push_back({std::numeric_limits<double>::quiet_NaN(), 20, 80, "nan"});
    EXPECT_FALSE(PDFTable::build(padded, cols));

    const std::vector<Cell> four{{500, 20, 80, "a"}, {500, 120, 180, "b"}, {480, 20, 80, "c"}, {480, 120, 180, "d"}};
    EXPECT_TRUE(PDFTable::build(four, cols));
    EXPECT_FALSE(PDFTable::build(four, {10, 100}));
    EXPECT_FALSE(PDFTable::build(four, {}));
    // Everything in one column trims away.
    const std::vector<Cell> oneColumn{{500, 20, 80, "a"}, {490, 20, 80, "b"}, {480, 20, 80, "c"}, {470, 20, 80, "d"}};
    EXPECT_FALSE(PDFTable::build(oneColumn, cols));
}
