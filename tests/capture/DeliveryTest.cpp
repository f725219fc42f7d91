#include "capture/Delivery.h"

#include "TableResult.h"
#include "ocr/Table.h"
#include "ocr/TableBuilder.h"

#include <gtest/gtest.h>

#include <tuple>

using Settings::OutputMode;

namespace {
using TableResult::run;

OCRResult proseResult()
{
    OCRResult result;
    result.words = {run("Hello", 0, 40), run("world", 45, 40)};
    result.lines = {run("Hello world", 0, 40, 85)};
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

TEST(DeliveryTest, TablesByModeWithTheirMessages)
{
    const OCRResult result = TableResult::table();
    ASSERT_TRUE(tableMarkdown(result));
    const std::vector<std::tuple<OutputMode, std::string, std::string, bool>> cases{
        {OutputMode::Auto, *tableMarkdown(result), "Copied table", true},
        {OutputMode::MarkdownTable, *tableMarkdown(result), "Copied table (Markdown)", true},
        {OutputMode::CSV, *tableCSV(result), "Copied table (CSV)", true},
        {OutputMode::PlainText, result.plainText(), "Copied text", false},
        {OutputMode::Code, result.plainText(), "Copied text", false},
    };
    for (const auto& [mode, text, message, isTable] : cases) {
        const auto choice = Delivery::choose(result, mode);
        ASSERT_TRUE(choice) << message;
        EXPECT_EQ(choice->text, text);
        EXPECT_EQ(choice->message, message);
        EXPECT_EQ(choice->isTable, isTable) << message;
        // Cells for spreadsheets beside every table text, and never beside plain text.
        EXPECT_EQ(choice->html.find("<table>") != std::string::npos, isTable) << message;
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

TEST(DeliveryTest, TableModesWithoutTableFallBackToText)
{
    const OCRResult result = proseResult();
    for (OutputMode mode : {OutputMode::MarkdownTable, OutputMode::CSV}) {
        const auto choice = Delivery::choose(result, mode);
        ASSERT_TRUE(choice);
        EXPECT_EQ(choice->text, "Hello world");
        EXPECT_EQ(choice->message, "No table found — copied text");
        EXPECT_FALSE(choice->isTable);
    }
    EXPECT_EQ(Delivery::choose(result, OutputMode::Auto)->message, "Copied text");
}

TEST(DeliveryTest, BarcodesAreAppendedOrStandAlone)
{
    OCRResult onlyCode;
    onlyCode.barcodes = {"https://example.com/a", "second"};
    auto choice = Delivery::choose(onlyCode, OutputMode::Auto);
    ASSERT_TRUE(choice);
    EXPECT_EQ(choice->text, "https://example.com/a\nsecond");
    EXPECT_EQ(choice->message, "Copied QR/barcode");
    EXPECT_FALSE(choice->isTable);
    EXPECT_TRUE(choice->html.empty());

    OCRResult prose = proseResult();
    prose.barcodes = {"payload"};
    choice = Delivery::choose(prose, OutputMode::CSV);
    EXPECT_EQ(choice->text, "Hello world\npayload");
    EXPECT_EQ(choice->message, "No table found — copied text + QR");

    OCRResult table = TableResult::table();
    table.barcodes = {"payload"};
    choice = Delivery::choose(table, OutputMode::Auto);
    EXPECT_EQ(choice->text, *tableMarkdown(table) + "\npayload");
    EXPECT_EQ(choice->message, "Copied table + QR");
    EXPECT_TRUE(choice->isTable); // " + QR" keeps the table mark
    EXPECT_FALSE(choice->html.empty());
}
