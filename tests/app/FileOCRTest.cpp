// The command-line runners end to end: the real executable on inputs the tests draw, with real Tesseract and
// Poppler, checking what a user or a script sees — standard output, standard error and the exit status.
#include "Missing.h"
#include "RunAmbrel.h"

#include <QPageSize>
#include <QPdfWriter>

#include <gtest/gtest.h>

#include <functional>

using TestSupport::Outcome;
using TestSupport::TempDir;

namespace {
using PagePainter = std::function<void(QPainter&)>;

// Writes a PDF of A6 pages (298 × 420 points), painter units in points, with real text (a text layer).
void writePdf(const std::filesystem::path& path, const std::vector<PagePainter>& pages)
{
    Drawn::ensureApplication();
    QPdfWriter writer(QString::fromStdString(path.string()));
    writer.setPageSize(QPageSize(QPageSize::A6));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setResolution(72);
    QPainter painter(&writer);
    for (std::size_t i = 0; i < pages.size(); ++i) {
        if (i > 0)
            writer.newPage();
        pages[i](painter);
    }
}

PagePainter textPage(const std::string& text)
{
    return [text](QPainter& painter) {
        painter.setFont(Drawn::font(14));
        painter.drawText(20, 60, QString::fromStdString(text));
    };
}

// A page-filling ruled table, so its rules cover most of the rendered page both ways.
PagePainter ruledTablePage()
{
    return [](QPainter& painter) {
        const std::vector<std::vector<std::string>> cells = {
            {"Code", "Item", "Price"}, {"A1", "Bolt", "0.10"}, {"B2", "Nut", "0.05"}, {"C3", "Washer", "0.02"}};
        const double left = 20, top = 40, width = 258, height = 340;
        painter.setPen(QPen(Qt::black, 1.5));
        for (int c = 0; c <= 3; ++c)
            painter.drawLine(QPointF(left + c * width / 3, top), QPointF(left + c * width / 3, top + height));
        for (int r = 0; r <= 4; ++r)
            painter.drawLine(QPointF(left, top + r * height / 4), QPointF(left + width, top + r * height / 4));
        painter.setFont(Drawn::font(12));
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 3; ++c)
                painter.drawText(QPointF(left + c * width / 3 + 8, top + r * height / 4 + 45),
                                 QString::fromStdString(cells[r][c]));
    };
}

// A page holding only pixels: text drawn into an image, as a scanner would deliver it.
PagePainter scannedPage(const std::string& text)
{
    return [text](QPainter& painter) {
        QImage scan = textPicture(text);
        painter.drawImage(QRectF(20, 40, scan.width() / 2.5, scan.height() / 2.5), scan);
    };
}

} // namespace

// Images: a table as Markdown without a page heading, as CSV and diagnosed; a blank image; a QR code alone.
TEST(FileOCRTest, ImagesInEachModeAndTheTablesDiagnosis)
{
    TempDir home;
    save(Drawn::table(), home / "table.png");
    const Outcome result = ambrel(home, {"--ocr", (home / "table.png").string()});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out, "| Product | Qty | Price |\n| --- | --- | --- |\n| Keyboard | 2 | 49.00 |\n"
                          "| Monitor | 1 | 199.50 |\n| Cable | 5 | 8.25 |\n");

    const Outcome csv = ambrel(home, {"--ocr", (home / "table.png").string(), "--mode", "CSV"});
    EXPECT_EQ(csv.out, "Product,Qty,Price\nKeyboard,2,49.00\nMonitor,1,199.50\nCable,5,8.25\n");

    const Outcome diag = ambrel(home, {"--diag", (home / "table.png").string()});
    EXPECT_EQ(diag.status, 0) << diag.err;
    EXPECT_TRUE(diag.out.starts_with("\n===== table.png =====\nsource: Tesseract OCR\nlines(observations)="))
        << diag.out;
    EXPECT_TRUE(diag.out.ends_with("✓ table detected: 4 rows × 3 cols\n")) << diag.out;

    QImage blank(300, 120, QImage::Format_RGB32);
    blank.fill(Qt::white);
    save(blank, home / "blank.png");
    const Outcome nothing = ambrel(home, {"--ocr", (home / "blank.png").string(), "--mode", "csv"});
    EXPECT_EQ(nothing.status, 0);
    EXPECT_EQ(nothing.out, "(no text found)\n");

    const std::string qr = (home / "qr.png").string();
    ASSERT_EQ(TestSupport::run("qrencode", {"-s", "8", "-o", qr, "https://example.org/ambrel"}).status, 0);
    const Outcome code = ambrel(home, {"--ocr", qr});
    EXPECT_EQ(code.status, 0) << code.err;
    EXPECT_EQ(code.out, "https://example.org/ambrel\n");
}

TEST(FileOCRTest, OcrOnSeveralPdfPagesPrintsHeadingsAndTheExactTextLayer)
{
    TempDir home;
    const std::filesystem::path pdf = home / "three pages.pdf";
    writePdf(pdf, {textPage("The first page says hello."), textPage("Second page, with a comma."),
                   textPage("Third and last page here.")});
    const Outcome result = ambrel(home, {"--ocr", pdf.string(), "--mode", "plain", "--lang", ""});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "\n===== three pages.pdf — p1 =====\nThe first page says hello.\n"
                          "\n===== three pages.pdf — p2 =====\nSecond page, with a comma.\n"
                          "\n===== three pages.pdf — p3 =====\nThird and last page here.\n");
}

TEST(FileOCRTest, RuledPdfTableComesFromTheTextLayerWithoutRecognition)
{
    TempDir home;
    const std::filesystem::path pdf = home / "parts.pdf";
    writePdf(pdf, {ruledTablePage()});

    const Outcome csv = ambrel(home, {"--ocr", pdf.string(), "--mode", "csv"});
    EXPECT_EQ(csv.status, 0) << csv.err;
    EXPECT_EQ(csv.out, "Code,Item,Price\nA1,Bolt,0.10\nB2,Nut,0.05\nC3,Washer,0.02\n");

    // The text layer's lines and words, and the page's one region, the ruled table.
    const Outcome diag = ambrel(home, {"--diag", pdf.string()});
    EXPECT_EQ(diag.status, 0) << diag.err;
    EXPECT_TRUE(diag.out.starts_with("\n===== parts.pdf =====\nsource: PDF text layer (exact)\n")) << diag.out;
    EXPECT_NE(diag.out.find("ruling lines: 4 vertical, 5 horizontal → grid 4×3 cells\n"), std::string::npos);
    EXPECT_NE(diag.out.find("\nregions: 1\n  table at "), std::string::npos) << diag.out;
    EXPECT_TRUE(diag.out.ends_with(" px: 4 rows × 3 cols (rules)\n✓ table detected: 4 rows × 3 cols\n")) << diag.out;
}

TEST(FileOCRTest, UnreadableInputsFailCleanlyWithoutOutput)
{
    TempDir home;
    std::filesystem::create_directory(home / "folder.png");
    TestSupport::writeFile(home / "empty.png", "");
    TestSupport::writeFile(home / "words.png", "this is not a picture\n");
    TestSupport::writeFile(home / "broken.pdf", "%PDF-1.4\n1 0 obj << /Type /Catalog >>\ntrailer\n");
    save(Drawn::table(), home / "whole.png");
    const std::string png = TestSupport::readFile(home / "whole.png");
    TestSupport::writeFile(home / "truncated.png", png.substr(0, png.size() / 3));

    for (const std::string name :
         {"missing.png", "folder.png", "empty.png", "words.png", "broken.pdf", "truncated.png"}) {
        SCOPED_TRACE(name);
        const std::string path = (home / name).string();
        const Outcome ocr = ambrel(home, {"--ocr", path});
        EXPECT_EQ(ocr.signal, 0);
        EXPECT_EQ(ocr.status, 1);
        EXPECT_EQ(ocr.out, "");
        // A decoder may say why before our message; the message is always the last line.
        EXPECT_TRUE(ocr.err.ends_with("Ambrel: could not read image(s) from " + path + "\n")) << ocr.err;

        const Outcome diag = ambrel(home, {"--diag", path});
        EXPECT_EQ(diag.status, 1);
        EXPECT_TRUE(diag.err.ends_with("Ambrel: could not read " + path + "\n")) << diag.err;
    }
}

TEST(FileOCRTest, BatchWritesOneSheetPerPageAndSkipsUnreadableInputs)
{
    TempDir home;
    writePdf(home / "two.pdf", {textPage("A page of plain prose text."), ruledTablePage()});
    TestSupport::writeFile(home / "junk.png", "junk");
    const std::filesystem::path out = home / "book.xlsx";

    const Outcome result =
        ambrel(home, {"--batch", out.string(), (home / "two.pdf").string(), (home / "junk.png").string()});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "wrote " + out.string() + " with 2 sheet(s)\n");

    const Outcome read = TestSupport::run(
        "/usr/bin/python3", {"-c",
                             "import openpyxl, sys\n"
                             "wb = openpyxl.load_workbook(sys.argv[1])\n"
                             "for ws in wb.worksheets:\n"
                             "    print(ws.title, [[c for c in row] for row in ws.iter_rows(values_only=True)])\n",
                             out.string()});
    AMBREL_NEEDS(read.status == 0 || read.err.find("No module named") == std::string::npos,
                 "python3-openpyxl is not installed");
    // Prices are numbers a SUM adds up; codes stay text.
    EXPECT_EQ(read.out, "two.pdf — p1 [['A page of plain prose text.']]\n"
                        "two.pdf — p2 [['Code', 'Item', 'Price'], ['A1', 'Bolt', 0.1], ['B2', 'Nut', 0.05], "
                        "['C3', 'Washer', 0.02]]\n");
}

// Without --lang and with no saved list, the languages are a fresh installation's: the locale's and English.
TEST(FileOCRTest, DefaultLanguagesFollowTheLocale)
{
    TempDir home;
    save(textPicture("Die Brücke über den Fluss"), home / "german.png");
    const auto inLocale = [&](const char* lang) {
        return ambrel(
            home, {"--ocr", (home / "german.png").string(), "--mode", "plain"},
            {{"LANG", lang}, {"LC_ALL", std::nullopt}, {"LC_MESSAGES", std::nullopt}, {"LANGUAGE", std::nullopt}});
    };
    const Outcome german = inLocale("de_DE.UTF-8");
    EXPECT_EQ(german.status, 0) << german.err;
    EXPECT_EQ(german.out, "Die Brücke über den Fluss\n");
    // English alone reads the letters it has no model for as others.
    const Outcome english = inLocale("en_US.UTF-8");
    EXPECT_EQ(english.status, 0) << english.err;
    EXPECT_EQ(english.out.find("über"), std::string::npos) << english.out;
}

TEST(FileOCRTest, PagesSideBySideGiveTheSameOutputAsOneAtATime)
{
    TempDir home;
    const std::filesystem::path pdf = home / "scans.pdf";
    writePdf(pdf, {scannedPage("Invoice number 1001"), scannedPage("Delivery note 2002"),
                   scannedPage("Receipt for 3003"), scannedPage("Statement 4004")});
    const Outcome serial = ambrel(home, {"--ocr", pdf.string()}, {{"AMBREL_PAGES_IN_FLIGHT", "1"}});
    const Outcome parallel = ambrel(home, {"--ocr", pdf.string()}, {{"AMBREL_PAGES_IN_FLIGHT", "3"}});
    EXPECT_EQ(serial.status, 0) << serial.err;
    EXPECT_EQ(parallel.status, 0) << parallel.err;
    EXPECT_NE(serial.out.find("Delivery note 2002"), std::string::npos) << serial.out;
    EXPECT_EQ(parallel.out, serial.out);
}

TEST(FileOCRTest, SelfTestPrintsAllTwelveCellsAndBothTables)
{
    TempDir home;
    const Outcome result = ambrel(home, {"--selftest"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out, "── Recognized 12 text runs ──\n"
                          "\n[plainText]\nProduct Qty Price\nKeyboard 2 49.00\nMonitor 1 199.50\nCable 5 8.25\n"
                          "\n[Markdown table]\n| Product | Qty | Price |\n| --- | --- | --- |\n"
                          "| Keyboard | 2 | 49.00 |\n| Monitor | 1 | 199.50 |\n| Cable | 5 | 8.25 |\n"
                          "\n[CSV]\nProduct,Qty,Price\nKeyboard,2,49.00\nMonitor,1,199.50\nCable,5,8.25\n");
}
