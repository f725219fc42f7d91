#include "ocr/Lines.h"

#include "ocr/OCRResult.h"

#include <gtest/gtest.h>

namespace {
TextRun run(std::string text, double x, double y, double w = 40, double h = 20)
{
    return TextRun{std::move(text), Rect{x, y, w, h}};
}

std::vector<std::vector<std::string>> texts(const std::vector<std::vector<TextRun>>& rows)
{
    std::vector<std::vector<std::string>> out;
    for (const auto& row : rows) {
        out.emplace_back();
        for (const TextRun& r : row)
            out.back().push_back(r.text);
    }
    return out;
}
} // namespace

TEST(MedianTest, UpperMedianOfSortedValues)
{
    EXPECT_FALSE(median({}));
    EXPECT_EQ(median({7}), 7);
    EXPECT_EQ(median({4, 1, 3, 2}), 3) << "even count takes the upper middle, not the mean";
    EXPECT_EQ(median({5, 1, 9}), 5);
}

TEST(RowsOfTest, GroupsTopRowFirst)
{
    EXPECT_TRUE(rowsOf({}).empty());
    const auto rows = rowsOf({run("low", 0, 0), run("high", 0, 100), run("mid", 0, 50)});
    EXPECT_EQ(texts(rows), (std::vector<std::vector<std::string>>{{"high"}, {"mid"}, {"low"}}));
}

TEST(RowsOfTest, ToleranceIsSixTenthsOfMedianHeightInclusiveWithAFloorOfFour)
{
    // Height 20: tolerance 12. A run exactly 12 px off the anchor joins; 12.5 px starts a new row.
    EXPECT_EQ(rowsOf({run("a", 0, 100), run("b", 50, 88)}).size(), 1u);
    EXPECT_EQ(rowsOf({run("a", 0, 100), run("b", 50, 87.5)}).size(), 2u);
    // Height 6: 0.6 × 6 = 3.6, so the floor of 4 applies; zero heights too.
    EXPECT_EQ(rowsOf({run("a", 0, 10, 5, 6), run("b", 9, 6.2, 5, 6)}).size(), 1u);
    EXPECT_EQ(rowsOf({run("a", 0, 10, 5, 6), run("b", 9, 5.9, 5, 6)}).size(), 2u);
    EXPECT_EQ(rowsOf({run("a", 0, 10, 5, 0), run("b", 9, 6, 5, 0), run("c", 9, 5.9, 5, 0)}).size(), 2u);
}

TEST(RowsOfTest, AnchorIsFirstRunNotRunningMean)
{
    // A slant of 8 px per run: b is within 12 of a, c is 16 away from a, so c starts a new row.
    const auto rows = rowsOf({run("a", 0, 100), run("b", 50, 92), run("c", 100, 84)});
    EXPECT_EQ(texts(rows), (std::vector<std::vector<std::string>>{{"a", "b"}, {"c"}}));
}

TEST(PlainTextTest, JoinsRowsLeftToRightAndKeepsTheirText)
{
    OCRResult result;
    EXPECT_EQ(result.plainText(), "");
    result.lines = {run("right", 200, 102), run("left", 0, 100), run("next line", 0, 60, 120)};
    EXPECT_EQ(result.plainText(), "left right\nnext line");
    result.lines = {run("  two\nlines ", 0, 0)};
    EXPECT_EQ(result.plainText(), "  two\nlines ");
}

TEST(PlainTextTest, ExactTextWinsEvenWhenEmpty)
{
    OCRResult result;
    result.lines = {run("recognized", 0, 0)};
    result.exactText = "layer";
    EXPECT_EQ(result.plainText(), "layer");
    result.exactText = "";
    EXPECT_EQ(result.plainText(), "");
    EXPECT_TRUE(result.fromTextLayer());
    EXPECT_FALSE(result.isEmpty()) << "lines are present";
    result.lines.clear();
    EXPECT_TRUE(result.isEmpty());
}

TEST(OCRResultTest, BarcodesAloneLeaveResultEmpty)
{
    OCRResult result;
    result.barcodes = {"https://example.org"};
    result.pdfGrid = TableGrid{{"a"}};
    EXPECT_TRUE(result.isEmpty());
    EXPECT_TRUE(result.runs().empty());
    EXPECT_FALSE(result.fromTextLayer());
}
