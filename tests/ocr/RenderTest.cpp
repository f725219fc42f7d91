#include "ocr/TableBuilder.h"

#include <gtest/gtest.h>

using TableBuilder::escapeMD;
using TableBuilder::renderCSV;
using TableBuilder::renderMarkdown;

TEST(RenderMarkdownTest, Grids)
{
    const std::vector<std::pair<TableGrid, std::string>> cases{
        {{{"A", "B"}, {"1", "2"}}, "| A | B |\n| --- | --- |\n| 1 | 2 |"},
        {{{"Only"}}, "| Only |\n| --- |"},
        {{}, ""},
        {{{}}, "|  |\n|  |"},
        // Regression guard: cutting rows to the first row's width would silently drop the surplus cells.
        {{{"A"}, {"1", "2"}, {}}, "| A |  |\n| --- | --- |\n| 1 | 2 |\n|  |  |"},
        {{{"a|b", "c"}, {"1", "2"}}, "| a\\|b | c |\n| --- | --- |\n| 1 | 2 |"},
        // A raw line feed would end the table row in the middle of the cell.
        {{{"H1", "H2"}, {"one\ntwo", "x"}}, "| H1 | H2 |\n| --- | --- |\n| one<br>two | x |"},
    };
    for (const auto& [grid, markdown] : cases)
        EXPECT_EQ(renderMarkdown(grid), markdown);
    EXPECT_EQ(escapeMD(" *x* \\ "), " *x* \\ ") << "only pipes are escaped";
    EXPECT_EQ(escapeMD("one\r\ntwo\rthree"), "one<br>two<br>three");
}

TEST(RenderCSVTest, RowsJoinedWithLineFeedsAndCellsQuotedOnlyWhenNeeded)
{
    const std::vector<std::pair<TableGrid, std::string>> cases{
        {{{"a", "b"}, {"c"}, {}}, "a,b\nc\n"}, // no header, no padding
        {{}, ""},
        {{{"", ""}}, ","},
        {{{"plain", "  lead\ttab"}}, "plain,  lead\ttab"},
        {{{"1,5", "say \"hi\", ok"}}, "\"1,5\",\"say \"\"hi\"\", ok\""},
        {{{"two\nlines"}}, "\"two\nlines\""},
        // Spreadsheet readers end a record at a bare carriage return; unquoted it would split the row.
        {{{"a\rb"}}, "\"a\rb\""},
    };
    for (const auto& [grid, csv] : cases)
        EXPECT_EQ(renderCSV(grid), csv);
}
