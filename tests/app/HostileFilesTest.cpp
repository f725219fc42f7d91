// Hostile and careless input through the real executable: files built to exhaust memory or time, names that are
// not text, outputs that would replace what the user owns. Every case checks the status, the message, that the run
// ends well inside a generous bound, and that no input changed.
#include "ocr/engines/Drawn.h"
#include "support/Process.h"

#include <QBuffer>
#include <QImageWriter>
#include <QPainter>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <map>
#include <random>

using TestSupport::Outcome;
using TestSupport::TempDir;

namespace {
struct Timed
{
    Outcome outcome;
    double seconds = 0;
};

Timed ambrel(const TempDir& home, const std::vector<std::string>& arguments)
{
    const auto start = std::chrono::steady_clock::now();
    Outcome outcome =
        TestSupport::run(AMBREL_EXECUTABLE, arguments,
                         {{"XDG_CONFIG_HOME", (home / "config").string()}, {"XDG_DATA_HOME", (home / "data").string()}},
                         std::chrono::seconds(300));
    return {std::move(outcome), std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count()};
}

// The bytes of every named file, to show afterwards that the run changed none of them.
std::map<std::filesystem::path, std::string> snapshot(const std::vector<std::filesystem::path>& files)
{
    std::map<std::filesystem::path, std::string> bytes;
    for (const std::filesystem::path& file : files)
        bytes[file] = TestSupport::readFile(file);
    return bytes;
}

void expectUnchanged(const std::map<std::filesystem::path, std::string>& before)
{
    for (const auto& [file, bytes] : before)
        EXPECT_TRUE(TestSupport::readFile(file) == bytes) << file << " changed";
}

std::string flate(const std::string& bytes)
{
    // qCompress puts the length in four bytes before a zlib stream, which is what FlateDecode reads.
    return qCompress(QByteArray::fromStdString(bytes), 9).mid(4).toStdString();
}

// A PDF of `contents.size()` pages of `width` × `height` points, each with the font F1 and the resources given,
// followed by `extra` objects numbered from 4 + 2 × pages.
std::string pdf(const std::vector<std::pair<std::string, std::string>>& contents, double width, double height,
                const std::vector<std::string>& extra = {})
{
    std::vector<std::string> objects{"<< /Type /Catalog /Pages 2 0 R >>"};
    const std::size_t pages = contents.size();
    std::string kids;
    for (std::size_t i = 0; i < pages; ++i)
        kids += std::to_string(3 + 2 * i) + " 0 R ";
    objects.push_back("<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages) + " >>");
    for (std::size_t i = 0; i < pages; ++i) {
        objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + std::to_string(width) + " "
                          + std::to_string(height) + "] /Contents " + std::to_string(4 + 2 * i)
                          + " 0 R /Resources << /Font << /F1 " + std::to_string(3 + 2 * pages) + " 0 R >> "
                          + contents[i].second + " >> >>");
        const std::string packed = flate(contents[i].first);
        objects.push_back("<< /Length " + std::to_string(packed.size()) + " /Filter /FlateDecode >>\nstream\n" + packed
                          + "\nendstream");
    }
    objects.push_back("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
    objects.insert(objects.end(), extra.begin(), extra.end());
    std::string out = "%PDF-1.4\n";
    std::vector<std::size_t> offsets;
    for (std::size_t i = 0; i < objects.size(); ++i) {
        offsets.push_back(out.size());
        out += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const std::size_t xref = out.size();
    out += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (const std::size_t offset : offsets) {
        char entry[24];
        std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", offset);
        out += entry;
    }
    out += "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R >>\nstartxref\n"
           + std::to_string(xref) + "\n%%EOF\n";
    return out;
}

std::string textContent(const std::string& text)
{
    return "BT /F1 18 Tf 20 100 Td (" + text + ") Tj ET\n";
}

QImage textPicture(const std::string& text)
{
    return Drawn::screenText({text}, 28, false);
}

void save(const QImage& image, const std::filesystem::path& path, const char* format)
{
    ASSERT_TRUE(image.save(QString::fromStdString(path.string()), format));
}

// A progressive JPEG whose last scan, a refinement of every coefficient, comes 3,000 times: each copy is a few
// hundred bytes but makes the decoder visit the whole 64-megapixel picture again, so about a megabyte costs the
// decoder a good twenty seconds.
std::string repeatedScanJpeg()
{
    QImage page(8000, 8000, QImage::Format_Grayscale8);
    page.fill(255);
    {
        QPainter painter(&page);
        painter.fillRect(50, 50, 350, 70, Qt::black);
    }
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setProgressiveScanWrite(true);
    writer.setQuality(85);
    EXPECT_TRUE(writer.write(page));
    const std::string jpeg = buffer.data().toStdString();
    const std::size_t lastScan = jpeg.rfind("\xFF\xDA");
    const std::size_t end = jpeg.rfind("\xFF\xD9");
    EXPECT_NE(lastScan, std::string::npos);
    std::string repeated = jpeg.substr(0, end);
    for (int i = 0; i < 3000; ++i)
        repeated += jpeg.substr(lastScan, end - lastScan);
    return repeated + "\xFF\xD9";
}

constexpr double generousSeconds = 150;
} // namespace

TEST(HostileFilesTest, PageThatExhaustsMemoryIsReportedWhileTheOtherPagesRead)
{
    TempDir home;
    // Every "q" saves a graphics state that Poppler keeps until the page ends: a million of them need gigabytes.
    std::string bomb = textContent("Hello from the bomb page");
    for (int i = 0; i < 1'000'000; ++i)
        bomb += "q ";
    TestSupport::writeFile(home / "bomb.pdf",
                           pdf({{bomb, ""}, {textContent("The second page reads fine"), ""}}, 300, 200));
    ASSERT_LT(std::filesystem::file_size(home / "bomb.pdf"), 10'000u);
    const auto before = snapshot({home / "bomb.pdf"});

    const Timed run = ambrel(home, {"--ocr", (home / "bomb.pdf").string()});
    EXPECT_EQ(run.outcome.status, 0) << run.outcome.err;
    EXPECT_NE(run.outcome.out.find("The second page reads fine"), std::string::npos) << run.outcome.out;
    EXPECT_NE(run.outcome.err.find("Ambrel: page 1 of bomb.pdf: too large to read\n"), std::string::npos)
        << run.outcome.err;
    EXPECT_LT(run.seconds, generousSeconds);
    expectUnchanged(before);
}

TEST(HostileFilesTest, DeclaredGiantImageStopsAtTheTimeBudget)
{
    TempDir home;
    // A 60000 × 60000 colour image in a few bytes: Poppler walks all 3.6 billion pixels to draw it.
    const std::string image = "<< /Type /XObject /Subtype /Image /Width 60000 /Height 60000 /ColorSpace /DeviceRGB "
                              "/BitsPerComponent 8 /Filter /FlateDecode /Length 8 >>\nstream\n"
                              + flate(std::string(10, '\0')).substr(0, 8) + "\nendstream";
    TestSupport::writeFile(home / "giant.pdf", pdf({{"q 300 0 0 200 0 0 cm /Im1 Do Q\n", "/XObject << /Im1 8 0 R >>"},
                                                    {textContent("The second page reads fine"), ""}},
                                                   300, 200, {image}));
    const auto before = snapshot({home / "giant.pdf"});

    const Timed run = ambrel(home, {"--ocr", (home / "giant.pdf").string()});
    EXPECT_EQ(run.outcome.status, 0) << run.outcome.err;
    EXPECT_NE(run.outcome.out.find("The second page reads fine"), std::string::npos) << run.outcome.out;
    EXPECT_NE(run.outcome.err.find("Ambrel: page 1 of giant.pdf: too large to read\n"), std::string::npos)
        << run.outcome.err;
    EXPECT_LT(run.seconds, generousSeconds);
    expectUnchanged(before);
}

TEST(HostileFilesTest, ProgressiveJpegWithRepeatedScansStopsAtTheTimeBudgetAndTheBatchGoesOn)
{
    TempDir home;
    TestSupport::writeFile(home / "scans.jpg", repeatedScanJpeg());
    save(textPicture("Invoice number 1001"), home / "good.png", "PNG");
    const auto before = snapshot({home / "scans.jpg", home / "good.png"});

    const Timed ocr = ambrel(home, {"--ocr", (home / "scans.jpg").string()});
    EXPECT_EQ(ocr.outcome.status, 1);
    EXPECT_EQ(ocr.outcome.out, "");
    EXPECT_EQ(ocr.outcome.err, "Ambrel: " + (home / "scans.jpg").string() + ": too large to read\n");
    EXPECT_LT(ocr.seconds, generousSeconds);

    const std::filesystem::path out = home / "book.xlsx";
    const Timed batch =
        ambrel(home, {"--batch", out.string(), (home / "scans.jpg").string(), (home / "good.png").string()});
    EXPECT_EQ(batch.outcome.status, 0) << batch.outcome.err;
    EXPECT_EQ(batch.outcome.out, "wrote " + out.string() + " with 1 sheet(s)\n");
    EXPECT_EQ(batch.outcome.err, "Ambrel: skipped scans.jpg: too large to read\n");
    EXPECT_LT(batch.seconds, generousSeconds);
    expectUnchanged(before);
}

TEST(HostileFilesTest, FileWithoutPdfHeaderIsRefusedAtOnce)
{
    TempDir home;
    // Eight gigabytes of zeros, held sparsely: Poppler would search all of them for a document.
    {
        std::ofstream create(home / "zeros.pdf");
    }
    std::filesystem::resize_file(home / "zeros.pdf", std::uintmax_t{8} << 30);

    const Timed run = ambrel(home, {"--ocr", (home / "zeros.pdf").string()});
    EXPECT_EQ(run.outcome.status, 1);
    EXPECT_EQ(run.outcome.err, "Ambrel: could not read image(s) from " + (home / "zeros.pdf").string() + "\n");
    EXPECT_LT(run.seconds, 30);
    EXPECT_EQ(std::filesystem::file_size(home / "zeros.pdf"), std::uintmax_t{8} << 30);
}

TEST(HostileFilesTest, PictureTooWideForTheRecognizerIsRefusedWithTheReason)
{
    TempDir home;
    QImage wide(30001, 40, QImage::Format_Grayscale8);
    wide.fill(255);
    {
        QPainter painter(&wide);
        painter.setFont(Drawn::font(24));
        painter.drawText(10, 30, QStringLiteral("Legible text at the left edge"));
    }
    save(wide, home / "wide.png", "PNG");
    const auto before = snapshot({home / "wide.png"});
    for (const bool languagesGiven : {false, true}) {
        std::vector<std::string> arguments{"--ocr", (home / "wide.png").string()};
        if (languagesGiven)
            arguments.insert(arguments.end(), {"--lang", "en-US"});
        const Timed run = ambrel(home, arguments);
        EXPECT_EQ(run.outcome.status, 1);
        EXPECT_EQ(run.outcome.out, "");
        EXPECT_EQ(run.outcome.err, "Ambrel: " + (home / "wide.png").string()
                                       + ": too large to read (30001 \u00D7 40 pixels; at most 30000 a side and 100 "
                                         "megapixels)\n");
    }
    expectUnchanged(before);
}

TEST(HostileFilesTest, NamesThatAreNotUtf8OpenLikeAnyOther)
{
    TempDir home;
    // Qt's own writer would take the name as UTF-8 text, so the picture gets its name afterwards.
    const std::filesystem::path picture = home / "bad\xFF.jpg";
    save(textPicture("Invoice number 1001"), home / "plain.jpg", "JPEG");
    std::filesystem::rename(home / "plain.jpg", picture);
    const auto before = snapshot({picture});

    const Timed ocr = ambrel(home, {"--ocr", picture.string()});
    EXPECT_EQ(ocr.outcome.status, 0) << ocr.outcome.err;
    EXPECT_NE(ocr.outcome.out.find("Invoice number 1001"), std::string::npos) << ocr.outcome.out;

    const std::filesystem::path out = home / "book.xlsx";
    const Timed batch = ambrel(home, {"--batch", out.string(), picture.string()});
    EXPECT_EQ(batch.outcome.status, 0) << batch.outcome.err;
    EXPECT_EQ(batch.outcome.out, "wrote " + out.string() + " with 1 sheet(s)\n");
    EXPECT_EQ(batch.outcome.err, "");
    expectUnchanged(before);
}

TEST(BatchOutputTest, AnInputIsNeverTheOutput)
{
    TempDir home;
    save(textPicture("Invoice number 1001"), home / "a.png", "PNG");
    save(textPicture("Delivery note 2002"), home / "b.png", "PNG");
    std::filesystem::create_hard_link(home / "a.png", home / "same.xlsx");
    TestSupport::writeFile(home / "old.xlsx", "an old workbook");
    const auto before = snapshot({home / "a.png", home / "b.png", home / "old.xlsx"});

    // The output name forgotten: the first input would become the workbook.
    const Timed forgotten = ambrel(home, {"--batch", (home / "a.png").string(), (home / "b.png").string()});
    EXPECT_EQ(forgotten.outcome.status, 2);
    EXPECT_EQ(forgotten.outcome.err, "usage: --batch <out.xlsx> <inputs\u2026>\n");

    // The output among the inputs, by the same name or as another name of the same file.
    const std::vector<std::vector<std::string>> runs{
        {"--batch", (home / "old.xlsx").string(), (home / "a.png").string(), (home / "old.xlsx").string()},
        {"--batch", (home / "same.xlsx").string(), (home / "a.png").string()},
    };
    for (const auto& arguments : runs) {
        const Timed run = ambrel(home, arguments);
        EXPECT_EQ(run.outcome.status, 2) << arguments[1];
        EXPECT_EQ(run.outcome.out, "");
        EXPECT_NE(run.outcome.err.find("is also an input"), std::string::npos) << run.outcome.err;
        EXPECT_NE(run.outcome.err.find("nothing was written"), std::string::npos) << run.outcome.err;
    }
    expectUnchanged(before);
    EXPECT_FALSE(std::filesystem::exists(home / "b.xlsx"));
}

TEST(BatchOutputTest, SpecialFilesAreNeverReplaced)
{
    TempDir home;
    save(textPicture("Invoice number 1001"), home / "a.png", "PNG");
    ASSERT_EQ(::mkfifo((home / "pipe.xlsx").c_str(), 0600), 0);
    std::filesystem::create_directory(home / "folder.xlsx");
    const auto before = snapshot({home / "a.png"});

    for (const char* name : {"pipe.xlsx", "folder.xlsx"}) {
        const Timed run = ambrel(home, {"--batch", (home / name).string(), (home / "a.png").string()});
        EXPECT_EQ(run.outcome.status, 2) << name;
        EXPECT_NE(run.outcome.err.find("nothing was written"), std::string::npos) << run.outcome.err;
        EXPECT_LT(run.seconds, 30);
    }
    EXPECT_TRUE(std::filesystem::is_fifo(home / "pipe.xlsx"));
    EXPECT_TRUE(std::filesystem::is_directory(home / "folder.xlsx"));
    EXPECT_TRUE(std::filesystem::is_empty(home / "folder.xlsx"));
    expectUnchanged(before);
}

TEST(BatchOutputTest, SavingOverAWorkbookKeepsItsLinkAndPermissions)
{
    TempDir home;
    save(textPicture("Invoice number 1001"), home / "a.png", "PNG");
    TestSupport::writeFile(home / "target.xlsx", "old");
    std::filesystem::create_symlink("target.xlsx", home / "link.xlsx");
    TestSupport::writeFile(home / "private.xlsx", "old");
    ASSERT_EQ(::chmod((home / "private.xlsx").c_str(), 0600), 0);
    TestSupport::writeFile(home / "locked.xlsx", "old");
    ASSERT_EQ(::chmod((home / "locked.xlsx").c_str(), 0444), 0);
    const auto before = snapshot({home / "a.png"});

    const Timed linked = ambrel(home, {"--batch", (home / "link.xlsx").string(), (home / "a.png").string()});
    EXPECT_EQ(linked.outcome.status, 0) << linked.outcome.err;
    EXPECT_TRUE(std::filesystem::is_symlink(home / "link.xlsx"));
    EXPECT_TRUE(TestSupport::readFile(home / "target.xlsx").starts_with("PK"));

    const Timed mine = ambrel(home, {"--batch", (home / "private.xlsx").string(), (home / "a.png").string()});
    EXPECT_EQ(mine.outcome.status, 0) << mine.outcome.err;
    EXPECT_TRUE(TestSupport::readFile(home / "private.xlsx").starts_with("PK"));
    struct stat info
    {};
    ASSERT_EQ(::stat((home / "private.xlsx").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);

    // Read-only is the user's word that the file stays as it is, whoever runs the command.
    const Timed locked = ambrel(home, {"--batch", (home / "locked.xlsx").string(), (home / "a.png").string()});
    EXPECT_EQ(locked.outcome.status, 2);
    EXPECT_NE(locked.outcome.err.find("nothing was written"), std::string::npos) << locked.outcome.err;
    EXPECT_EQ(TestSupport::readFile(home / "locked.xlsx"), "old");
    expectUnchanged(before);
}

TEST(OutputFailureTest, StandardOutputThatCannotBeWrittenIsAnError)
{
    TempDir home;
    save(textPicture("Invoice number 1001"), home / "x.png", "PNG");
    TestSupport::writeFile(home / "x.pdf", pdf({{textContent("A page of plain prose text here"), ""}}, 300, 200));
    for (const char* name : {"x.png", "x.pdf"}) {
        for (const bool languagesGiven : {false, true}) {
            const std::string command =
                std::string("exec \"$0\" --ocr \"$1\"") + (languagesGiven ? " --lang en-US" : "") + " > /dev/full";
            const Outcome run = TestSupport::run(
                "/bin/sh", {"-c", command, AMBREL_EXECUTABLE, (home / name).string()},
                {{"XDG_CONFIG_HOME", (home / "config").string()}, {"XDG_DATA_HOME", (home / "data").string()}});
            EXPECT_EQ(run.status, 1) << name;
            EXPECT_EQ(run.err, "Ambrel: could not write the output: No space left on device\n") << name;
        }
    }
}
