#include "sources/poppler/PdfTextLines.h"

#include <gtest/gtest.h>

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
