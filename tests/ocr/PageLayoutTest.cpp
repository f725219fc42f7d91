#include "ocr/PageLayout.h"

#include "ocr/Table.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>

using Settings::OutputMode;

namespace {
constexpr double wordHeight = 20;
constexpr double charWidth = 11;

// A page drawn as word boxes: lines are given top first with their words and left edges, y counted from the top.
struct PageBuilder
{
    int width = 1200;
    int height = 1600;
    PageLayout::Page page;

    PageBuilder()
    {
        page.width = width;
        page.height = height;
    }

    // Adds one line whose words start at the given x positions (a text line: one position, words follow with
    // one space between them).
    void line(double top, std::vector<std::pair<double, std::string>> cells, int block)
    {
        PageLayout::Line whole;
        whole.block = block;
        const double y = height - top - wordHeight;
        bool first = true;
        for (const auto& [x0, text] : cells) {
            double x = x0;
            std::istringstream words(text);
            std::string word;
            while (words >> word) {
                const TextRun run{word, Rect{x, y, charWidth * static_cast<double>(word.size()), wordHeight}};
                page.words.push_back(run);
                whole.box = first ? run.box : Rect{whole.box.x, y, run.box.maxX() - whole.box.x, wordHeight};
                whole.text += (first ? "" : " ") + word;
                first = false;
                x = run.box.maxX() + charWidth;
            }
        }
        page.lines.push_back(whole);
    }

    void prose(double top, const std::string& text, int block, double x = 100) { line(top, {{x, text}}, block); }
};

PageBlock textBlock(std::string text)
{
    PageBlock block;
    block.text = std::move(text);
    return block;
}

PageBlock tableBlock(TableGrid grid)
{
    PageBlock block;
    block.kind = PageBlock::Kind::Table;
    block.grid = std::move(grid);
    return block;
}

std::vector<PageBlock::Kind> kinds(const std::vector<PageBlock>& blocks)
{
    std::vector<PageBlock::Kind> out;
    for (const PageBlock& block : blocks)
        out.push_back(block.kind);
    return out;
}

// A grey image with the given horizontal rules (y from the top, x range) drawn 2 px thick.
struct Rule
{
    int top;
    int x0;
    int x1;
};

Image ruled(int width, int height, const std::vector<Rule>& rules, const std::vector<Rule>& verticals = {})
{
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height, 255);
    for (const Rule& r : rules)
        for (int y = r.top; y < r.top + 2; ++y)
            for (int x = r.x0; x < r.x1; ++x)
                pixels[static_cast<std::size_t>(y) * width + x] = 0;
    // A vertical rule: `top` is its x, x0..x1 its rows.
    for (const Rule& r : verticals)
        for (int y = r.x0; y < r.x1; ++y)
            for (int x = r.top; x < r.top + 2; ++x)
                pixels[static_cast<std::size_t>(y) * width + x] = 0;
    return Image::copyOf(width, height, width, Image::Format::Grey8, pixels.data());
}

const TableGrid prices{{"Item", "Qty", "Price"}, {"Tea", "3", "4.50"}, {"Cake", "1", "2.00"}, {"Jam", "2", "3.10"}};

// Paragraph, table of `prices` (columns at 100, 400, 700), paragraph.
PageBuilder tableBetweenParagraphs()
{
    PageBuilder b;
    b.prose(100, "The shop sold these items on the first day of the spring fair", 1);
    b.prose(130, "and the list below gives each with its count and price", 1);
    for (std::size_t r = 0; r < prices.size(); ++r)
        b.line(200 + 40 * static_cast<double>(r), {{100, prices[r][0]}, {400, prices[r][1]}, {700, prices[r][2]}}, 2);
    b.prose(400, "Prices include the tax that was paid at the door of the hall", 3);
    return b;
}
} // namespace

TEST(PageRenderTest, ModesRenderBlocksInReadingOrder)
{
    const std::vector<PageBlock> blocks{textBlock("Intro line"), tableBlock({{"a", "b"}, {"1", "2"}}),
                                        textBlock("Outro"), tableBlock({{"x", "y"}, {"3", "4"}})};
    EXPECT_EQ(PageLayout::render(blocks, OutputMode::Auto),
              "Intro line\n\n| a | b |\n| --- | --- |\n| 1 | 2 |\n\nOutro\n\n| x | y |\n| --- | --- |\n| 3 | 4 |");
    EXPECT_EQ(PageLayout::render(blocks, OutputMode::MarkdownTable), PageLayout::render(blocks, OutputMode::Auto));
    EXPECT_EQ(PageLayout::render(blocks, OutputMode::CSV), "a,b\n1,2\n\nx,y\n3,4") << "tables only, one empty line";
    EXPECT_EQ(PageLayout::render(blocks, OutputMode::PlainText), "Intro line\n\na\tb\n1\t2\n\nOutro\n\nx\ty\n3\t4");

    PageBlock picture;
    picture.kind = PageBlock::Kind::Picture;
    const std::vector<PageBlock> noTable{textBlock("Only"), picture, textBlock("text")};
    EXPECT_EQ(PageLayout::render(noTable, OutputMode::CSV), "Only\n\ntext") << "no table: the plain text";

    OCRResult page;
    page.blocks = blocks;
    EXPECT_EQ(outputText(page, OutputMode::CSV), "a,b\n1,2\n\nx,y\n3,4");
    EXPECT_EQ(tableGrids(page).size(), 2u);
    EXPECT_EQ(page.plainText(), PageLayout::render(blocks, OutputMode::PlainText));
}

TEST(PageLayoutTest, WhitespaceTableBetweenParagraphsKeepsItsTextOutOfTheTable)
{
    const PageBuilder b = tableBetweenParagraphs();
    const std::vector<PageBlock> blocks = PageLayout::layOut(b.page, nullptr, nullptr);
    ASSERT_EQ(kinds(blocks), (std::vector{PageBlock::Kind::Text, PageBlock::Kind::Table, PageBlock::Kind::Text}));
    EXPECT_EQ(blocks[1].grid, prices);
    EXPECT_EQ(blocks[0].text, "The shop sold these items on the first day of the spring fair\n"
                              "and the list below gives each with its count and price");
    EXPECT_EQ(blocks[2].text, "Prices include the tax that was paid at the door of the hall");
}

TEST(PageLayoutTest, HorizontalRulesOnlyFrameTheTable)
{
    PageBuilder b = tableBetweenParagraphs();
    // Rules above the header, under it and under the last row; the header row is closer to its column
    // neighbours than a whitespace table would accept on its own.
    const Image image = ruled(b.width, b.height, {{190, 90, 900}, {232, 90, 900}, {355, 90, 900}});
    const std::vector<PageBlock> blocks = PageLayout::layOut(b.page, &image, nullptr);
    ASSERT_EQ(kinds(blocks), (std::vector{PageBlock::Kind::Text, PageBlock::Kind::Table, PageBlock::Kind::Text}));
    EXPECT_TRUE(blocks[1].ruled);
    EXPECT_EQ(blocks[1].grid, prices);
}

TEST(PageLayoutTest, RuledTableTakesItsColumnsFromRulesAndFromWhiteSpaceBetweenThem)
{
    PageBuilder b;
    b.prose(100, "A heading above the grid of the report", 1);
    // "Tea cakes" and "Jam" sit close to their counts: only a rule separates them. No rule stands between the
    // price and the shop, whose white space alone splits the last band.
    const TableGrid grid{
        {"Name", "Count", "Price", "Shop"}, {"Tea cakes", "3", "4.50", "North"}, {"Jam", "12", "3.10", "South"}};
    for (std::size_t r = 0; r < grid.size(); ++r)
        b.line(200 + 40 * static_cast<double>(r),
               {{100, grid[r][0]}, {220, grid[r][1]}, {400, grid[r][2]}, {550, grid[r][3]}}, 2);
    b.prose(400, "A closing remark under the grid of the report", 3);
    const std::vector<int> across{190, 232, 272, 312};
    std::vector<Rule> rules, down;
    for (const int y : across)
        rules.push_back({y, 90, 700});
    // Drawn cell by cell: a pixel of ground where each vertical rule meets a rule across.
    for (const int x : {90, 210, 328, 698})
        for (std::size_t i = 0; i + 1 < across.size(); ++i)
            down.push_back({x, across[i] + 3, across[i + 1] - 1});
    const Image image = ruled(b.width, b.height, rules, down);
    const std::vector<PageBlock> blocks = PageLayout::layOut(b.page, &image, nullptr);
    ASSERT_EQ(kinds(blocks), (std::vector{PageBlock::Kind::Text, PageBlock::Kind::Table, PageBlock::Kind::Text}));
    EXPECT_EQ(blocks[1].grid, grid);
}

TEST(PageLayoutTest, TwoTablesOnOnePageStaySeparateAndInOrder)
{
    PageBuilder b;
    b.prose(50, "First the prices of the fair as they were announced", 1);
    for (std::size_t r = 0; r < prices.size(); ++r)
        b.line(120 + 40 * static_cast<double>(r), {{100, prices[r][0]}, {400, prices[r][1]}, {700, prices[r][2]}}, 2);
    b.prose(320, "Then the visitors counted at each of the two doors of the hall", 3);
    const TableGrid doors{{"Door", "Visitors"}, {"North", "120"}, {"South", "95"}};
    for (std::size_t r = 0; r < doors.size(); ++r)
        b.line(400 + 40 * static_cast<double>(r), {{100, doors[r][0]}, {500, doors[r][1]}}, 4);
    const std::vector<PageBlock> blocks = PageLayout::layOut(b.page, nullptr, nullptr);
    ASSERT_EQ(kinds(blocks), (std::vector{PageBlock::Kind::Text, PageBlock::Kind::Table, PageBlock::Kind::Text,
                                          PageBlock::Kind::Table}));
    EXPECT_EQ(blocks[1].grid, prices);
    EXPECT_EQ(blocks[3].grid, doors);
}

TEST(PageLayoutTest, TwoColumnsOfProseAreNoTableAndKeepTheirOrder)
{
    PageBuilder b;
    // The source reads the left column first; its lines stand level with the right column's.
    for (int i = 0; i < 8; ++i)
        b.prose(100 + 30 * i, "left column words run on and on here " + std::to_string(i), 1, 60);
    for (int i = 0; i < 8; ++i)
        b.prose(100 + 30 * i, "right column words run on and on too " + std::to_string(i), 2, 640);
    const std::vector<PageBlock> blocks = PageLayout::layOut(b.page, nullptr, nullptr);
    ASSERT_EQ(kinds(blocks), (std::vector{PageBlock::Kind::Text, PageBlock::Kind::Text}));
    EXPECT_EQ(blocks[0].text.substr(0, 4), "left");
    EXPECT_EQ(blocks[1].text.substr(0, 5), "right");
}

TEST(PageLayoutTest, TextLayerWordsBecomeLinesAndBlocks)
{
    // Words in reading order: two lines of the left column, then the right column, all level with each other.
    std::vector<TextRun> words;
    const auto word = [&](std::string text, double x, double top) {
        words.push_back(TextRun{std::move(text), Rect{x, 1000 - top - 20, 11.0 * 5, 20}});
    };
    word("Alpha", 50, 100);
    word("beta", 110, 100);
    word("gamma", 50, 125);
    word("Delta", 600, 100);
    word("epsilon", 660, 100);
    const PageLayout::Page page = PageLayout::fromWords(words, {true, false, false, true, false}, 1000, 1000);
    ASSERT_EQ(page.lines.size(), 3u);
    EXPECT_EQ(page.lines[0].text, "Alpha beta");
    EXPECT_EQ(page.lines[1].text, "gamma");
    EXPECT_EQ(page.lines[2].text, "Delta epsilon");
    EXPECT_EQ(page.lines[0].block, page.lines[1].block);
    EXPECT_NE(page.lines[1].block, page.lines[2].block) << "going back up starts a new block";
}

TEST(PageLayoutBadInputTest, BrokenBoxesHundredsOfRegionsAndHugeTablesEndQuickly)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    std::vector<TextRun> broken{TextRun{"zero", Rect{10, 10, 0, 0}}, TextRun{"nan", Rect{nan, 5, 10, 10}},
                                TextRun{"ok", Rect{10, 10, 20, 10}}};
    const PageLayout::Page page = PageLayout::fromWords(broken, {}, 100, 100);
    ASSERT_EQ(page.lines.size(), 1u);
    EXPECT_EQ(page.lines[0].text, "ok");

    // Hundreds of tiny boxes drawn as short rules: none is a table.
    std::vector<Rule> tiny;
    for (int y = 10; y < 990; y += 12)
        for (int x = 10; x < 990; x += 60)
            tiny.push_back({y, x, x + 30});
    const Image noise = ruled(1000, 1000, tiny);
    EXPECT_TRUE(PageLayout::ruledRegions(noise, {}).empty());

    // One table of 2,000 rows: one table block holding every row.
    PageBuilder b;
    b.height = 2000 * 30 + 100;
    for (int r = 0; r < 2000; ++r)
        b.line(50 + 30.0 * r, {{100, "row" + std::to_string(r)}, {400, std::to_string(r * 7)}}, 1);
    const std::vector<PageBlock> blocks = PageLayout::layOut(b.page, nullptr, nullptr);
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_EQ(blocks[0].grid.size(), 2000u);
}
