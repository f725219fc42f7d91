#include "capture/Delivery.h"

#include "TableResult.h"
#include "ocr/Table.h"
#include "ocr/TableBuilder.h"

#include <gtest/gtest.h>

using Settings::OutputMode;

namespace {
using TableResult::run;

OCRResult withCodes(OCRResult result, std::vector<std::string> barcodes)
{
    result.barcodes = std::move(barcodes);
    return result;
}
} // namespace

TEST(DeliveryTest, NothingRecognizedCopiesNothing)
{
    EXPECT_FALSE(Delivery::choose(OCRResult{}, OutputMode::Auto));
    OCRResult blank;
    blank.words = {run(" ", 0, 0)};
    blank.lines = {run(" ", 0, 0)};
    EXPECT_FALSE(Delivery::choose(blank, OutputMode::PlainText)); // must not empty the clipboard
}

// What each mode copies of a table, of prose and of codes, and what it says; cells for spreadsheets go beside every
// table text and never beside plain text.
TEST(DeliveryTest, TextAndMessageByContentAndMode)
{
    const OCRResult table = TableResult::table();
    OCRResult prose;
    prose.words = {run("Hello", 0, 40), run("world", 45, 40)};
    prose.lines = {run("Hello world", 0, 40, 85)};
    const std::string markdown = *tableMarkdown(table);
    struct Case
    {
        OCRResult result;
        OutputMode mode;
        std::string text;
        std::string message;
        bool isTable;
    };
    const Case cases[] = {
        {table, OutputMode::Auto, markdown, "Copied table", true},
        {table, OutputMode::MarkdownTable, markdown, "Copied table (Markdown)", true},
        {table, OutputMode::CSV, *tableCSV(table), "Copied table (CSV)", true},
        {table, OutputMode::PlainText, table.plainText(), "Copied text", false},
        {table, OutputMode::Code, table.plainText(), "Copied text", false},
        {prose, OutputMode::Auto, "Hello world", "Copied text", false},
        {prose, OutputMode::MarkdownTable, "Hello world", "No table found — copied text", false},
        {prose, OutputMode::CSV, "Hello world", "No table found — copied text", false},
        {withCodes({}, {"https://example.com/a", "second"}), OutputMode::Auto, "https://example.com/a\nsecond",
         "Copied QR/barcode", false},
        {withCodes(prose, {"payload"}), OutputMode::CSV, "Hello world\npayload", "No table found — copied text + QR",
         false},
        {withCodes(table, {"payload"}), OutputMode::Auto, markdown + "\npayload", "Copied table + QR", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message + " / " + c.text);
        const auto choice = Delivery::choose(c.result, c.mode);
        ASSERT_TRUE(choice);
        EXPECT_EQ(choice->text, c.text);
        EXPECT_EQ(choice->message, c.message);
        EXPECT_EQ(choice->isTable, c.isTable);
        EXPECT_EQ(choice->html.find("<table>") != std::string::npos, c.isTable);
        EXPECT_EQ(choice->html.empty(), !c.isTable);
    }
}

TEST(DeliveryTest, TableCellsAsHTMLAreEscaped)
{
    const std::string html = TableBuilder::renderHTML({{"Item", "A<B"}, {"R&D \"x\"", "1\n2"}});
    EXPECT_NE(html.find("<table><tr><th>Item</th><th>A&lt;B</th></tr><tr><td>R&amp;D &quot;x&quot;</td><td>1<br>2</td>"
                        "</tr></table>"),
              std::string::npos)
        << html;
    EXPECT_NE(html.find("charset=\"utf-8\""), std::string::npos);
    // A cell holding markup stays text: nothing in it opens a tag.
    const std::string injected = TableBuilder::renderHTML({{"<script>x</script>"}});
    EXPECT_EQ(injected.find("<script>"), std::string::npos);
}
