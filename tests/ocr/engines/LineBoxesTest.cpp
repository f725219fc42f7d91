#include "ocr/tesseract/LineBoxes.h"

#include <gtest/gtest.h>

using LineBoxes::PixelBox;
using LineBoxes::Symbol;
using Range = std::pair<std::size_t, std::size_t>;

TEST(LineBoxesTest, PiecesAreTheNonBlankRunsInOrder)
{
    std::vector<std::string> texts;
    for (const auto& piece : LineBoxes::pieces("  a\t\tb  c \t"))
        texts.push_back(piece.text);
    EXPECT_EQ(texts, (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_TRUE(LineBoxes::pieces(" \t ").empty());
    // "ab" also occurs inside "cab": the cursor must not send the second piece back into the first.
    EXPECT_EQ(LineBoxes::pieces("cab ab").at(1).begin, 4u);
}

TEST(LineBoxesTest, SymbolsAreLocatedAsWholeCharactersInOrder)
{
    // "Größe €5": ö is 2 bytes, ß 2, € 3.
    const auto ranges = LineBoxes::locate("Größe €5", {"G", "r", "ö", "ß", "e", "€", "5"});
    ASSERT_EQ(ranges.size(), 7u);
    EXPECT_EQ(*ranges[2], (Range{2, 4}));
    EXPECT_EQ(*ranges[3], (Range{4, 6}));
    EXPECT_EQ(*ranges[5], (Range{8, 11}));
    EXPECT_EQ(*ranges[6], (Range{11, 12}));
    // Repeated symbols are found one after the other; one the line does not hold is left out.
    const auto repeated = LineBoxes::locate("aa a", {"a", "a", "?", "a"});
    EXPECT_EQ(repeated[1]->first, 1u);
    EXPECT_FALSE(repeated[2].has_value());
    EXPECT_EQ(repeated[3]->first, 3u);
}

TEST(LineBoxesTest, WordBoxIsTheUnionOfItsWholeSymbolsOnly)
{
    // "ab cd" with a symbol per letter; the space has none.
    const std::vector<Symbol> symbols = {
        {0, 1, PixelBox{10, 5, 20, 30}},
        {1, 2, PixelBox{21, 2, 30, 28}},
        {3, 4, PixelBox{40, 6, 50, 29}},
        {4, 5, PixelBox{51, 6, 60, 35}},
    };
    EXPECT_EQ(LineBoxes::boxOf(0, 2, symbols), (PixelBox{10, 2, 30, 30}));
    EXPECT_EQ(LineBoxes::boxOf(3, 5, symbols), (PixelBox{40, 6, 60, 35}));
    EXPECT_FALSE(LineBoxes::boxOf(2, 3, symbols).has_value());

    const std::string line = "€5 €5";
    const auto ranges = LineBoxes::locate(line, {"€", "5", "€", "5"});
    std::vector<Symbol> euros;
    for (std::size_t i = 0; i < ranges.size(); ++i)
        euros.push_back(Symbol{ranges[i]->first, ranges[i]->second, PixelBox{int(i) * 10, 0, int(i) * 10 + 8, 10}});
    const auto pieces = LineBoxes::pieces(line);
    ASSERT_EQ(pieces.size(), 2u);
    EXPECT_EQ(LineBoxes::boxOf(pieces[0].begin, pieces[0].end, euros), (PixelBox{0, 0, 18, 10}));
    EXPECT_EQ(LineBoxes::boxOf(pieces[1].begin, pieces[1].end, euros), (PixelBox{20, 0, 38, 10}));
}
