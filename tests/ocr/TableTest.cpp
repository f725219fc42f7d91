#include "ocr/Table.h"

#include "ocr/TableBuilder.h"

#include <gtest/gtest.h>

#include <tuple>

using Settings::OutputMode;

namespace {
TextRun run(std::string text, double x, double y, double w = 40, double h = 20)
{
    return TextRun{std::move(text), Rect{x, y, w, h}};
}

// A result whose word runs form a 2 × 2 whitespace table and whose line runs are the two printed lines.
OCRResult twoByTwo()
{
    OCRResult result;
    result.words = {run("Name", 0, 80), run("Qty", 200, 80), run("Tea", 0, 40), run("3", 200, 40)};
    result.lines = result.words;
    return result;
}

OCRResult prose()
{
    OCRResult result;
    result.lines = {run("Hello there,", 0, 80, 200), run("general.", 0, 40, 150)};
    result.words = {run("Hello", 0, 80), run("there,", 50, 80), run("general.", 0, 40, 150)};
    return result;
}

// A 3 × 3 ruled table, 600 × 200 px, with 2 px black rulings. In the header row "Name" and "Qty" sit 10 px apart
// on either side of a ruling: white space alone would take them for one cell.
OCRResult ruled()
{
    const int width = 600, height = 200;
    std::vector<std::uint8_t> px(static_cast<std::size_t>(width * height), 255);
    for (int y = 0; y < height; ++y)
        for (int x : {10, 200, 400, 588})
            px[static_cast<std::size_t>(y * width + x)] = px[static_cast<std::size_t>(y * width + x + 1)] = 0;
    for (int y : {10, 70, 130, 188}) // from the top, as images store rows
        std::fill_n(px.begin() + y * width, 2 * width, std::uint8_t{0});
    OCRResult result;
    result.image = Image::copyOf(width, height, width, Image::Format::Grey8, px.data());
    // Image rows 10..70 from the top are y 130..190 from the bottom.
    result.words = {run("Name", 150, 150, 45), run("Qty", 205, 150), run("Price", 410, 150),
                    run("Tea", 20, 90),        run("3", 210, 90),    run("4", 410, 90),
                    run("Cake", 20, 30),       run("1", 210, 30),    run("6", 410, 30)};
    return result;
}
} // namespace

TEST(MergeStackedHeaderTest, JoinsContinuationRowsIntoTheHeader)
{
    TableRow header(10, "h"), three(10, ""); // ten columns: k = 4
    three[0] = three[1] = three[2] = "x";
    TableRow four = three;
    four[3] = "x";
    TableRow merged = header;
    merged[0] = merged[1] = merged[2] = "h x";
    const std::vector<std::tuple<TableGrid, TableGrid, const char*>> cases{
        {{{"Unit", "Price"}, {"", "(EUR)"}}, {{"Unit", "Price"}, {"", "(EUR)"}}, "two rows are too short"},
        {{{"a", ""}, {"", "b"}, {"c", ""}}, {{"a", ""}, {"", "b"}, {"c", ""}}, "no row fills k = 2 cells"},
        {{{"Unit", "Price"}, {"", "(EUR)"}, {"kg", "4"}, {"l", "2"}},
         {{"Unit", "Price (EUR)"}, {"kg", "4"}, {"l", "2"}},
         "continuation joins under its column"},
        {{{"A", "", "C"}, {"", "B", ""}, {"1", "2", "3"}}, {{"A", "B", "C"}, {"1", "2", "3"}}, "fills an empty cell"},
        {{{"A", "B"}, {"a1", ""}, {"a2", ""}, {"a3", ""}, {"a4", ""}, {"1", "2"}},
         {{"A a1 a2 a3", "B"}, {"a4", ""}, {"1", "2"}},
         "at most three continuation rows"},
        {{{"A", "B"}, {"", ""}, {"1", "2"}}, {{"A", "B"}, {"1", "2"}}, "empty rows under the header vanish"},
        {{{"Invoice", ""}, {"Unit", "Price"}, {"", "(EUR)"}, {"kg", "4"}},
         {{"Invoice", ""}, {"Unit", "Price (EUR)"}, {"kg", "4"}},
         "a title above the header stays first"},
        {{header, three, four}, {merged, four}, "ten columns: 3 filled cells continue the header"},
        {{header, four, three}, {header, four, three}, "ten columns: 4 filled cells are data"},
        {{{"a", "b", "c"}, {"", "d", ""}, {"1", "2", "3"}}, {{"a", "b d", "c"}, {"1", "2", "3"}}, "floor of k = 2"},
        {{{"A", "B"}, {" ", "x"}, {"1", "2"}}, {{"A", "B"}, {" ", "x"}, {"1", "2"}}, "spaces count as filled"},
        // Ragged rows must not crash: merges only touch cells both rows have.
        {{{"A", "B", "C"}, {"x"}, {"1", "2", "3"}}, {{"A x", "B", "C"}, {"1", "2", "3"}}, "short continuation"},
        {{{"A", "B"}, {"", "", "", "z"}, {"1", "2"}}, {{"A", "B"}, {"1", "2"}}, "long continuation"},
    };
    for (const auto& [grid, expected, why] : cases)
        EXPECT_EQ(mergeStackedHeader(grid), expected) << why;
}

TEST(TableGridTest, RuledGridThenWhitespaceWithTheHeaderMerged)
{
    const TableGrid nameQty{{"Name", "Qty"}, {"Tea", "3"}};
    OCRResult unruled = twoByTwo();
    unruled.image = Image::blankGrey(300, 120);
    OCRResult stacked;
    stacked.words = {run("Unit", 0, 160), run("Price", 200, 160), run("(EUR)", 200, 120), run("kg", 0, 80),
                     run("4", 200, 80),   run("l", 0, 40),        run("2", 200, 40)};
    const std::vector<std::tuple<OCRResult, std::optional<TableGrid>, const char*>> cases{
        {twoByTwo(), nameQty, "white space"},
        {prose(), std::nullopt, "prose is no table"},
        {stacked, TableGrid{{"Unit", "Price (EUR)"}, {"kg", "4"}, {"l", "2"}}, "header merged"},
        {ruled(), TableGrid{{"Name", "Qty", "Price"}, {"Tea", "3", "4"}, {"Cake", "1", "6"}}, "rulings"},
        {unruled, nameQty, "an unruled image"},
    };
    for (const auto& [result, expected, why] : cases)
        EXPECT_EQ(tableGrid(result), expected) << why;
    EXPECT_EQ(TableBuilder::grid(ruled().words)->front(), (TableRow{"", "Name Qty", "Price"}))
        << "white space alone joins the ruled cells";
}

TEST(OutputTextTest, TableModesRenderTheTableAndEveryModeFallsBackToPlainText)
{
    // A text-layer page's own text is its plain text; its table still comes from the words.
    OCRResult pdfPage = twoByTwo();
    pdfPage.exactText = "Exact page text";
    const std::string markdown = "| Name | Qty |\n| --- | --- |\n| Tea | 3 |";
    const std::vector<std::tuple<OCRResult, OutputMode, std::string>> cases{
        {twoByTwo(), OutputMode::Auto, markdown},
        {twoByTwo(), OutputMode::MarkdownTable, markdown},
        {twoByTwo(), OutputMode::CSV, "Name,Qty\nTea,3"},
        {twoByTwo(), OutputMode::PlainText, "Name Qty\nTea 3"},
        {twoByTwo(), OutputMode::Code, "Name Qty\nTea 3"},
        {pdfPage, OutputMode::PlainText, "Exact page text"},
        {pdfPage, OutputMode::Code, "Exact page text"},
        {pdfPage, OutputMode::CSV, "Name,Qty\nTea,3"},
        {OCRResult{}, OutputMode::CSV, ""},
    };
    for (const auto& [result, mode, text] : cases)
        EXPECT_EQ(outputText(result, mode), text) << static_cast<int>(mode);
    for (const OutputMode mode : Settings::allOutputModes)
        EXPECT_EQ(outputText(prose(), mode), "Hello there,\ngeneral.");
}

TEST(DiagnosticsTest, SmallTextUsesGapFloorAndVerdictNamesThePageTable)
{
    OCRResult result;
    result.words = {run("x", 0, 0, 10, 5.25)};
    PageBlock table;
    table.kind = PageBlock::Kind::Table;
    table.grid = TableGrid{{"A", "B"}, {"1", "2"}};
    result.blocks = {table};
    const std::string report = TableBuilder::diagnostics(result);
    EXPECT_NE(report.find("medianTextHeight=5.2px  gapThreshold=6.0px\n"), std::string::npos) << report;
    EXPECT_NE(report.find("table detected: 2 rows \u00d7 2 cols"), std::string::npos) << report;
}
