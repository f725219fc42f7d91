#include "Drawn.h"
#include "ocr/OCR.h"
#include "ocr/Table.h"
#include "ocr/tesseract/TessData.h"
#include "ocr/tesseract/TesseractOCR.h"
#include "store/Languages.h"

#define ZX_USE_UTF8 1
#include <ZXing/BitMatrix.h>
#include <ZXing/MultiFormatWriter.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

namespace {
struct Outcome
{
    OCRResult result;
    int calls = 0;
    std::thread::id thread;
};

// Recognizes and waits for the completion, polling with a generous deadline rather than sleeping.
Outcome recognize(const Image& image, std::vector<std::string> languages = {"en-US"})
{
    struct Shared
    {
        std::mutex mutex;
        std::condition_variable done;
        Outcome outcome;
    };
    auto shared = std::make_shared<Shared>();
    TesseractRecognizer().recognize(image, std::move(languages), true, [shared](OCRResult result) {
        std::lock_guard lock(shared->mutex);
        shared->outcome.result = std::move(result);
        shared->outcome.thread = std::this_thread::get_id();
        ++shared->outcome.calls;
        shared->done.notify_all();
    });
    std::unique_lock lock(shared->mutex);
    EXPECT_TRUE(shared->done.wait_for(lock, std::chrono::seconds(120), [&] { return shared->outcome.calls > 0; }));
    return shared->outcome;
}

Image fromQt(const QImage& image)
{
    return QtImage::fromQImage(image);
}

std::vector<std::string> texts(const std::vector<TextRun>& runs)
{
    std::vector<std::string> out;
    for (const TextRun& run : runs)
        out.push_back(run.text);
    return out;
}

QImage qrCode(const std::string& payload, int size)
{
    const ZXing::BitMatrix matrix =
        ZXing::MultiFormatWriter(ZXing::BarcodeFormat::QRCode).setMargin(2).encode(payload, size, size);
    QImage image(matrix.width(), matrix.height(), QImage::Format_Grayscale8);
    for (int y = 0; y < matrix.height(); ++y)
        for (int x = 0; x < matrix.width(); ++x)
            image.scanLine(y)[x] = matrix.get(x, y) ? 0 : 255;
    return image;
}
} // namespace

TEST(RecognizeTest, TableGivesLinesAndWordsWithBottomLeftBoxesOnceOnAWorkerThread)
{
    const Outcome outcome = recognize(fromQt(Drawn::table()));
    EXPECT_EQ(outcome.calls, 1);
    EXPECT_NE(outcome.thread, std::this_thread::get_id());
    const OCRResult& result = outcome.result;
    EXPECT_EQ(texts(result.lines),
              (std::vector<std::string>{"Product Qty Price", "Keyboard 2 49.00", "Monitor 1 199.50", "Cable 5 8.25"}));
    ASSERT_EQ(result.words.size(), 12u);
    ASSERT_TRUE(result.image.has_value());
    EXPECT_EQ(result.image->width, 600);
    EXPECT_TRUE(result.barcodes.empty());

    const auto cells = Drawn::tableCells();
    for (std::size_t i = 0; i < cells.size(); ++i) {
        SCOPED_TRACE(cells[i].text);
        EXPECT_EQ(result.words[i].text, cells[i].text);
        const QRectF expected = Drawn::boxOf(cells[i], Drawn::font(22), 200);
        const Rect& box = result.words[i].box;
        EXPECT_NEAR(box.minX(), expected.left(), 3);
        EXPECT_NEAR(box.maxX(), expected.right(), 3);
        EXPECT_NEAR(box.minY(), expected.top(), 3);
        EXPECT_NEAR(box.maxY(), expected.bottom(), 3);
    }
    // Line boxes hold their words; the header line is the highest.
    for (std::size_t row = 0; row < 4; ++row) {
        const Rect& line = result.lines[row].box;
        for (std::size_t col = 0; col < 3; ++col) {
            const Rect& word = result.words[row * 3 + col].box;
            EXPECT_GE(word.minX(), line.minX() - 1);
            EXPECT_LE(word.maxX(), line.maxX() + 1);
            EXPECT_NEAR(word.midY(), line.midY(), line.height / 2);
        }
    }
    EXPECT_GT(result.lines[0].box.minY(), result.lines[3].box.maxY());
}

TEST(RecognizeTest, TableWithShadedRowsKeepsTheirText)
{
    // Light text on a coloured header band, black on a grey total row: text that stands out from an even shade is
    // text, not part of one dark area.
    QImage image = Drawn::canvas(520, 180, false);
    QPainter(&image).fillRect(0, 0, 520, 44, QColor(230, 120, 30));
    QPainter(&image).fillRect(0, 130, 520, 44, QColor(175, 175, 175));
    const QFont f = Drawn::font(20);
    const auto row = [](std::vector<std::string> cells, int baseline) {
        return std::vector<Drawn::Text>{{cells[0], 20, baseline}, {cells[1], 200, baseline}, {cells[2], 350, baseline}};
    };
    Drawn::draw(image, row({"Fruit", "Count", "Price"}, 30), f, true);
    Drawn::draw(image, row({"Apple", "3", "1.20"}, 75), f, false);
    Drawn::draw(image, row({"Pear", "12", "0.80"}, 115), f, false);
    Drawn::draw(image, row({"Total", "15", "2.00"}, 160), f, false);
    const std::size_t before = TesseractOCR::recognitionCount();
    const OCRResult result = TesseractOCR::recognizePage(fromQt(image), {"en-US"}, true);
    EXPECT_EQ(TesseractOCR::recognitionCount() - before, 1u) << "a table crop is read once, whole, as one block";
    EXPECT_EQ(
        tableGrid(result),
        (TableGrid{
            {"Fruit", "Count", "Price"}, {"Apple", "3", "1.20"}, {"Pear", "12", "0.80"}, {"Total", "15", "2.00"}}));
}

TEST(RecognizeTest, QRCodeAloneGivesItsPayloadAndNoText)
{
    const std::string payload = "https://example.org/ambrel?q=Größe";
    const OCRResult result = recognize(fromQt(qrCode(payload, 240))).result;
    EXPECT_EQ(result.barcodes, (std::vector<std::string>{payload}));
    EXPECT_TRUE(result.lines.empty()) << result.lines.front().text;
    EXPECT_TRUE(result.words.empty());
    EXPECT_TRUE(result.isEmpty());
}

TEST(RecognizeTest, QRCodeBesideTextKeepsTheText)
{
    QImage image = Drawn::canvas(600, 240, false);
    {
        QPainter painter(&image);
        painter.drawImage(360, 0, qrCode("ABC-123", 240));
    }
    Drawn::draw(image, {{"Scan to pay", 20, 120}}, Drawn::font(22), false);
    const OCRResult result = recognize(fromQt(image)).result;
    EXPECT_EQ(result.barcodes, (std::vector<std::string>{"ABC-123"}));
    EXPECT_EQ(texts(result.lines), (std::vector<std::string>{"Scan to pay"}));
}

TEST(RecognizeTest, SmallAndDarkScreenTextIsRead)
{
    const std::vector<std::string> lines = {"Open Settings to change the capture shortcut.",
                                            "Invoice 2024-118 due 14 March, total 1,284.50 EUR"};
    for (bool dark : {false, true}) {
        for (int pixelSize : {10, 12}) {
            SCOPED_TRACE((dark ? "dark " : "light ") + std::to_string(pixelSize) + " px");
            const OCRResult result = recognize(fromQt(Drawn::screenText(lines, pixelSize, dark))).result;
            EXPECT_EQ(texts(result.lines), lines);
            ASSERT_FALSE(result.words.empty());
            // Boxes are in the original image's pixels, not the scaled-up copy Tesseract read.
            for (const TextRun& word : result.words) {
                EXPECT_LE(word.box.maxX(), result.image->width);
                EXPECT_LE(word.box.maxY(), result.image->height);
            }
        }
    }
}

// Odd inputs complete like any other: once, off the caller's thread, empty.
TEST(RecognizeTest, OddImagesCompleteEmptyWithoutCrashing)
{
    const std::uint8_t black[4] = {0, 0, 0, 255};
    const Image onePixel = Image::copyOf(1, 1, 4, Image::Format::BGRA32, black);
    QImage transparent(300, 100, QImage::Format_ARGB32);
    transparent.fill(Qt::transparent);
    // A header claiming absurd dimensions over a tiny buffer: it must be refused before any pixel is read.
    Image absurd = Image::blankGrey(4, 4);
    absurd.width = 1'000'000;
    absurd.height = 1'000'000;
    absurd.stride = 1'000'000;
    for (const Image& image : {onePixel, fromQt(transparent), absurd, Image::blankGrey(3000, 1), Image{}}) {
        const Outcome outcome = recognize(image);
        EXPECT_EQ(outcome.calls, 1);
        EXPECT_NE(outcome.thread, std::this_thread::get_id());
        EXPECT_TRUE(outcome.result.lines.empty());
        EXPECT_TRUE(outcome.result.barcodes.empty());
    }
}

TEST(RecognizeTest, PixelsScalesWithoutFlipping)
{
    EXPECT_EQ(OCR::pixels(Rect{0.25, 0.5, 0.5, 0.25}, 200, 100), (Rect{50, 50, 100, 25}));
}

TEST(LanguagesSupportedTest, IsTheCatalogueCodesWithInstalledModels)
{
    const std::set<std::string> names = TessData::installed(TessData::directory());
    const std::set<std::string>& supported = TessData::supportedCodes();
    ASSERT_FALSE(names.empty()) << "no traineddata in " << TessData::directory();
    for (const std::string& code : supported)
        EXPECT_TRUE(names.contains(Languages::tesseractName(code))) << code;
    for (const char* code : {"en-US", "nl-NL", "de-DE", "ja-JP", "zh-Hant"})
        EXPECT_EQ(supported.contains(code), names.contains(Languages::tesseractName(code))) << code;
    EXPECT_FALSE(supported.contains("osd"));
}

TEST(TessDataTest, InstalledListsTraineddataFilesOnly)
{
    const auto dir = std::filesystem::temp_directory_path() / ("ambrel-tessdata-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir / "fake.traineddata");
    std::ofstream(dir / "eng.traineddata") << "x";
    std::ofstream(dir / "notes.txt") << "x";
    EXPECT_EQ(TessData::installed(dir.string()), (std::set<std::string>{"eng"}));
    EXPECT_TRUE(TessData::installed((dir / "missing").string()).empty());
    std::filesystem::remove_all(dir);
}

TEST(TessDataTest, LanguageStringKeepsInstalledNamesInOrderOnce)
{
    const std::set<std::string> installed = {"eng", "nld"};
    EXPECT_EQ(TessData::languageString({"nl-NL", "en-US", "nl-NL", "de-DE", "xx"}, installed), "nld+eng");
    // No usable code reads English: an empty or unknown selection must not leave the recognizer without a language.
    EXPECT_EQ(TessData::languageString({}, installed), "eng");
    EXPECT_EQ(TessData::languageString({"xx-XX", "klingon"}, installed), "eng");
    EXPECT_EQ(TessData::languageString({"de-DE"}, installed), "eng");
}
