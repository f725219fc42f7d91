#include "sources/poppler/PdfTextLines.h"

#include <gtest/gtest.h>

using PdfTextLines::Word;

namespace {

// A word of `text` set in a 10 pt font whose characters are 5 pt wide, baseline at `bottom`.
Word word(std::string text, double x0, double bottom, bool spaceAfter = true)
{
    const double width = 5.0 * static_cast<double>(PdfTextLines::codePoints(text));
    return Word{std::move(text), {x0, bottom - 10, x0 + width, bottom}, spaceAfter};
}

std::vector<std::string> texts(const std::vector<PdfTextLines::Line>& lines)
{
    std::vector<std::string> out;
    for (const auto& line : lines)
        out.push_back(line.text);
    return out;
}

} // namespace

TEST(PdfTextLinesTest, WordsOfOneBaselineWithSpacesFormOneLine)
{
    // Poppler's order need not be reading order: the grouping sorts by position.
    const auto lines = PdfTextLines::group({word("world", 40, 100), word("Hello", 10, 100)});
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].text, "Hello world");
    EXPECT_DOUBLE_EQ(lines[0].box.x0, 10);
    EXPECT_DOUBLE_EQ(lines[0].box.x1, 65);
}

TEST(PdfTextLinesTest, GapWiderThanTwoCharactersSeparatesTableCells)
{
    // "Apple" ends at 35; a gap of 10 (two characters) joins, a gap of 11 starts the next cell.
    EXPECT_EQ(texts(PdfTextLines::group({word("Apple", 10, 50), word("3", 45, 50)})),
              std::vector<std::string>{"Apple 3"});
    EXPECT_EQ(texts(PdfTextLines::group({word("Apple", 10, 50), word("3", 46, 50)})),
              (std::vector<std::string>{"Apple", "3"}));
}

TEST(PdfTextLinesTest, LinesComeTopFirstAndRowsDoNotMerge)
{
    const auto lines = PdfTextLines::group(
        {word("lower", 10, 200), word("upper", 10, 100), word("right", 200, 100), word("mid", 10, 150)});
    EXPECT_EQ(texts(lines), (std::vector<std::string>{"upper", "right", "mid", "lower"}));
}

TEST(PdfTextLinesTest, SmallBaselineJitterStaysOnTheLine)
{
    // Glyphs of different fonts on one baseline report slightly different bottoms.
    const auto lines = PdfTextLines::group({word("Total", 10, 100), word("due", 40, 102.5)});
    EXPECT_EQ(texts(lines), std::vector<std::string>{"Total due"});
    EXPECT_EQ(PdfTextLines::group({word("Total", 10, 100), word("due", 40, 104)}).size(), 2u);
}

TEST(PdfTextLinesTest, AdjacentPiecesWithoutSpaceAreJoinedWithoutOne)
{
    // Poppler splits a word where the font changes (a bold letter inside a word) and reports no space after it.
    const auto lines = PdfTextLines::group({word("Ex", 10, 100, false), word("ample", 20, 100)});
    EXPECT_EQ(texts(lines), std::vector<std::string>{"Example"});
}

TEST(PdfTextLinesTest, LigaturesAreSpelledOut)
{
    EXPECT_EQ(PdfTextLines::spellLigatures("\uFB01le \uFB00 \uFB02ow e\uFB03cient wa\uFB04e"),
              "file ff flow efficient waffle");
    // Neighbouring code points of the same block and plain text pass through.
    EXPECT_EQ(PdfTextLines::spellLigatures("\uFB13 \xEF\xAC"), "\uFB13 \xEF\xAC");
    const auto lines = PdfTextLines::group({word("o\uFB03ce", 10, 100)});
    EXPECT_EQ(texts(lines), std::vector<std::string>{"office"});
}

TEST(PdfTextLinesTest, BlankAndBrokenWordsAreDropped)
{
    Word nan = word("nan", 10, 100);
    nan.box.x1 = std::numeric_limits<double>::quiet_NaN();
    EXPECT_TRUE(PdfTextLines::group({word(" \t", 10, 100), nan}).empty());
    EXPECT_TRUE(PdfTextLines::group({}).empty());
}

TEST(PdfTextLinesTest, TrimAndCodePoints)
{
    EXPECT_EQ(PdfTextLines::trim("\f\n  a b \r\n"), "a b");
    EXPECT_EQ(PdfTextLines::trim(" \n "), "");
    EXPECT_EQ(PdfTextLines::codePoints("a\u2014\U0001F600"), 3u);
}
