#include "ocr/tesseract/LineBoxes.h"

#include <gtest/gtest.h>

using LineBoxes::PixelBox;
using LineBoxes::Symbol;

namespace {
std::vector<std::string> texts(const std::vector<LineBoxes::Piece>& pieces)
{
    std::vector<std::string> out;
    for (const auto& piece : pieces)
        out.push_back(piece.text);
    return out;
}
} // namespace

TEST(LineBoxesTest, SpacesAndTabsMakeNoEmptyPieces)
{
    EXPECT_EQ(texts(LineBoxes::pieces("  a\t\tb  c \t")), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_TRUE(LineBoxes::pieces(" \t ").empty());
    EXPECT_TRUE(LineBoxes::pieces("").empty());
}

TEST(LineBoxesTest, WordInsideEarlierWordIsFoundAfterIt)
{
    // "ab" also occurs inside "cab": the cursor must not send the second piece back into the first.
    const auto pieces = LineBoxes::pieces("cab ab");
    ASSERT_EQ(pieces.size(), 2u);
    EXPECT_EQ(pieces[1].begin, 4u);
}

TEST(LineBoxesTest, LocatesMultiByteSymbolsAsWholeCharacters)
{
    // "Größe €5": ö is 2 bytes, ß 2, € 3.
    const std::string line = "Größe €5";
    const auto ranges = LineBoxes::locate(line, {"G", "r", "ö", "ß", "e", "€", "5"});
    ASSERT_EQ(ranges.size(), 7u);
    EXPECT_EQ(*ranges[2], (std::pair<std::size_t, std::size_t>{2, 4}));
    EXPECT_EQ(*ranges[3], (std::pair<std::size_t, std::size_t>{4, 6}));
    EXPECT_EQ(*ranges[5], (std::pair<std::size_t, std::size_t>{8, 11}));
    EXPECT_EQ(*ranges[6], (std::pair<std::size_t, std::size_t>{11, 12}));
}

TEST(LineBoxesTest, RepeatedSymbolsAreLocatedInOrderAndUnknownOnesAreLeftOut)
{
    const auto ranges = LineBoxes::locate("aa a", {"a", "a", "?", "a"});
    EXPECT_EQ(ranges[0]->first, 0u);
    EXPECT_EQ(ranges[1]->first, 1u);
    EXPECT_FALSE(ranges[2].has_value());
    EXPECT_EQ(ranges[3]->first, 3u);
}

TEST(LineBoxesTest, WordBoxIsUnionOfItsSymbolsOnly)
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
}

TEST(LineBoxesTest, MultiByteWordCoversItsWholeSymbols)
{
    const std::string line = "€5 €5";
    const auto ranges = LineBoxes::locate(line, {"€", "5", "€", "5"});
    std::vector<Symbol> symbols;
    for (std::size_t i = 0; i < ranges.size(); ++i)
        symbols.push_back(Symbol{ranges[i]->first, ranges[i]->second, PixelBox{int(i) * 10, 0, int(i) * 10 + 8, 10}});
    const auto pieces = LineBoxes::pieces(line);
    ASSERT_EQ(pieces.size(), 2u);
    EXPECT_EQ(LineBoxes::boxOf(pieces[0].begin, pieces[0].end, symbols), (PixelBox{0, 0, 18, 10}));
    EXPECT_EQ(LineBoxes::boxOf(pieces[1].begin, pieces[1].end, symbols), (PixelBox{20, 0, 38, 10}));
}
