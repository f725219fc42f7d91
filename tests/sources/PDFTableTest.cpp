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

TEST(PDFTableTest, LinesGroupIntoRowsAndTheirWordsIntoTheBandsTheyWereDrawnIn)
{
    struct Case
    {
        std::vector<Cell> cells;
        TableGrid grid;
        std::string plain;
        const char* why;
    };
    const std::vector<Case> cases{
        {{
             {700.0, 20, 80, "Item"},
             {696.0, 120, 180, "Qty"}, // 4.0 apart: one row
             {680.0, 20, 80, "Pen"},
             {675.5, 120, 180, "2"}, // 4.5 apart: two rows
             {660.0, 20, 80, "Ink"},
             {657.0, 120, 180, "10"},   // 3 below "Ink"
             {653.0, 210, 280, "9.00"}, // 3 below "10" but 7 below "Ink": the anchor stays, so a new row
         },
         {{"Item", "Qty", ""}, {"Pen", "", ""}, {"", "2", ""}, {"Ink", "10", ""}, {"", "", "9.00"}},
         "Item Qty\nPen\n2\nInk 10\n9.00",
         "rows within four points of their first line"},
        {{{480, 305, 320, "r2"},
          {500, 120, 190, "mid"},
          {480, 0, 8, "l2"},
          {500, 310, 350, "right"},
          {480, 120, 190, "m2"},
          {500, 0, 8, "left"}},
         {{"left", "mid", "right"}, {"l2", "m2", "r2"}},
         "left mid right\nl2 m2 r2",
         "top first and left first whatever the input order; text outside the rules joins the outer columns"},
        // One word across a rule goes to the band of its middle; a line across bands spreads its words over its
        // width; runs of spaces are one separator; a second line in a cell follows after one space.
        {{{700, 20, 80, "Item"},
          {700, 110, 190, "Unit  price"},
          {680, 60, 180, "Description"},
          {660, 20, 280, "Pen 2 1.50"},
          {640, 50, 150, "Ink 10"},
          {640, 120, 130, "more"}},
         {{"Item", "Unit price", ""}, {"", "Description", ""}, {"Pen", "2", "1.50"}, {"Ink", "10 more", ""}},
         "Item Unit  price\nDescription\nPen 2 1.50\nInk 10 more",
         "words of lines"},
    };
    for (const Case& c : cases) {
        const std::optional<PDFTable::Extracted> table = PDFTable::build(c.cells, cols);
        ASSERT_TRUE(table) << c.why;
        EXPECT_EQ(table->grid, c.grid) << c.why;
        EXPECT_EQ(table->plain, c.plain) << c.why;
    }
}

TEST(PDFTableTest, NoTableFromTooLittle)
{
    const std::vector<Cell> three{{500, 20, 80, "a"}, {500, 120, 180, "b"}, {480, 20, 80, "c"}};
    // Empty or unplaceable lines do not count towards the four.
    std::vector<Cell> padded = three;
    padded.push_back({470, 20, 80, ""});
    padded.push_back({std::numeric_limits<double>::quiet_NaN(), 20, 80, "nan"});
    const std::vector<Cell> four{{500, 20, 80, "a"}, {500, 120, 180, "b"}, {480, 20, 80, "c"}, {480, 120, 180, "d"}};
    // Everything in one column trims away.
    const std::vector<Cell> oneColumn{{500, 20, 80, "a"}, {490, 20, 80, "b"}, {480, 20, 80, "c"}, {470, 20, 80, "d"}};
    EXPECT_TRUE(PDFTable::build(four, cols));
    const std::vector<std::pair<std::vector<Cell>, std::vector<double>>> cases{
        {three, cols}, {padded, cols}, {four, {10, 100}}, {four, {}}, {oneColumn, cols}};
    for (const auto& [cells, rules] : cases)
        EXPECT_FALSE(PDFTable::build(cells, rules)) << cells.size() << " lines, " << rules.size() << " rules";
}
