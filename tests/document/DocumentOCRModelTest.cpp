#include "document/DocumentOCRModel.h"

#include <gtest/gtest.h>

namespace {
using Mode = Settings::OutputMode;
using Format = DocumentOCRModel::ExportFormat;

OCRResult textResult(std::string text)
{
    OCRResult result;
    result.exactText = std::move(text);
    return result;
}

OCRResult tableResult()
{
    OCRResult result;
    result.exactText = "Name Qty\nApple 3";
    PageBlock table;
    table.kind = PageBlock::Kind::Table;
    table.grid = TableGrid{{"Name", "Qty"}, {"Apple", "3"}};
    result.blocks = {table};
    return result;
}

OCRResult codesOnly(std::vector<std::string> codes)
{
    OCRResult result;
    result.barcodes = std::move(codes);
    return result;
}
} // namespace

TEST(DocumentOCRModelTest, SectionsJoinInAddedOrderWhateverOrderResultsArriveIn)
{
    DocumentOCRModel model;
    const auto p1 = model.addPage("report.pdf \u2014 p1");
    const auto p2 = model.addPage("report.pdf \u2014 p2");
    const auto p3 = model.addPage("report.pdf \u2014 p3");
    const auto pic = model.addPage("scan.png");
    EXPECT_EQ(model.pending(), 4u);
    EXPECT_EQ(model.combinedText(), "");

    ASSERT_TRUE(model.deliver(p3, textResult("third")));
    ASSERT_TRUE(model.deliver(pic, textResult("picture")));
    // Sections still being recognized are left out, headers are there because there are several sections.
    EXPECT_EQ(model.combinedText(), "===== report.pdf \u2014 p3 =====\nthird\n\n===== scan.png =====\npicture");
    EXPECT_EQ(model.pending(), 2u);

    ASSERT_TRUE(model.deliver(p1, textResult("first")));
    ASSERT_TRUE(model.deliver(p2, textResult("second")));
    EXPECT_EQ(model.pending(), 0u);
    EXPECT_EQ(model.combinedText(), "===== report.pdf \u2014 p1 =====\nfirst\n\n"
                                    "===== report.pdf \u2014 p2 =====\nsecond\n\n"
                                    "===== report.pdf \u2014 p3 =====\nthird\n\n"
                                    "===== scan.png =====\npicture");
    // A second result for a finished section changes nothing.
    EXPECT_FALSE(model.deliver(p1, textResult("again")));
    EXPECT_EQ(model.sections().front().result->plainText(), "first");
}

TEST(DocumentOCRModelTest, UnreadableFilesSayCouldNotReadAndEmptyPagesNoTextFound)
{
    DocumentOCRModel model;
    model.addUnreadable("notes.txt"); // alone it reads "could not read notes.txt", as the window test shows
    EXPECT_EQ(model.pending(), 0u);
    model.deliver(model.addPage("blank.png"), OCRResult{});
    EXPECT_EQ(model.combinedText(), "===== notes.txt \u2014 unreadable =====\ncould not read notes.txt\n\n"
                                    "===== blank.png =====\n(no text found)");
    EXPECT_FALSE(model.hasText());
    model.deliver(model.addPage("qr.png"), codesOnly({"CODE"}));
    EXPECT_TRUE(model.hasText());
}

TEST(DocumentOCRModelTest, OnePageShowsItsTextWithoutHeaderAndBarcodesFollowTheTextOrStandAlone)
{
    OCRResult both = textResult("Hello\nWorld");
    both.barcodes = {"CODE-1", "CODE-2"};
    const std::vector<std::pair<OCRResult, std::string>> cases{
        {textResult("Hello\nWorld"), "Hello\nWorld"},
        {codesOnly({"https://example.org/a"}), "https://example.org/a"},
        {both, "Hello\nWorld\nCODE-1\nCODE-2"},
    };
    for (const auto& [result, text] : cases) {
        DocumentOCRModel model;
        model.deliver(model.addPage("scan.png"), result);
        EXPECT_EQ(model.combinedText(), text);
    }
}

TEST(DocumentOCRModelTest, TableNoteCountsFinishedNonEmptyPagesInTableModes)
{
    DocumentOCRModel model;
    EXPECT_EQ(model.detectionNote(), std::nullopt);
    model.deliver(model.addPage("blank"), OCRResult{});
    EXPECT_EQ(model.detectionNote(), std::nullopt);
    model.deliver(model.addPage("a"), textResult("words only"));
    EXPECT_EQ(model.detectionNote(), "Text \u2014 no table on this page.");

    DocumentOCRModel mixed;
    mixed.deliver(mixed.addPage("t"), tableResult());
    mixed.addPage("still recognizing");
    EXPECT_EQ(mixed.detectionNote(), "Table detected.");
    mixed.deliver(mixed.addPage("t"), tableResult());
    for (int i = 0; i < 3; ++i)
        mixed.deliver(mixed.addPage("p"), textResult("prose"));
    mixed.deliver(mixed.addPage("blank"), OCRResult{}); // empty pages are not counted
    mixed.addUnreadable("x.txt");
    EXPECT_EQ(mixed.detectionNote(), "Table detected in 2 of 5 pages.");
    for (const Mode mode : {Mode::PlainText, Mode::Code}) {
        mixed.setModeRaw(static_cast<int>(mode));
        EXPECT_EQ(mixed.detectionNote(), std::nullopt);
    }
}

TEST(DocumentOCRModelTest, WindowModeChoosesTableRendering)
{
    DocumentOCRModel model(static_cast<int>(Mode::Auto));
    model.deliver(model.addPage("t.pdf"), tableResult());
    EXPECT_EQ(model.combinedText(), "| Name | Qty |\n| --- | --- |\n| Apple | 3 |");
    EXPECT_TRUE(model.copyIsTable());
    model.setModeRaw(static_cast<int>(Mode::CSV));
    EXPECT_EQ(model.combinedText(), "Name,Qty\nApple,3");
    // Plain text keeps a table's rows, its cells split by tabs, so a paste into a spreadsheet still splits them.
    model.setModeRaw(static_cast<int>(Mode::PlainText));
    EXPECT_EQ(model.combinedText(), "Name\tQty\nApple\t3");
    EXPECT_FALSE(model.copyIsTable());
    model.setModeRaw(42); // no mode: automatic
    EXPECT_EQ(model.mode(), Mode::Auto);
    EXPECT_TRUE(model.copyIsTable());
}

TEST(DocumentOCRModelTest, ExportsFixTheirOwnModeAndKeepHeaders)
{
    DocumentOCRModel model(static_cast<int>(Mode::PlainText));
    model.deliver(model.addPage("t.pdf"), tableResult());
    model.addUnreadable("x.txt");

    EXPECT_EQ(model.exportData(Format::PlainText),
              "===== t.pdf =====\nName\tQty\nApple\t3\n\n===== x.txt \u2014 unreadable =====\ncould not read x.txt\n");
    EXPECT_EQ(model.exportData(Format::CSV), "\"===== t.pdf =====\"\nName,Qty\nApple,3\n\n"
                                             "\"===== x.txt \u2014 unreadable =====\"\n\"could not read x.txt\"\n");
    EXPECT_EQ(model.exportData(Format::Markdown), "## t.pdf\n\n| Name | Qty |\n| --- | --- |\n| Apple | 3 |\n\n"
                                                  "## x.txt \u2014 unreadable\n\ncould not read x.txt\n");
}

TEST(DocumentOCRModelTest, MarkdownOfProseEscapesWhatMarkdownWouldMisread)
{
    DocumentOCRModel model;
    model.deliver(model.addPage("notes.png"), textResult("# not a heading\n"
                                                         "* not a bullet\n"
                                                         "1. not a list\n"
                                                         "snake_case and 2*3 | a<b> [x](y)\n"
                                                         "\n"
                                                         "===\n"
                                                         "- 5 degrees"));
    const std::string markdown = *model.exportData(Format::Markdown);
    EXPECT_EQ(markdown, "\\# not a heading\\\n"
                        "\\* not a bullet\\\n"
                        "1\\. not a list\\\n"
                        "snake\\_case and 2\\*3 \\| a\\<b\\> \\[x\\](y)\n"
                        "\n"
                        "\\===\\\n"
                        "\\- 5 degrees\n");
    EXPECT_NE(markdown, *model.exportData(Format::PlainText));
    // CSV of prose, one quoted cell a line, is read back by Python in the window's export test.
}

TEST(DocumentOCRModelTest, SuggestedNameIsTheFirstFileNameWithoutExtensionOrSuffix)
{
    EXPECT_EQ(DocumentOCRModel().suggestedBaseName(), "Ambrel");
    for (const auto& [label, name] :
         std::vector<std::pair<std::string, std::string>>{{"invoice.pdf", "invoice"},
                                                          {"report.v2.pdf \u2014 p3", "report.v2"},
                                                          {"README \u2014 unreadable", "README"},
                                                          {".hidden", ".hidden"}}) {
        DocumentOCRModel model;
        model.addPage(label);
        model.addPage("second.png");
        EXPECT_EQ(model.suggestedBaseName(), name);
    }
    DocumentOCRModel unreadable;
    unreadable.addUnreadable("notes.txt");
    EXPECT_EQ(unreadable.suggestedBaseName(), "notes");
}

TEST(DocumentOCRModelTest, ResultsFromBeforeAClearNeverLandInNewSections)
{
    DocumentOCRModel model;
    const auto old = model.addPage("old.png");
    model.clear();
    EXPECT_EQ(model.pending(), 0u);
    const auto fresh = model.addPage("new.png");
    EXPECT_FALSE(model.deliver(old, textResult("stale")));
    EXPECT_EQ(model.pending(), 1u);
    EXPECT_TRUE(model.deliver(fresh, textResult("fresh")));
    EXPECT_EQ(model.combinedText(), "fresh");
}

TEST(DocumentOCRModelTest, StoredResultsDropTheirPageImage)
{
    DocumentOCRModel model;
    OCRResult result = textResult("text");
    result.image = Image(); // any image at all
    model.deliver(model.addPage("p"), result);
    EXPECT_FALSE(model.sections().front().result->image.has_value());
}
