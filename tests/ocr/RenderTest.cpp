#include "ocr/TableBuilder.h"

#include <gtest/gtest.h>

using TableBuilder::escapeCSV;
using TableBuilder::escapeMD;
using TableBuilder::renderCSV;
using TableBuilder::renderMarkdown;

TEST(RenderMarkdownTest, HeaderSeparatorAndRows)
{
    EXPECT_EQ(renderMarkdown({{"A", "B"}, {"1", "2"}}), "| A | B |\n| --- | --- |\n| 1 | 2 |");
    EXPECT_EQ(renderMarkdown({{"Only"}}), "| Only |\n| --- |");
}

TEST(RenderMarkdownTest, EmptyGridAndEmptyFirstRow)
{
    EXPECT_EQ(renderMarkdown({}), "");
    EXPECT_EQ(renderMarkdown({{}}), "|  |\n|  |");
}

TEST(RenderMarkdownTest, RaggedRowsArePaddedAndNeverLoseCells)
{
    // Regression guard: cutting rows to the first row's width would silently drop the surplus cells.
    EXPECT_EQ(renderMarkdown({{"A"}, {"1", "2"}, {}}), "| A |  |\n| --- | --- |\n| 1 | 2 |\n|  |  |");
}

TEST(RenderMarkdownTest, EscapesPipesOnly)
{
    EXPECT_EQ(escapeMD("a|b"), "a\\|b");
    EXPECT_EQ(escapeMD(" *x* \\ "), " *x* \\ ");
    EXPECT_EQ(renderMarkdown({{"a|b", "c"}, {"1", "2"}}), "| a\\|b | c |\n| --- | --- |\n| 1 | 2 |");
}

TEST(RenderMarkdownTest, LineBreakInCellKeepsRowIntact)
{
    // A raw line feed would end the table row in the middle of the cell.
    EXPECT_EQ(escapeMD("one\ntwo"), "one<br>two");
    EXPECT_EQ(escapeMD("one\r\ntwo\rthree"), "one<br>two<br>three");
    const std::string md = renderMarkdown({{"H1", "H2"}, {"one\ntwo", "x"}});
    EXPECT_EQ(md, "| H1 | H2 |\n| --- | --- |\n| one<br>two | x |");
}

TEST(RenderCSVTest, RowsJoinedWithLineFeedsNoHeaderNoPadding)
{
    EXPECT_EQ(renderCSV({{"a", "b"}, {"c"}, {}}), "a,b\nc\n");
    EXPECT_EQ(renderCSV({}), "");
    EXPECT_EQ(renderCSV({{"", ""}}), ",");
}

TEST(RenderCSVTest, QuotesOnlyWhenNeeded)
{
    EXPECT_EQ(escapeCSV("plain"), "plain");
    EXPECT_EQ(escapeCSV("  lead\ttab"), "  lead\ttab");
    EXPECT_EQ(escapeCSV("1,5"), "\"1,5\"");
    EXPECT_EQ(escapeCSV("say \"hi\", ok"), "\"say \"\"hi\"\", ok\"");
    EXPECT_EQ(escapeCSV("two\nlines"), "\"two\nlines\"");
    EXPECT_EQ(escapeCSV(""), "");
    EXPECT_EQ(renderCSV({{"x,y", "z"}}), "\"x,y\",z");
}

TEST(RenderCSVTest, CarriageReturnIsQuoted)
{
    // Spreadsheet readers end a record at a bare carriage return; unquoted it would split the row.
    EXPECT_EQ(escapeCSV("a\rb"), "\"a\rb\"");
}
