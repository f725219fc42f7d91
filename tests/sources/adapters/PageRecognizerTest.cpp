#include "LoaderFixtures.h"
#include "ocr/OCR.h"
#include "ocr/Recognizer.h"
#include "ocr/Table.h"
#include "ocr/engines/Drawn.h"
#include "ocr/tesseract/TesseractOCR.h"
#include "sources/qt/ImageLoader.h"

#include <QFont>
#include <QImage>

#include <ZXing/BitMatrix.h>
#include <ZXing/MultiFormatWriter.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>

using namespace LoaderFixtures;

namespace {
const TableGrid fruit = {
    {"Name", "Qty", "Price"}, {"Apple", "3", "1.20"}, {"Pear tree", "10", "0.80"}, {"Plum", "2", "4.50"}};

// Reads one page through the page recognizer and waits for its completion with a deadline.
OCRResult readPage(const ImageLoader::Page& page)
{
    struct Shared
    {
        std::mutex mutex;
        std::condition_variable done;
        std::optional<OCRResult> result;
    };
    auto shared = std::make_shared<Shared>();
    static const TesseractRecognizer recognizer;
    Recognizer::recognize(page, recognizer, {"en-US"}, true, [shared](OCRResult result) {
        std::lock_guard lock(shared->mutex);
        shared->result = std::move(result);
        shared->done.notify_all();
    });
    std::unique_lock lock(shared->mutex);
    EXPECT_TRUE(shared->done.wait_for(lock, std::chrono::seconds(120), [&] { return shared->result.has_value(); }));
    return shared->result.value_or(OCRResult{});
}

std::vector<PageBlock::Kind> kinds(const OCRResult& result)
{
    std::vector<PageBlock::Kind> out;
    for (const PageBlock& block : result.blocks)
        out.push_back(block.kind);
    return out;
}

QImage barcode(ZXing::BarcodeFormat format, const std::string& payload, int width, int height)
{
    const ZXing::BitMatrix matrix = ZXing::MultiFormatWriter(format).setMargin(10).encode(payload, width, height);
    QImage image(matrix.width(), matrix.height(), QImage::Format_Grayscale8);
    for (int y = 0; y < matrix.height(); ++y)
        for (int x = 0; x < matrix.width(); ++x)
            image.scanLine(y)[x] = matrix.get(x, y) ? 0 : 255;
    return image;
}

// A scanned picture: lines of DejaVu Serif at the given pixel size, each at its left edge and baseline.
QImage scanOf(int width, int height, int pixelSize, const std::vector<Drawn::Text>& lines)
{
    QImage scan = Drawn::canvas(width, height, false);
    Drawn::draw(scan, lines, Drawn::font(pixelSize, "DejaVu Serif"), false);
    return scan;
}

void paragraph(QPainter& p, double top, const std::vector<QString>& lines)
{
    p.setFont(QFont("DejaVu Serif", 9));
    for (std::size_t i = 0; i < lines.size(); ++i)
        p.drawText(QPointF(30, top + 14.0 * static_cast<double>(i)), lines[i]);
}
} // namespace

TEST(PageRecognizerTest, TextLayerPageIsLaidOutWithoutRecognition)
{
    QTemporaryDir dir;
    const std::string file = dir.filePath("report.pdf").toStdString();
    writePdf(file, {[](QPainter& p) {
                 paragraph(p, 40, {"The orchard sold its fruit at the market this week,", "as the table below shows."});
                 drawRuledTable(p, QRectF(30, 90, 340, 120), fruit);
                 paragraph(p, 240, {"Prices are per kilogram and include the market fee."});
             }},
             {400, 300});
    const std::vector<ImageLoader::Page> pages = ImageLoader::pages(file);
    ASSERT_EQ(pages.size(), 1u);

    const std::size_t before = TesseractOCR::recognitionCount();
    const OCRResult result = readPage(pages.front());
    EXPECT_EQ(TesseractOCR::recognitionCount(), before) << "a text-layer page runs no recognition";

    ASSERT_EQ(kinds(result), (std::vector{PageBlock::Kind::Text, PageBlock::Kind::Table, PageBlock::Kind::Text}));
    EXPECT_EQ(result.blocks[1].grid, fruit);
    EXPECT_EQ(result.blocks[0].text, "The orchard sold its fruit at the market this week,\nas the table below shows.");
    EXPECT_EQ(result.blocks[2].text, "Prices are per kilogram and include the market fee.");
    EXPECT_EQ(outputText(result, Settings::OutputMode::CSV),
              "Name,Qty,Price\nApple,3,1.20\nPear tree,10,0.80\nPlum,2,4.50");
}

TEST(PageRecognizerTest, BarcodesBesideTheTextLayerAreFound)
{
    const QImage qr = barcode(ZXing::BarcodeFormat::QRCode, "INV-2041", 240, 240);
    const QImage ean = barcode(ZXing::BarcodeFormat::EAN13, "5901234123457", 400, 120);
    QTemporaryDir dir;
    const std::string file = dir.filePath("invoice.pdf").toStdString();
    // The code beside the text shares its rows; the one below lies where the text would be if rows were counted
    // from the wrong edge, framed as on a label, with its digits printed right under its bars.
    writePdf(file, {[&](QPainter& p) {
                 paragraph(p, 30,
                           {"Invoice 2041 for the orchard's autumn delivery,", "payable within thirty days.",
                            "Scan the code to pay it online."});
                 p.drawImage(QRectF(300, 15, 70, 70), qr);
                 p.drawImage(QRectF(30, 225, 160, 50), ean);
                 p.drawRect(QRectF(22, 218, 176, 76));
                 p.setFont(QFont("DejaVu Sans", 7));
                 p.drawText(QPointF(60, 284), "5 901234 123457");
             }},
             {400, 300});
    const std::vector<ImageLoader::Page> pages = ImageLoader::pages(file);
    ASSERT_EQ(pages.size(), 1u);
    std::vector<std::string> codes = readPage(pages.front()).barcodes;
    std::sort(codes.begin(), codes.end());
    EXPECT_EQ(codes, (std::vector<std::string>{"5901234123457", "INV-2041"}));
}

TEST(PageRecognizerTest, PageWithoutTextLayerIsRecognizedInReadingOrder)
{
    // A scan pasted into a PDF: two columns of text as pixels, no text layer at all.
    const char* left[] = {"Rivers carry water down",    "from the hills to the sea",  "in every season of the",
                          "year, and the valleys they", "cut hold most of the farms", "of the region today."};
    const char* right[] = {"Cities grew beside them",    "for trade and for the",    "water they gave people",
                           "and their animals, and the", "bridges over them became", "the markets of old."};
    std::vector<Drawn::Text> lines{{"Below the picture the text goes on across the whole width of the page", 60, 780},
                                   {"in lines as long as both of the columns above it together.", 60, 816}};
    for (int i = 0; i < 6; ++i) {
        lines.push_back({left[i], 60, 100 + 36 * i});
        lines.push_back({right[i], 760, 100 + 36 * i});
    }
    QImage scan = scanOf(1400, 1000, 24, lines);
    {
        // A picture under the columns: a dark block with a light stripe, no text.
        QPainter p(&scan);
        p.fillRect(60, 400, 1280, 300, QColor(60, 60, 60));
        p.fillRect(60, 520, 1280, 40, QColor(200, 200, 200));
    }
    QTemporaryDir dir;
    const std::string file = dir.filePath("scan.pdf").toStdString();
    writePdf(file, {[&scan](QPainter& p) { p.drawImage(QRectF(0, 0, 420, 300), scan); }}, {420, 300});
    const std::vector<ImageLoader::Page> pages = ImageLoader::pages(file);
    ASSERT_EQ(pages.size(), 1u);

    const std::size_t before = TesseractOCR::recognitionCount();
    const OCRResult result = readPage(pages.front());
    EXPECT_GT(TesseractOCR::recognitionCount(), before);
    const std::string text = outputText(result, Settings::OutputMode::PlainText);
    const std::size_t leftEnd = text.find("region");
    const std::size_t rightStart = text.find("Cities");
    ASSERT_NE(leftEnd, std::string::npos) << text;
    ASSERT_NE(rightStart, std::string::npos) << text;
    EXPECT_LT(leftEnd, rightStart) << "the left column is read before the right one:\n" << text;
    EXPECT_EQ(text.find("water down Cities"), std::string::npos) << text;
    EXPECT_LT(rightStart, text.find("Below the picture")) << text;
}

TEST(PageRecognizerTest, ScanPastedIntoATextPageIsRecognizedAndOnlyIt)
{
    const QImage scan =
        scanOf(1200, 260, 40, {{"Pasted letters from a scanner", 30, 80}, {"still read as ordinary text.", 30, 160}});
    QTemporaryDir dir;
    const std::string file = dir.filePath("mixed.pdf").toStdString();
    // Then a page whose layer is only a page number over the scan, and one whose short layer is all its ink.
    writePdf(file,
             {[&scan](QPainter& p) {
                  paragraph(p, 40, {"This page carries a text layer above the pasted picture."});
                  p.drawImage(QRectF(30, 80, 300, 65), scan);
                  paragraph(p, 200, {"And the text layer goes on below it."});
              },
              [&scan](QPainter& p) {
                  paragraph(p, 40, {"Page 2"});
                  p.drawImage(QRectF(30, 80, 300, 65), scan);
              },
              [](QPainter& p) { paragraph(p, 40, {"Chapter 3"}); }},
             {400, 300});
    const std::vector<ImageLoader::Page> pages = ImageLoader::pages(file);
    ASSERT_EQ(pages.size(), 3u);
    const std::size_t count = TesseractOCR::recognitionCount();
    EXPECT_EQ(outputText(readPage(pages[2]), Settings::OutputMode::PlainText), "Chapter 3");
    EXPECT_EQ(TesseractOCR::recognitionCount(), count);
    EXPECT_NE(outputText(readPage(pages[1]), Settings::OutputMode::PlainText).find("scanner"), std::string::npos);
    EXPECT_GT(TesseractOCR::recognitionCount(), count);

    const std::size_t before = TesseractOCR::recognitionCount();
    const OCRResult result = readPage(pages.front());
    EXPECT_GT(TesseractOCR::recognitionCount(), before) << "the pasted scan has no words in the text layer";
    const std::string text = outputText(result, Settings::OutputMode::PlainText);
    const std::size_t above = text.find("pasted picture");
    const std::size_t scanned = text.find("scanner");
    const std::size_t below = text.find("goes on below");
    ASSERT_NE(above, std::string::npos) << text;
    ASSERT_NE(scanned, std::string::npos) << text;
    ASSERT_NE(below, std::string::npos) << text;
    EXPECT_LT(above, scanned) << text;
    EXPECT_LT(scanned, below) << text;
}
