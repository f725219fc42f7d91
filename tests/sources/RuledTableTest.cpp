#include "sources/RuledTable.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {
using V = std::vector<double>;

// A white grey image on which lines are drawn in the detector's coordinates: x from the left, y from the bottom.
struct Canvas
{
    int width;
    int height;
    std::vector<std::uint8_t> px = std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height, 255);

    void line(bool vertical, int at, int from, int to, std::uint8_t value = 0)
    {
        for (int i = from; i <= to; ++i) {
            const int x = vertical ? at : i, y = vertical ? i : at;
            px[static_cast<std::size_t>(height - 1 - y) * width + x] = value; // stored top row first
        }
    }
    // Rules a table: vertical lines at xs from the lowest to the highest y, horizontal lines at ys across.
    Canvas& table(const std::vector<int>& xs, const std::vector<int>& ys)
    {
        for (int x : xs)
            line(true, x, ys.front(), ys.back());
        for (int y : ys)
            line(false, y, xs.front(), xs.back());
        return *this;
    }
    Image image() const { return Image::copyOf(width, height, width, Image::Format::Grey8, px.data()); }
};

TextRun word(std::string text, double x0, double x1, double midY)
{
    return TextRun{std::move(text), Rect{x0, midY - 6, x1 - x0, 12}};
}

// A 300 × 200 image with a 3 × 3 table: columns bounded by x 20, 100, 180, 260; rows by y 20, 70, 120, 170.
Image threeByThree()
{
    return Canvas{300, 200}.table({20, 100, 180, 260}, {20, 70, 120, 170}).image();
}
constexpr double topRow = 145, middleRow = 95, bottomRow = 45;
} // namespace

TEST(RuledTableDetectTest, GridLinesComeBottomUpAtTheMeanOfTheirPixels)
{
    Canvas canvas{120, 90};
    // Two-pixel-wide lines lie at the mean of their pixels; the top line of the picture has the highest y.
    for (int at : {0, 40, 80, 118})
        for (int d : {0, 1})
            canvas.line(true, at + d, 0, 89);
    for (int at : {0, 30, 60, 88})
        for (int d : {0, 1})
            canvas.line(false, at + d, 0, 119);
    const std::optional<RuledTable::Lines> lines = RuledTable::detect(canvas.image());
    ASSERT_TRUE(lines);
    EXPECT_EQ(lines->cols, (V{0.5, 40.5, 80.5, 118.5}));
    EXPECT_EQ(lines->rows, (V{0.5, 30.5, 60.5, 88.5}));

    // A faint ruling between evenly spaced ones is filled in.
    Canvas faint{200, 200};
    faint.table({10, 100, 190}, {10, 50, 90, 170}).line(false, 130, 10, 190, 200);
    EXPECT_EQ(RuledTable::detect(faint.image())->rows, (V{10, 50, 90, 130, 170}));

    // Diagnostics only when asked for: the command line's standard error stays clean.
    unsetenv("AM_DEBUG");
    testing::internal::CaptureStderr();
    RuledTable::detect(threeByThree());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(RuledTableDetectTest, LinesMustSpan45PercentOfTheImage)
{
    // vMin = 100 × 0.45 = 45 and hMin = 200 × 0.45 = 90: the horizontal rules are `length` pixels long and the
    // vertical ones lie inside them, so each row's count is exactly `length`.
    for (int length : {90, 89}) {
        Canvas canvas{200, 100};
        canvas.table({10, 10 + length / 2, 10 + length - 1}, {5, 50, 95});
        EXPECT_EQ(RuledTable::detect(canvas.image()).has_value(), length >= 90) << "length " << length;
    }
    // In an image one pixel high every white column would reach a threshold of 0.45 → 0 dark pixels.
    for (const Image& image : {Image::blankGrey(300, 200), Image::blankGrey(0, 0), Image{}, Image::blankGrey(50, 1),
                               Image::blankGrey(1, 1, 0)})
        EXPECT_FALSE(RuledTable::detect(image)) << image.width << "x" << image.height;
}

TEST(RuledTableLinesTest, DedupeFillAndOverlap)
{
    // Chaining is against the last member, so a wide run of close candidates is one line.
    EXPECT_EQ(RuledTable::dedupe({10, 15}, 5), V{12.5});
    EXPECT_EQ(RuledTable::dedupe({10, 16}, 5), (V{10, 16}));
    EXPECT_EQ(RuledTable::dedupe({0, 5, 10, 15, 20}, 5), V{10});
    EXPECT_TRUE(RuledTable::dedupe({}, 5).empty());

    const std::vector<std::pair<V, V>> fills{
        {{10, 30, 50, 90}, {10, 30, 50, 70, 90}},
        {{10, 30, 50, 85}, {10, 30, 50, 70, 85}},   // |35 − 40| < 10
        {{10, 30, 50, 80}, {10, 30, 50, 80}},       // |30 − 40| = 10
        {{0, 10, 20, 50}, {0, 10, 20, 30, 40, 50}}, // three medians
        {{10, 50}, {10, 50}},                       // too short to have a median
        {{0, 1, 2, 5}, {0, 1, 2, 5}},               // median gap 1.0
        {{5, 5, 5, 20}, {5, 5, 5, 20}},             // median gap 0
        {{0, 10, 20, 40, 60}, {0, 10, 20, 40, 60}}, // gaps 10, 10, 20, 20: the upper middle 20 is regular
    };
    for (const auto& [lines, filled] : fills)
        EXPECT_EQ(RuledTable::fillRegularGaps(lines), filled) << ::testing::PrintToString(lines);

    const V edges{10, 20, 40};
    EXPECT_EQ(RuledTable::overlapIndex(12, 25, edges), 0u);          // 8 against 5
    EXPECT_EQ(RuledTable::overlapIndex(15, 35, edges), 1u);          // 5 against 15
    EXPECT_EQ(RuledTable::overlapIndex(15, 25, edges), 0u);          // a tie goes to the lower band
    EXPECT_EQ(RuledTable::overlapIndex(0, 100, edges), 1u);          // clipped to the bands
    EXPECT_EQ(RuledTable::overlapIndex(0, 10, edges), std::nullopt); // touches only the edge
    EXPECT_EQ(RuledTable::overlapIndex(12, 14, {10}), std::nullopt);
}

TEST(RuledTableTrimTest, DropsBorderRowsAndColumnsButKeepsInnerOnes)
{
    const std::vector<std::pair<TableGrid, std::optional<TableGrid>>> cases{
        {{{"", "", "", "", ""},
          {"", "a", "", "b", ""},
          {"", "", "", "", ""},
          {"", "c", "", " ", ""},
          {"", "", "", "", ""}},
         TableGrid{{"a", "", "b"}, {"", "", ""}, {"c", "", " "}}},
        {{{"a", "b", ""}, {"c"}}, TableGrid{{"a", "b"}, {"c", ""}}}, // short rows count as empty
        {{}, std::nullopt},
        {{{"a", "b"}, {"", ""}}, std::nullopt},         // one row left
        {{{"", "a", ""}, {"", "b", ""}}, std::nullopt}, // one column left
        {{{"a"}, {"b"}}, std::nullopt},
    };
    for (const auto& [grid, trimmed] : cases)
        EXPECT_EQ(RuledTable::trim(grid), trimmed) << ::testing::PrintToString(grid);
}

TEST(RuledTableGridTest, RunsLandInTheColumnBandOfTheirLargestOverlap)
{
    const std::vector<TextRun> diagonal{word("a", 30, 60, topRow), word("b", 110, 150, middleRow),
                                        word("c", 190, 250, bottomRow)};
    // Runs left of the first vertical line are dropped but still counted: half of them must be placed.
    auto withOutside = [&](int outside) {
        std::vector<TextRun> words = diagonal;
        words.insert(words.end(), outside, word("x", 0, 15, topRow));
        return words;
    };
    const TableGrid diagonalGrid{{"a", "", ""}, {"", "b", ""}, {"", "", "c"}};
    const std::vector<std::tuple<std::vector<TextRun>, std::optional<TableGrid>, const char*>> cases{
        {{word("Name", 60, 95, topRow), word("Full", 25, 55, topRow), word("Qty", 110, 150, topRow),
          word("Ann", 30, 55, middleRow), word("3", 110, 120, middleRow)},
         TableGrid{{"Full Name", "Qty"}, {"Ann", "3"}},
         "runs sharing a cell join in box order, whatever their given order"},
        {withOutside(4), diagonalGrid, "3 of 7 placed, 7 ÷ 2 = 3"},
        {withOutside(5), std::nullopt, "3 of 8 placed, 8 ÷ 2 = 4"},
        {{}, std::nullopt, "no words"},
        {{word("a", 30, 60, topRow), word("b", 110, 150, topRow)}, std::nullopt, "one row"},
    };
    for (const auto& [words, expected, why] : cases)
        EXPECT_EQ(RuledTable::grid(threeByThree(), words), expected) << why;
    EXPECT_FALSE(RuledTable::grid(Image::blankGrey(300, 200), diagonal)) << "no rulings";
}
