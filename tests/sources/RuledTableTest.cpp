#include "sources/RuledTable.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {
// A white grey image on which lines are drawn in the detector's coordinates: x from the left, y from the bottom.
struct Canvas
{
    int width;
    int height;
    std::vector<std::uint8_t> px = std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height, 255);

    void set(int x, int y, std::uint8_t value = 0)
    {
        px[static_cast<std::size_t>(height - 1 - y) * width + x] = value; // stored top row first
    }
    void vertical(int x, int y0, int y1, std::uint8_t value = 0)
    {
        for (int y = y0; y <= y1; ++y)
            set(x, y, value);
    }
    void horizontal(int y, int x0, int x1, std::uint8_t value = 0)
    {
        for (int x = x0; x <= x1; ++x)
            set(x, y, value);
    }
    // Rules a table: vertical lines at xs from the lowest to the highest y, horizontal lines at ys across.
    void table(const std::vector<int>& xs, const std::vector<int>& ys)
    {
        for (int x : xs)
            vertical(x, ys.front(), ys.back());
        for (int y : ys)
            horizontal(y, xs.front(), xs.back());
    }
    Image image() const { return Image::copyOf(width, height, width, Image::Format::Grey8, px.data()); }
};

// Sets or clears AM_DEBUG for one test and restores the absence afterwards.
struct DebugEnv
{
    explicit DebugEnv(const char* value) { setenv("AM_DEBUG", value, 1); }
    ~DebugEnv() { unsetenv("AM_DEBUG"); }
};

TextRun word(std::string text, double x0, double x1, double midY)
{
    return TextRun{std::move(text), Rect{x0, midY - 6, x1 - x0, 12}};
}

// A 300 × 200 image with a 3 × 3 table: columns bounded by x 20, 100, 180, 260; rows by y 20, 70, 120, 170.
Image threeByThree()
{
    Canvas canvas{300, 200};
    canvas.table({20, 100, 180, 260}, {20, 70, 120, 170});
    return canvas.image();
}
constexpr double topRow = 145, middleRow = 95, bottomRow = 45;
} // namespace

TEST(RuledTableDetectTest, SpreadsheetGridGivesItsLinesBottomUp)
{
    Canvas canvas{120, 90};
    // Two-pixel-wide lines lie at the mean of their pixels; the top line of the picture has the highest y.
    for (int x : {0, 40, 80, 118})
        for (int dx : {0, 1})
            canvas.vertical(x + dx, 0, 89);
    for (int y : {0, 30, 60, 88})
        for (int dy : {0, 1})
            canvas.horizontal(y + dy, 0, 119);
    const std::optional<RuledTable::Lines> lines = RuledTable::detect(canvas.image());
    ASSERT_TRUE(lines);
    EXPECT_EQ(lines->cols, (std::vector<double>{0.5, 40.5, 80.5, 118.5}));
    EXPECT_EQ(lines->rows, (std::vector<double>{0.5, 30.5, 60.5, 88.5}));
}

TEST(RuledTableDetectTest, LinesMustSpan45PercentOfTheImage)
{
    // vMin = 100 × 0.45 = 45 and hMin = 200 × 0.45 = 90: the horizontal rules are `length` pixels long and the
    // vertical ones lie inside them, so each row's count is exactly `length`.
    for (int length : {90, 89, 80}) {
        Canvas canvas{200, 100};
        const int right = 10 + length - 1;
        canvas.table({10, 10 + length / 2, right}, {5, 50, 95});
        const std::optional<RuledTable::Lines> lines = RuledTable::detect(canvas.image());
        EXPECT_EQ(lines.has_value(), length >= 90) << "length " << length;
    }
}

TEST(RuledTableDetectTest, BlankAndDegenerateImagesHaveNoLines)
{
    EXPECT_FALSE(RuledTable::detect(Image::blankGrey(300, 200)));
    EXPECT_FALSE(RuledTable::detect(Image::blankGrey(0, 0)));
    EXPECT_FALSE(RuledTable::detect(Image{}));
    // In an image one pixel high every white column would reach a threshold of 0.45 → 0 dark pixels.
    EXPECT_FALSE(RuledTable::detect(Image::blankGrey(50, 1)));
    EXPECT_FALSE(RuledTable::detect(Image::blankGrey(1, 1, 0)));
}

TEST(RuledTableDetectTest, NearbyRulingsMergeWithinFivePixels)
{
    Canvas merged{100, 100};
    merged.table({10, 15, 50, 90}, {10, 50, 90});
    const std::optional<RuledTable::Lines> one = RuledTable::detect(merged.image());
    ASSERT_TRUE(one);
    EXPECT_EQ(one->cols, (std::vector<double>{12.5, 50, 90}));

    Canvas apart{100, 100};
    apart.table({10, 16, 50, 90}, {10, 50, 90});
    const std::optional<RuledTable::Lines> two = RuledTable::detect(apart.image());
    ASSERT_TRUE(two);
    EXPECT_EQ(two->cols, (std::vector<double>{10, 16, 50, 90}));
}

TEST(RuledTableDetectTest, FaintEvenlySpacedRowIsFilledIn)
{
    Canvas canvas{200, 200};
    canvas.table({10, 100, 190}, {10, 50, 90, 170});
    canvas.horizontal(130, 10, 190, 200); // too light to count as dark
    const std::optional<RuledTable::Lines> lines = RuledTable::detect(canvas.image());
    ASSERT_TRUE(lines);
    EXPECT_EQ(lines->rows, (std::vector<double>{10, 50, 90, 130, 170}));
}

TEST(RuledTableDedupeTest, ChainsCandidatesWithinTheGap)
{
    using V = std::vector<double>;
    EXPECT_EQ(RuledTable::dedupe({10, 15}, 5), V{12.5});
    EXPECT_EQ(RuledTable::dedupe({10, 16}, 5), (V{10, 16}));
    // Chaining is against the last member, so a wide run of close candidates is one line.
    EXPECT_EQ(RuledTable::dedupe({0, 5, 10, 15, 20}, 5), V{10});
    EXPECT_EQ(RuledTable::dedupe({3}, 5), V{3});
    EXPECT_TRUE(RuledTable::dedupe({}, 5).empty());
}

TEST(RuledTableFillTest, InsertsLinesIntoWholeMultiplesOfTheMedianGap)
{
    using V = std::vector<double>;
    const std::vector<std::pair<V, V>> cases{
        {{10, 30, 50, 90}, {10, 30, 50, 70, 90}},
        {{10, 30, 50, 85}, {10, 30, 50, 70, 85}},   // |35 − 40| < 10
        {{10, 30, 50, 80}, {10, 30, 50, 80}},       // |30 − 40| = 10
        {{0, 10, 20, 50}, {0, 10, 20, 30, 40, 50}}, // three medians
        {{10, 50}, {10, 50}},                       // too short to have a median
        {{}, {}},
        {{0, 1, 2, 5}, {0, 1, 2, 5}},               // median gap 1.0
        {{5, 5, 5, 20}, {5, 5, 5, 20}},             // median gap 0
        {{0, 10, 20, 40, 60}, {0, 10, 20, 40, 60}}, // gaps 10, 10, 20, 20: the upper middle 20 is regular
    };
    for (const auto& [lines, filled] : cases)
        EXPECT_EQ(RuledTable::fillRegularGaps(lines), filled) << ::testing::PrintToString(lines);
}

TEST(RuledTableOverlapTest, LargestPositiveOverlapWins)
{
    const std::vector<double> edges{10, 20, 40};
    EXPECT_EQ(RuledTable::overlapIndex(12, 25, edges), 0u);          // 8 against 5
    EXPECT_EQ(RuledTable::overlapIndex(15, 35, edges), 1u);          // 5 against 15
    EXPECT_EQ(RuledTable::overlapIndex(15, 25, edges), 0u);          // a tie goes to the lower band
    EXPECT_EQ(RuledTable::overlapIndex(0, 100, edges), 1u);          // clipped to the bands
    EXPECT_EQ(RuledTable::overlapIndex(0, 9, edges), std::nullopt);  // left of the first line
    EXPECT_EQ(RuledTable::overlapIndex(0, 10, edges), std::nullopt); // touches only the edge
    EXPECT_EQ(RuledTable::overlapIndex(40, 50, edges), std::nullopt);
    EXPECT_EQ(RuledTable::overlapIndex(12, 14, {10}), std::nullopt);
    EXPECT_EQ(RuledTable::overlapIndex(12, 14, {}), std::nullopt);
}

TEST(RuledTableTrimTest, DropsBorderRowsAndColumnsButKeepsInnerOnes)
{
    const TableGrid grid{
        {"", "", "", "", ""},   {"", "a", "", "b", ""}, {"", "", "", "", ""},
        {"", "c", "", " ", ""}, {"", "", "", "", ""},
    };
    const TableGrid expected{{"a", "", "b"}, {"", "", ""}, {"c", "", " "}};
    EXPECT_EQ(RuledTable::trim(grid), expected);
}

TEST(RuledTableTrimTest, TooLittleLeftIsNoTableAndShortRowsCountAsEmpty)
{
    EXPECT_FALSE(RuledTable::trim({}));
    EXPECT_FALSE(RuledTable::trim({{"", ""}, {"", ""}}));
    EXPECT_FALSE(RuledTable::trim({{"a", "b"}, {"", ""}}));         // one row left
    EXPECT_FALSE(RuledTable::trim({{"", "a", ""}, {"", "b", ""}})); // one column left
    EXPECT_FALSE(RuledTable::trim({{"a"}, {"b"}}));
    EXPECT_EQ(RuledTable::trim({{"a", "b", ""}, {"c"}}), (TableGrid{{"a", "b"}, {"c", ""}}));
}

TEST(RuledTableGridTest, PlacesRunsIntoColumnBandsByOverlap)
{
    const std::vector<TextRun> words{
        word("Item", 30, 60, topRow),   word("Qty", 110, 150, topRow),   word("Price", 190, 250, topRow),
        word("Pen", 30, 55, middleRow), word("2", 110, 120, middleRow),  word("1.50", 200, 240, middleRow),
        word("Ink", 30, 55, bottomRow), word("10", 110, 125, bottomRow), word("9.00", 200, 240, bottomRow),
    };
    const std::optional<TableGrid> grid = RuledTable::grid(threeByThree(), words);
    const TableGrid expected{{"Item", "Qty", "Price"}, {"Pen", "2", "1.50"}, {"Ink", "10", "9.00"}};
    EXPECT_EQ(grid, expected);
}

TEST(RuledTableGridTest, RunsSharingACellJoinLeftToRight)
{
    // Given right word first: the cell must still read in box order.
    const std::vector<TextRun> words{
        word("Name", 60, 95, topRow),   word("Full", 25, 55, topRow),   word("Qty", 110, 150, topRow),
        word("Ann", 30, 55, middleRow), word("3", 110, 120, middleRow),
    };
    const std::optional<TableGrid> grid = RuledTable::grid(threeByThree(), words);
    EXPECT_EQ(grid, (TableGrid{{"Full Name", "Qty"}, {"Ann", "3"}}));
}

TEST(RuledTableGridTest, NeedsHalfTheRunsInsideTheColumns)
{
    // Runs left of the first vertical line are dropped but still counted.
    auto withOutside = [](int outside) {
        std::vector<TextRun> words{word("a", 30, 60, topRow), word("b", 110, 150, middleRow),
                                   word("c", 190, 250, bottomRow)};
        for (int i = 0; i < outside; ++i)
            words.push_back(word("x", 0, 15, topRow));
        return words;
    };
    EXPECT_TRUE(RuledTable::grid(threeByThree(), withOutside(3)));  // 3 of 6 placed, 6 ÷ 2 = 3
    EXPECT_TRUE(RuledTable::grid(threeByThree(), withOutside(4)));  // 3 of 7 placed, 7 ÷ 2 = 3
    EXPECT_FALSE(RuledTable::grid(threeByThree(), withOutside(5))); // 3 of 8 placed, 8 ÷ 2 = 4

    // Five runs in all: two placed are enough.
    const std::vector<TextRun> five{word("a", 30, 60, topRow), word("b", 110, 150, middleRow), word("x", 0, 15, topRow),
                                    word("y", 0, 20, middleRow), word("z", 5, 19, topRow)};
    EXPECT_EQ(RuledTable::grid(threeByThree(), five), (TableGrid{{"a", ""}, {"", "b"}}));
}

TEST(RuledTableGridTest, NoTableWithoutRulingsWordsOrRows)
{
    const std::vector<TextRun> words{word("a", 30, 60, topRow), word("b", 110, 150, middleRow)};
    EXPECT_FALSE(RuledTable::grid(Image::blankGrey(300, 200), words));
    EXPECT_FALSE(RuledTable::grid(threeByThree(), {}));
    EXPECT_FALSE(RuledTable::grid(threeByThree(), {word("a", 30, 60, topRow), word("b", 110, 150, topRow)}));
}

TEST(RuledTableDebugTest, SilentWithoutAMDebugOrWithoutWords)
{
    unsetenv("AM_DEBUG");
    testing::internal::CaptureStderr();
    RuledTable::detect(threeByThree());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

    const DebugEnv env("1");
    testing::internal::CaptureStderr();
    EXPECT_FALSE(RuledTable::grid(threeByThree(), {}));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}
