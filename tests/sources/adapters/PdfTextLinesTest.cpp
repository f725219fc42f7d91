#include "sources/poppler/PdfTextLines.h"

#include <gtest/gtest.h>

#include <limits>
#include <tuple>

using PdfTextLines::Word;

namespace {
// A word of `text` set in a 10 pt font whose characters are 5 pt wide, baseline at `bottom`.
Word word(std::string text, double x0, double bottom, bool spaceAfter = true)
{
    const double width = 5.0 * static_cast<double>(PdfTextLines::codePoints(text));
    return Word{std::move(text), {x0, bottom - 10, x0 + width, bottom}, spaceAfter};
}
} // namespace

TEST(PdfTextLinesTest, WordsGroupIntoLinesTopFirstAndCellsAtWideGaps)
{
    Word nan = word("nan", 10, 100);
    nan.box.x1 = std::numeric_limits<double>::quiet_NaN();
    using Texts = std::vector<std::string>;
    const std::vector<std::tuple<std::vector<Word>, Texts, const char*>> cases{
        {{word("world", 40, 100), word("Hello", 10, 100)}, {"Hello world"}, "sorted by position, not Poppler's order"},
        // "Apple" ends at 35; a gap of 10 (two characters) joins, a gap of 11 starts the next cell.
        {{word("Apple", 10, 50), word("3", 45, 50)}, {"Apple 3"}, "gap of two characters"},
        {{word("Apple", 10, 50), word("3", 46, 50)}, {"Apple", "3"}, "wider gap"},
        {{word("lower", 10, 200), word("upper", 10, 100), word("right", 200, 100), word("mid", 10, 150)},
         {"upper", "right", "mid", "lower"},
         "top first, rows do not merge"},
        // Glyphs of different fonts on one baseline report slightly different bottoms.
        {{word("Total", 10, 100), word("due", 40, 102.5)}, {"Total due"}, "baseline jitter"},
        {{word("Total", 10, 100), word("due", 40, 104)}, {"Total", "due"}, "another line"},
        // Poppler splits a word where the font changes (a bold letter inside a word) and reports no space after it.
        {{word("Ex", 10, 100, false), word("ample", 20, 100)}, {"Example"}, "pieces of one word"},
        {{word("o\uFB03ce", 10, 100)}, {"office"}, "ligature"},
        {{word(" \t", 10, 100), nan}, {}, "blank and broken words"},
    };
    for (const auto& [words, expected, why] : cases) {
        Texts texts;
        for (const auto& line : PdfTextLines::group(words))
            texts.push_back(line.text);
        EXPECT_EQ(texts, expected) << why;
    }
    const auto lines = PdfTextLines::group({word("world", 40, 100), word("Hello", 10, 100)});
    EXPECT_DOUBLE_EQ(lines.at(0).box.x0, 10);
    EXPECT_DOUBLE_EQ(lines.at(0).box.x1, 65);
}

TEST(PdfTextLinesTest, LigaturesTrimAndCodePoints)
{
    EXPECT_EQ(PdfTextLines::spellLigatures("\uFB01le \uFB00 \uFB02ow e\uFB03cient wa\uFB04e"),
              "file ff flow efficient waffle");
    // Neighbouring code points of the same block and plain text pass through.
    EXPECT_EQ(PdfTextLines::spellLigatures("\uFB13 \xEF\xAC"), "\uFB13 \xEF\xAC");
    EXPECT_EQ(PdfTextLines::trim("\f\n  a b \r\n"), "a b");
    EXPECT_EQ(PdfTextLines::trim(" \n "), "");
    EXPECT_EQ(PdfTextLines::codePoints("a\u2014\U0001F600"), 3u);
}
