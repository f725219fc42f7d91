// Hostile and careless input through the real executable: files built to exhaust memory or time, names that are
// not text, outputs that would replace what the user owns. Every case checks the status, the message, that the run
// ends well inside a generous bound (a run still going then is killed and fails its status), and that no input
// changed.
#include "RunAmbrel.h"

#include <QBuffer>
#include <QImageWriter>
#include <QPainter>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <tuple>

using TestSupport::Outcome;
using TestSupport::TempDir;

namespace {
// Well beyond any budget of the program's own, and far below a hang.
TestSupport::Outcome guarded(const TempDir& home, const std::vector<std::string>& arguments, int seconds = 150)
{
    return ambrel(home, arguments, {}, std::chrono::seconds(seconds));
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

// A PDF of `contents.size()` pages of 300 × 200 points, each with the font F1 and the resources given, followed by
// `extra` objects numbered from 4 + 2 × pages.
std::string pdf(const std::vector<std::pair<std::string, std::string>>& contents,
                const std::vector<std::string>& extra = {})
{
    std::vector<std::string> objects{"<< /Type /Catalog /Pages 2 0 R >>"};
    const std::size_t pages = contents.size();
    std::string kids;
    for (std::size_t i = 0; i < pages; ++i)
        kids += std::to_string(3 + 2 * i) + " 0 R ";
    objects.push_back("<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages) + " >>");
    for (std::size_t i = 0; i < pages; ++i) {
        objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 300 200] /Contents " + std::to_string(4 + 2 * i)
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
} // namespace

TEST(HostileFilesTest, PageTooCostlyToDrawIsReportedWhileTheOtherPagesRead)
{
    TempDir home;
    // Every "q" saves a graphics state that Poppler keeps until the page ends: a million of them need gigabytes.
    std::string bomb = textContent("Hello from the bomb page");
    for (int i = 0; i < 1'000'000; ++i)
        bomb += "q ";
    // A 60000 × 60000 colour image in a few bytes: Poppler walks all 3.6 billion pixels to draw it.
    const std::string image = "<< /Type /XObject /Subtype /Image /Width 60000 /Height 60000 /ColorSpace /DeviceRGB "
                              "/BitsPerComponent 8 /Filter /FlateDecode /Length 8 >>\nstream\n"
                              + flate(std::string(10, '\0')).substr(0, 8) + "\nendstream";
    const std::pair<std::string, std::string> second{textContent("The second page reads fine"), ""};
    TestSupport::writeFile(home / "bomb.pdf", pdf({{bomb, ""}, second}));
    ASSERT_LT(std::filesystem::file_size(home / "bomb.pdf"), 10'000u);
    TestSupport::writeFile(home / "giant.pdf",
                           pdf({{"q 300 0 0 200 0 0 cm /Im1 Do Q\n", "/XObject << /Im1 8 0 R >>"}, second}, {image}));
    const auto before = snapshot({home / "bomb.pdf", home / "giant.pdf"});

    for (const std::string name : {"bomb.pdf", "giant.pdf"}) {
        const Outcome run = guarded(home, {"--ocr", (home / name).string()});
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_NE(run.out.find("The second page reads fine"), std::string::npos) << run.out;
        EXPECT_NE(run.err.find("Ambrel: page 1 of " + name + ": too large to read\n"), std::string::npos) << run.err;
    }
    expectUnchanged(before);
}

// Each refused at its own limit with the reason: a picture too costly to decode stops at the time budget, one too
// wide for the recognizer is refused with its size, and a file without a PDF header is not searched for one.
TEST(HostileFilesTest, InputsBeyondALimitAreRefusedWithTheReasonAndTheBatchGoesOn)
{
    TempDir home;
    TestSupport::writeFile(home / "scans.jpg", repeatedScanJpeg());
    QImage wide(30001, 40, QImage::Format_Grayscale8);
    wide.fill(255);
    {
        QPainter painter(&wide);
        painter.setFont(Drawn::font(24));
        painter.drawText(10, 30, QStringLiteral("Legible text at the left edge"));
    }
    save(wide, home / "wide.png");
    // Eight gigabytes of zeros, held sparsely: Poppler would search all of them for a document.
    TestSupport::writeFile(home / "zeros.pdf", "");
    std::filesystem::resize_file(home / "zeros.pdf", std::uintmax_t{8} << 30);
    save(textPicture("Invoice number 1001"), home / "good.png");
    const auto inputs = snapshot({home / "scans.jpg", home / "wide.png", home / "good.png"});

    // Each row: the file, standard error before and after its path, and the bound on the run.
    const std::tuple<const char*, const char*, const char*, int> cases[] = {
        {"scans.jpg", "Ambrel: ", ": too large to read\n", 150},
        {"wide.png",
         "Ambrel: ", ": too large to read (30001 \u00D7 40 pixels; at most 30000 a side and 100 megapixels)\n", 150},
        {"zeros.pdf", "Ambrel: could not read image(s) from ", "\n", 30},
    };
    for (const auto& [name, before, after, seconds] : cases) {
        const Outcome ocr = guarded(home, {"--ocr", (home / name).string()}, seconds);
        EXPECT_EQ(ocr.status, 1) << name;
        EXPECT_EQ(ocr.out, "");
        EXPECT_EQ(ocr.err, before + (home / name).string() + after);
    }

    const std::filesystem::path out = home / "book.xlsx";
    const Outcome batch =
        guarded(home, {"--batch", out.string(), (home / "scans.jpg").string(), (home / "good.png").string()});
    EXPECT_EQ(batch.status, 0) << batch.err;
    EXPECT_EQ(batch.out, "wrote " + out.string() + " with 1 sheet(s)\n");
    EXPECT_EQ(batch.err, "Ambrel: skipped scans.jpg: too large to read\n");
    expectUnchanged(inputs);
    EXPECT_EQ(std::filesystem::file_size(home / "zeros.pdf"), std::uintmax_t{8} << 30);
}

TEST(HostileFilesTest, NamesThatAreNotUtf8OpenLikeAnyOther)
{
    TempDir home;
    // Qt's own writer would take the name as UTF-8 text, so the picture gets its name afterwards.
    const std::filesystem::path picture = home / "bad\xFF.jpg";
    save(textPicture("Invoice number 1001"), home / "plain.jpg", "JPEG");
    std::filesystem::rename(home / "plain.jpg", picture);
    const auto before = snapshot({picture});

    const Outcome ocr = guarded(home, {"--ocr", picture.string()});
    EXPECT_EQ(ocr.status, 0) << ocr.err;
    EXPECT_NE(ocr.out.find("Invoice number 1001"), std::string::npos) << ocr.out;

    const std::filesystem::path out = home / "book.xlsx";
    const Outcome batch = guarded(home, {"--batch", out.string(), picture.string()});
    EXPECT_EQ(batch.status, 0) << batch.err;
    EXPECT_EQ(batch.out, "wrote " + out.string() + " with 1 sheet(s)\n");
    EXPECT_EQ(batch.err, "");
    expectUnchanged(before);
}

// An output that is an input, or not a file the user lets us replace, is refused before anything is read; one that
// cannot be written, or a batch with nothing to write, fails and leaves no file.
TEST(BatchOutputTest, OutputsThatWouldReplaceWhatTheUserOwnsAreRefused)
{
    TempDir home;
    save(textPicture("Invoice number 1001"), home / "a.png");
    save(textPicture("Delivery note 2002"), home / "b.png");
    std::filesystem::create_hard_link(home / "a.png", home / "same.xlsx");
    TestSupport::writeFile(home / "old.xlsx", "an old workbook");
    ASSERT_EQ(::mkfifo((home / "pipe.xlsx").c_str(), 0600), 0);
    std::filesystem::create_directory(home / "folder.xlsx");
    // Read-only is the user's word that the file stays as it is, whoever runs the command.
    TestSupport::writeFile(home / "locked.xlsx", "old");
    ASSERT_EQ(::chmod((home / "locked.xlsx").c_str(), 0444), 0);
    const auto before = snapshot({home / "a.png", home / "b.png", home / "old.xlsx", home / "locked.xlsx"});

    const auto path = [&](const char* name) { return (home / name).string(); };
    struct Case
    {
        std::vector<std::string> arguments;
        int status;
        std::string err; // the whole of standard error, or a part of it when it has no line end
    };
    const Case cases[] = {
        // The output name forgotten: the first input would become the workbook.
        {{"--batch", path("a.png"), path("b.png")}, 2, "usage: --batch <out.xlsx> <inputs\u2026>\n"},
        {{"--batch", path("old.xlsx"), path("a.png"), path("old.xlsx")}, 2, "is also an input"},
        {{"--batch", path("same.xlsx"), path("a.png")}, 2, "is also an input"}, // another name of an input
        {{"--batch", path("pipe.xlsx"), path("a.png")}, 2, "nothing was written"},
        {{"--batch", path("folder.xlsx"), path("a.png")}, 2, "nothing was written"},
        {{"--batch", path("locked.xlsx"), path("a.png")}, 2, "nothing was written"},
        {{"--batch", path("no such folder/out.xlsx"), path("a.png")}, 1, "write failed: "},
        {{"--batch", path("out.xlsx"), path("missing.pdf")},
         1,
         "Ambrel: skipped " + path("missing.pdf") + ": not found\nAmbrel: no readable inputs\n"},
    };
    for (const Case& c : cases) {
        const Outcome run = guarded(home, c.arguments, 30);
        EXPECT_EQ(run.status, c.status) << c.arguments[1];
        EXPECT_EQ(run.out, "");
        if (c.err.ends_with('\n'))
            EXPECT_EQ(run.err, c.err);
        else
            EXPECT_NE(run.err.find(c.err), std::string::npos) << run.err;
        if (c.status == 2 && c.err != cases[0].err) {
            EXPECT_NE(run.err.find("nothing was written"), std::string::npos) << run.err;
        }
    }
    EXPECT_FALSE(std::filesystem::exists(home / "out.xlsx"));
    EXPECT_FALSE(std::filesystem::exists(home / "no such folder"));
    EXPECT_TRUE(std::filesystem::is_fifo(home / "pipe.xlsx"));
    EXPECT_TRUE(std::filesystem::is_empty(home / "folder.xlsx"));
    expectUnchanged(before);
}

TEST(BatchOutputTest, SavingOverAWorkbookKeepsItsLinkAndPermissions)
{
    TempDir home;
    save(textPicture("Invoice number 1001"), home / "a.png");
    TestSupport::writeFile(home / "target.xlsx", "old");
    std::filesystem::create_symlink("target.xlsx", home / "link.xlsx");
    TestSupport::writeFile(home / "private.xlsx", "old");
    ASSERT_EQ(::chmod((home / "private.xlsx").c_str(), 0600), 0);

    for (const char* name : {"link.xlsx", "private.xlsx"}) {
        const Outcome run = guarded(home, {"--batch", (home / name).string(), (home / "a.png").string()});
        EXPECT_EQ(run.status, 0) << run.err;
    }
    EXPECT_TRUE(std::filesystem::is_symlink(home / "link.xlsx"));
    EXPECT_TRUE(TestSupport::readFile(home / "target.xlsx").starts_with("PK"));
    EXPECT_TRUE(TestSupport::readFile(home / "private.xlsx").starts_with("PK"));
    struct stat info
    {};
    ASSERT_EQ(::stat((home / "private.xlsx").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
}

TEST(OutputFailureTest, StandardOutputThatCannotBeWrittenIsAnError)
{
    TempDir home;
    save(textPicture("Invoice number 1001"), home / "x.png");
    TestSupport::writeFile(home / "x.pdf", pdf({{textContent("A page of plain prose text here"), ""}}));
    for (const char* name : {"x.png", "x.pdf"}) {
        const Outcome run = TestSupport::run(
            "/bin/sh", {"-c", "exec \"$0\" --ocr \"$1\" > /dev/full", AMBREL_EXECUTABLE, (home / name).string()},
            {{"XDG_CONFIG_HOME", (home / "config").string()}, {"XDG_DATA_HOME", (home / "data").string()}});
        EXPECT_EQ(run.status, 1) << name;
        EXPECT_EQ(run.err, "Ambrel: could not write the output: No space left on device\n") << name;
    }
}
