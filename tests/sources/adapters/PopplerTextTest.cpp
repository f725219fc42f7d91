#include "sources/poppler/PopplerText.h"

#include "LoaderFixtures.h"
#include "sources/poppler/PdfRender.h"
#include "sources/qt/ImageLoader.h"

#include <QImage>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <sstream>
#include <thread>

using namespace LoaderFixtures;

namespace {

// PDFs shared by the tests of this file, written once.
class PdfFiles
{
public:
    static const PdfFiles& get()
    {
        static PdfFiles files;
        return files;
    }
    std::string path(const std::string& name) const
    {
        return m_dir.filePath(QString::fromStdString(name)).toStdString();
    }

private:
    PdfFiles()
    {
        writePdf(path("prose.pdf"), {[](QPainter& p) {
                     p.drawText(QPointF(20, 40), "The quick brown fox jumps over the lazy dog.");
                     p.drawText(QPointF(20, 60), "Pack my box with \uFB01ve dozen liquor jugs.");
                 }});
        writePdf(path("scan.pdf"), {[](QPainter& p) {
                     QImage picture(200, 100, QImage::Format_RGB32);
                     picture.fill(Qt::white);
                     QPainter onPicture(&picture);
                     onPicture.fillRect(20, 20, 160, 60, Qt::black);
                     onPicture.end();
                     p.drawImage(QRectF(20, 20, 200, 100), picture);
                 }});
        writePdf(path("twenty.pdf"), {[](QPainter& p) { p.drawText(QPointF(20, 40), "ABCDEFGHIJKLMNOPQRST"); }});
        writePdf(path("twentyone.pdf"), {[](QPainter& p) { p.drawText(QPointF(20, 40), "ABCDEFGHIJKLMNOPQRSTU"); }});
        writePdf(path("blank-text.pdf"), {[](QPainter& p) { p.drawText(QPointF(20, 40), QString(30, ' ')); }});
        auto numbered = [](int n) {
            return
                [n](QPainter& p) { p.drawText(QPointF(20, 40), QString("This is the text of page number %1").arg(n)); };
        };
        writePdf(path("three.pdf"), {numbered(1), numbered(2), numbered(3)});
    }
    QTemporaryDir m_dir;
};

std::string path(const std::string& name)
{
    return PdfFiles::get().path(name);
}

std::optional<PageText::Layer> layer(const std::string& file, int page = 1)
{
    return PageText::layer(file, page, ImageLoader::pdfScale);
}

Image renderFirst(const std::string& file)
{
    auto image = PdfRender::render(file, 1, ImageLoader::pdfScale);
    EXPECT_TRUE(image.has_value()) << file;
    return image.value_or(Image{});
}

} // namespace

TEST(PopplerTextTest, TextLayerComesBackWordByWordWithLigaturesSpelledAndBoxesInPagePixels)
{
    const auto prose = layer(path("prose.pdf"));
    ASSERT_TRUE(prose);
    const std::string text = "The quick brown fox jumps over the lazy dog.\nPack my box with five dozen liquor jugs.";
    EXPECT_EQ(prose->text, text);
    EXPECT_FALSE(prose->few);
    EXPECT_EQ(prose->width, 1000);
    EXPECT_EQ(prose->height, 750);
    std::istringstream split(text);
    std::vector<std::string> expected{std::istream_iterator<std::string>(split), {}}, words;
    for (const TextRun& word : prose->words)
        words.push_back(word.text);
    EXPECT_EQ(words, expected);
    EXPECT_EQ(prose->spaceAfter.size(), words.size());
    // "The" starts at x 20 pt on the baseline 40 pt below the top of a 300 pt page: pixels count up from the bottom.
    const Rect& first = prose->words.front().box;
    EXPECT_NEAR(first.minX(), 20 * 2.5, 3);
    EXPECT_LT(first.minY(), (300 - 40) * 2.5);
    EXPECT_GT(first.maxY(), (300 - 40) * 2.5);
}

TEST(PopplerTextTest, ImageOnlyPageHasNoTextAndRendersGreyAtTwoAndAHalfPixelsPerPoint)
{
    const Image image = renderFirst(path("scan.pdf"));
    EXPECT_FALSE(layer(path("scan.pdf")));
    EXPECT_EQ(image.width, 1000);
    EXPECT_EQ(image.height, 750);
    EXPECT_EQ(image.format, Image::Format::Grey8);
    // The picture is rendered: its black box sits at (40..180) x (40..80) points, on white paper.
    EXPECT_LT(image.grey(static_cast<int>(100 * 2.5), static_cast<int>(60 * 2.5)), 50);
    EXPECT_EQ(image.grey(5, 5), 255);
    EXPECT_EQ(image.grey(999, 749), 255);
}

TEST(PopplerTextTest, TwentyCharactersOrFewerAreAShortLayerAndBlankOnesNone)
{
    EXPECT_TRUE(layer(path("twenty.pdf")).value_or(PageText::Layer{}).few);
    const auto twentyOne = layer(path("twentyone.pdf"));
    ASSERT_TRUE(twentyOne);
    EXPECT_FALSE(twentyOne->few);
    EXPECT_EQ(twentyOne->text, "ABCDEFGHIJKLMNOPQRSTU");
    EXPECT_FALSE(layer(path("blank-text.pdf")));
}

TEST(PopplerTextTest, PageNumbersOutsideTheDocumentGiveNothing)
{
    for (int page : {0, 2, -1}) {
        EXPECT_FALSE(layer(path("prose.pdf"), page)) << page;
        EXPECT_FALSE(PdfRender::render(path("prose.pdf"), page, ImageLoader::pdfScale)) << page;
    }
    EXPECT_EQ(layer(path("three.pdf"), 3).value_or(PageText::Layer{}).text, "This is the text of page number 3");
    EXPECT_FALSE(layer(path("three.pdf"), 4));
}

TEST(PopplerTextTest, OffsetMediaBoxPutsEachWordInsideItsRenderedCell)
{
    // A page whose media box does not start at the origin, with a table drawn in page space: each word's box must
    // fall between the rules around its cell as they are rendered, the top row highest.
    const std::string file = path("offset.pdf");
    std::string content = "2 w ";
    for (int x : {150, 250, 350, 450})
        content += std::to_string(x) + " 220 m " + std::to_string(x) + " 480 l S ";
    for (int y : {220, 285, 350, 415, 480})
        content += "150 " + std::to_string(y) + " m 450 " + std::to_string(y) + " l S ";
    const TableGrid cells = {
        {"Code", "Item", "Cost"}, {"A1", "Bolt", "0.10"}, {"B2", "Nut", "0.05"}, {"C3", "Washer", "0.02"}};
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 3; ++c)
            content += "BT /F1 14 Tf " + std::to_string(160 + 100 * c) + " " + std::to_string(440 - 65 * r) + " Td ("
                       + cells[r][c] + ") Tj ET ";
    writeHandPdf(file, {{"100 200 500 500", content}});

    const Image image = renderFirst(file);
    EXPECT_EQ(image.width, 1000);
    EXPECT_EQ(image.height, 750);
    // The rule at page x = 150 is image column (150 - 100) * 2.5 = 125.
    EXPECT_LT(image.grey(125, 375), 100);
    const auto words = layer(file);
    ASSERT_TRUE(words);
    ASSERT_EQ(words->words.size(), 12u);
    for (std::size_t r = 0; r < 4; ++r)
        for (std::size_t c = 0; c < 3; ++c) {
            SCOPED_TRACE(cells[r][c]);
            const auto word = std::find_if(words->words.begin(), words->words.end(),
                                           [&](const TextRun& w) { return w.text == cells[r][c]; });
            ASSERT_NE(word, words->words.end());
            EXPECT_GT(word->box.minX(), (150 + 100 * c - 100) * 2.5);
            EXPECT_LT(word->box.maxX(), (250 + 100 * c - 100) * 2.5);
            EXPECT_GT(word->box.minY(), (415 - 65 * r - 200) * 2.5);
            EXPECT_LT(word->box.maxY(), (480 - 65 * r - 200) * 2.5);
        }
}

TEST(PopplerTextTest, ReadersAnswerNothingForUnreadableFiles)
{
    QTemporaryDir dir;
    const auto at = [&](const char* name) { return dir.filePath(name).toStdString(); };
    writeFile(at("empty.pdf"), "");
    writeFile(at("text.pdf"), "this is not a PDF at all, only some words that go on for a while\n");
    std::filesystem::create_directory(at("folder.pdf"));
    writeFile(at("cut.pdf"), readFile(path("prose.pdf")).substr(0, 200));
    for (const char* name : {"empty.pdf", "text.pdf", "folder.pdf", "cut.pdf", "missing.pdf"}) {
        EXPECT_FALSE(layer(at(name))) << name;
        EXPECT_FALSE(PdfRender::render(at(name), 1, ImageLoader::pdfScale)) << name;
    }
}

TEST(PopplerTextTest, ReadersRunSideBySideOnSeveralThreads)
{
    // Each call opens its own document, so concurrent readers must neither crash nor mix up pages. The files are
    // drawn first, on this thread: Qt's GUI objects belong to the main thread.
    const std::string three = path("three.pdf");
    std::vector<std::string> texts(6);
    std::vector<int> widths(6, 0);
    std::vector<std::thread> threads;
    for (int i = 0; i < 6; ++i)
        threads.emplace_back([i, &three, &texts, &widths] {
            const int page = i % 3 + 1;
            texts[i] = layer(three, page).value_or(PageText::Layer{}).text;
            if (auto image = PdfRender::render(three, page, ImageLoader::pdfScale))
                widths[i] = image->width;
        });
    for (auto& thread : threads)
        thread.join();
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(texts[i], "This is the text of page number " + std::to_string(i % 3 + 1));
        EXPECT_EQ(widths[i], 1000);
    }
}

TEST(PopplerTextTest, CorpusPdfsHaveAPageWithATextLayer)
{
    // How well their tables come back is measured in bench/, against the expected CSV.
    const std::filesystem::path corpus = AMBREL_CORPUS_DIR;
    if (!std::filesystem::exists(corpus / "manifest.json"))
        GTEST_SKIP() << "no corpus at " << corpus;
    for (const char* id :
         {"d-pt-argentina", "d-pt-icdar-eu-010", "d-pt-icdar-eu-014", "d-pt-icdar-us-022", "d-pt-icdar-us-032"}) {
        const std::string pdf = (corpus / "data" / (std::string(id) + ".pdf")).string();
        const auto pages = ImageLoader::pages(pdf);
        ASSERT_EQ(pages.size(), 1u) << id;
        EXPECT_TRUE(pages[0].image().has_value()) << id;
        const auto text = layer(pdf);
        EXPECT_TRUE(text && !text->few) << id;
    }
}
