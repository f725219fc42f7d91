#include "ocr/Lines.h"

#include "ocr/OCRResult.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {
TextRun run(std::string text, double x, double y, double w = 40, double h = 20)
{
    return TextRun{std::move(text), Rect{x, y, w, h}};
}
} // namespace

TEST(MedianTest, UpperMedianOfUnsortedValues)
{
    EXPECT_FALSE(median({}));
    EXPECT_EQ(median({7}), 7);
    EXPECT_EQ(median({4, 1, 3, 2}), 3) << "even count takes the upper middle, not the mean";
    EXPECT_EQ(median({5, 1, 9}), 5);
}

TEST(RowsOfTest, RowsComeTopFirstAndJoinWithinSixTenthsOfTheMedianHeight)
{
    using Rows = std::vector<std::vector<std::string>>;
    const std::vector<std::tuple<std::vector<TextRun>, Rows, const char*>> cases{
        {{}, {}, "nothing"},
        {{run("low", 0, 0), run("high", 0, 100), run("mid", 0, 50)}, {{"high"}, {"mid"}, {"low"}}, "top row first"},
        {{run("a", 0, 100), run("b", 50, 88)}, {{"a", "b"}}, "height 20: 12 px off joins"},
        {{run("a", 0, 100), run("b", 50, 87.5)}, {{"a"}, {"b"}}, "height 20: 12.5 px off does not"},
        {{run("a", 0, 10, 5, 6), run("b", 9, 6.2, 5, 6)}, {{"a", "b"}}, "height 6: 0.6 × 6 = 3.6, floor of 4"},
        {{run("a", 0, 10, 5, 6), run("b", 9, 5.9, 5, 6)}, {{"a"}, {"b"}}, "height 6: beyond the floor"},
        {{run("a", 0, 10, 5, 0), run("b", 9, 6, 5, 0), run("c", 9, 5.9, 5, 0)}, {{"a", "b"}, {"c"}}, "zero heights"},
        // A slant of 8 px per run: b is within 12 of a, c is 16 away from a.
        {{run("a", 0, 100), run("b", 50, 92), run("c", 100, 84)}, {{"a", "b"}, {"c"}}, "the first run anchors"},
    };
    for (const auto& [runs, expected, why] : cases) {
        Rows rows;
        for (const auto& row : rowsOf(runs)) {
            rows.emplace_back();
            for (const TextRun& r : row)
                rows.back().push_back(r.text);
        }
        EXPECT_EQ(rows, expected) << why;
    }
}

TEST(PlainTextTest, RowsLeftToRightUnlessTheTextLayerGivesTheText)
{
    OCRResult result;
    EXPECT_EQ(result.plainText(), "");
    result.lines = {run("right", 200, 102), run("left", 0, 100), run("next line", 0, 60, 120)};
    EXPECT_EQ(result.plainText(), "left right\nnext line");
    result.lines = {run("  two\nlines ", 0, 0)};
    EXPECT_EQ(result.plainText(), "  two\nlines ");
    // The text layer wins even when empty; barcodes alone leave a result empty.
    result.exactText = "";
    EXPECT_EQ(result.plainText(), "");
    EXPECT_FALSE(result.isEmpty()) << "lines are present";
    result.lines.clear();
    result.barcodes = {"https://example.org"};
    EXPECT_TRUE(result.isEmpty());
}
