#include "export/BatchExpand.h"

#include "support/Process.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
using TestSupport::TempDir;

namespace {
void touch(const fs::path& path)
{
    std::ofstream{path};
}

std::vector<std::string> names(const std::vector<std::string>& paths)
{
    std::vector<std::string> out;
    for (const std::string& path : paths)
        out.push_back(fs::path(path).filename().string());
    return out;
}
} // namespace

TEST(BatchExpandTest, FolderGivesAcceptedEntriesOneLevelDeepInCodePointOrder)
// Extensions are compared in lower case, and only the last one counts.
{
    TempDir dir;
    for (const char* name : {"b.png", "A.pdf", "notes.txt", ".x.jpg", "PHOTO.JPG", "page10.png", "page2.png",
                             "Scan.Pdf", "archive.pdf.zip", "png", "noext"})
        touch(dir / name);
    fs::create_directory(dir / "sub");
    touch(dir / "sub/c.png");
    fs::create_directory(dir / "folder.png"); // a folder named like a picture is no input

    const auto files = Batch::expand({dir.path().string()});
    EXPECT_EQ(names(files), (std::vector<std::string>{".x.jpg", "A.pdf", "PHOTO.JPG", "Scan.Pdf", "b.png", "page10.png",
                                                      "page2.png"}));
    EXPECT_EQ(files.front(), (dir / ".x.jpg").string());
}

TEST(BatchExpandTest, ChosenOrderIsKeptEachFileOnceAndLeftOutFilesNamed)
{
    TempDir dir;
    fs::create_directory(dir / "scans");
    touch(dir / "scans/two.tif");
    touch(dir / "scans/one.heic");
    touch(dir / "scans/notes.txt");
    touch(dir / "single.GIF");
    touch(dir / "readme.md");

    std::vector<Batch::Skipped> skipped;
    const auto files = Batch::expand(
        {
            (dir / "single.GIF").string(),
            (dir / "gone.png").string(),
            (dir / "readme.md").string(),
            (dir / "scans").string(),
            (dir / "scans/two.tif").string(),
            (dir / "scans/../scans/one.heic").string(),
            (dir / "scans/").string(),
        },
        &skipped);
    // The folder's files once each, whether chosen again by themselves, by another spelling or with the folder.
    EXPECT_EQ(names(files), (std::vector<std::string>{"single.GIF", "one.heic", "two.tif"}));
    // Files chosen by themselves and left out are named; a folder's other files are not.
    EXPECT_EQ(skipped, (std::vector<Batch::Skipped>{{"gone.png", "not found"}, {"readme.md", "not a PDF or image"}}));
}

TEST(BatchExpandTest, UnlistableFolderCountsAsEmpty)
{
    TempDir dir;
    const fs::path locked = dir / "locked";
    fs::create_directory(locked);
    touch(locked / "a.png");
    fs::permissions(locked, fs::perms::none);
    std::error_code error;
    const bool listable = fs::directory_iterator(locked, error) != fs::directory_iterator();
    const auto files = Batch::expand({locked.string(), dir.path().string()});
    fs::permissions(locked, fs::perms::owner_all);
    if (listable)
        GTEST_SKIP() << "permissions do not apply to this user";
    EXPECT_TRUE(files.empty());
    EXPECT_TRUE(Batch::expand({""}).empty());
}

TEST(BatchSheetTest, EveryTableOfAPageGetsASheetAndAPageWithoutTablesItsLinesThenBarcodes)
{
    PageBlock text;
    text.text = "Intro";
    PageBlock first;
    first.kind = PageBlock::Kind::Table;
    first.grid = {{"a", "b"}, {"1", "2"}};
    PageBlock second = first;
    second.grid = {{"x", "y"}, {"3", "4"}};
    OCRResult page;
    page.blocks = {text, first, text, second};
    const auto sheets = Batch::pageSheets("report.pdf \u2014 p2", page, std::nullopt);
    ASSERT_EQ(sheets.size(), 2u);
    EXPECT_EQ(sheets[0].name, "report.pdf \u2014 p2");
    EXPECT_EQ(sheets[0].rows, first.grid);
    EXPECT_EQ(sheets[1].name, "report.pdf \u2014 p2 (table 2)");
    EXPECT_EQ(sheets[1].rows, second.grid);
    // A long page name is shortened so that the table number survives the 31-character limit.
    EXPECT_EQ(Batch::pageSheets("a very long scanned file name here.png", page, std::nullopt)[1].name,
              "a very long scanned f (table 2)");

    OCRResult prose;
    prose.blocks = {text};
    EXPECT_EQ(Batch::pageSheets("notes.png", prose, std::nullopt).at(0).rows, (TableGrid{{"Intro"}}));
    OCRResult lines;
    lines.exactText = "first\n\nthird\n";
    lines.barcodes = {"QR-1", "QR-2"};
    EXPECT_EQ(Batch::sheetRows(lines, std::nullopt), (TableGrid{{"first"}, {""}, {"third"}, {""}, {"QR-1"}, {"QR-2"}}));
    EXPECT_EQ(Batch::sheetRows(lines, first.grid), first.grid);
    OCRResult codes;
    codes.barcodes = {"only"};
    EXPECT_EQ(Batch::sheetRows(codes, std::nullopt), (TableGrid{{"only"}}));
    EXPECT_EQ(Batch::sheetRows(OCRResult{}, std::nullopt), (TableGrid{{""}}));
}
