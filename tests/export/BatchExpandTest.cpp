#include "export/BatchExpand.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {
void touch(const QString& path)
{
    QFile file(path);
    file.open(QIODevice::WriteOnly);
}

std::vector<std::string> names(const std::vector<std::string>& paths)
{
    std::vector<std::string> out;
    for (const std::string& path : paths)
        out.push_back(QFileInfo(QString::fromStdString(path)).fileName().toStdString());
    return out;
}
} // namespace

TEST(BatchExpandTest, FolderGivesAcceptedEntriesOneLevelDeepInCodePointOrder)
{
    QTemporaryDir dir;
    for (const char* name : {"b.png", "A.pdf", "notes.txt", ".x.jpg", "PHOTO.JPG", "page10.png", "page2.png"})
        touch(dir.filePath(QString::fromLatin1(name)));
    QDir(dir.path()).mkpath(QStringLiteral("sub"));
    touch(dir.filePath(QStringLiteral("sub/c.png")));
    QDir(dir.path()).mkpath(QStringLiteral("folder.png")); // a folder named like a picture is no input

    const auto files = Batch::expand({dir.path().toStdString()});
    EXPECT_EQ(names(files),
              (std::vector<std::string>{".x.jpg", "A.pdf", "PHOTO.JPG", "b.png", "page10.png", "page2.png"}));
    EXPECT_EQ(files.front(), dir.filePath(QStringLiteral(".x.jpg")).toStdString());
}

TEST(BatchExpandTest, ChosenOrderIsKeptWithDuplicatesAndMissingPathsSkipped)
{
    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("scans"));
    touch(dir.filePath(QStringLiteral("scans/two.tif")));
    touch(dir.filePath(QStringLiteral("scans/one.heic")));
    touch(dir.filePath(QStringLiteral("single.GIF")));
    touch(dir.filePath(QStringLiteral("readme.md")));

    const auto files = Batch::expand({
        dir.filePath(QStringLiteral("single.GIF")).toStdString(),
        dir.filePath(QStringLiteral("gone.png")).toStdString(),
        dir.filePath(QStringLiteral("readme.md")).toStdString(),
        dir.filePath(QStringLiteral("scans")).toStdString(),
        dir.filePath(QStringLiteral("scans/two.tif")).toStdString(),
    });
    EXPECT_EQ(names(files), (std::vector<std::string>{"single.GIF", "one.heic", "two.tif", "two.tif"}));
}

TEST(BatchExpandTest, UnlistableFolderCountsAsEmpty)
{
    QTemporaryDir dir;
    const QString locked = dir.filePath(QStringLiteral("locked"));
    QDir(dir.path()).mkpath(QStringLiteral("locked"));
    touch(locked + QStringLiteral("/a.png"));
    QFile::setPermissions(locked, QFileDevice::Permissions());
    const bool listable = !QDir(locked).entryList(QDir::Files).isEmpty();
    const auto files = Batch::expand({locked.toStdString(), dir.path().toStdString()});
    QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    if (listable)
        GTEST_SKIP() << "permissions do not apply to this user";
    EXPECT_TRUE(files.empty());
    EXPECT_TRUE(Batch::expand({""}).empty());
}

TEST(BatchExpandTest, ExtensionsAreComparedInLowerCase)
{
    EXPECT_TRUE(Batch::accepted("PHOTO.JPG"));
    EXPECT_TRUE(Batch::accepted("Scan.Pdf"));
    EXPECT_FALSE(Batch::accepted("archive.pdf.zip"));
    EXPECT_FALSE(Batch::accepted("png"));
    EXPECT_FALSE(Batch::accepted("noext"));
}

TEST(BatchSheetTest, PageWithoutTableGivesLinesThenBarcodes)
{
    OCRResult result;
    result.exactText = "first\n\nthird\n";
    result.barcodes = {"QR-1", "QR-2"};
    EXPECT_EQ(Batch::plainRows(result), (TableGrid{{"first"}, {""}, {"third"}, {""}, {"QR-1"}, {"QR-2"}}));

    OCRResult codes;
    codes.barcodes = {"only"};
    EXPECT_EQ(Batch::plainRows(codes), (TableGrid{{"only"}}));
    EXPECT_EQ(Batch::plainRows(OCRResult{}), (TableGrid{{""}}));

    const TableGrid table{{"a", "b"}, {"1", "2"}};
    EXPECT_EQ(Batch::sheetRows(result, table), table);
    EXPECT_EQ(Batch::sheetRows(codes, std::nullopt), (TableGrid{{"only"}}));
}

TEST(BatchSheetTest, MessagesAreExact)
{
    EXPECT_EQ(Batch::progressText(2, 12), "Processing 3 / 12\u2026");
    EXPECT_EQ(Batch::exportedText(1), "\u2713 Exported 1 sheet");
    EXPECT_EQ(Batch::exportedText(7), "\u2713 Exported 7 sheets");
    EXPECT_EQ(Batch::saveFailedMessage, "Couldn\u2019t save the workbook");
}
