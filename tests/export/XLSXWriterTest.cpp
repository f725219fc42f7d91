#include "export/XLSXWriter.h"

#include "ZipBytes.h"

#include <gtest/gtest.h>

#include <set>

using XLSXWriter::normalizedNames;

namespace {
const std::string declaration = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
const std::string fffd = "\xEF\xBF\xBD";

std::string repeat(std::string_view piece, int times)
{
    std::string out;
    for (int i = 0; i < times; ++i)
        out += piece;
    return out;
}
} // namespace

TEST(XLSXWriterTest, ColumnLettersAreBijectiveBase26)
{
    const std::vector<std::pair<std::size_t, std::string>> cases{{0, "A"},     {1, "B"},      {25, "Z"},  {26, "AA"},
                                                                 {27, "AB"},   {51, "AZ"},    {52, "BA"}, {701, "ZZ"},
                                                                 {702, "AAA"}, {16383, "XFD"}};
    for (const auto& [index, letters] : cases)
        EXPECT_EQ(XLSXWriter::columnLetter(index), letters) << index;
}

TEST(XLSXWriterTest, EscapeWritesEntitiesAndDropsWhatXmlCannotCarry)
{
    EXPECT_EQ(XLSXWriter::escape("a & b"), "a &amp; b");
    EXPECT_EQ(XLSXWriter::escape("<total>"), "&lt;total&gt;");
    EXPECT_EQ(XLSXWriter::escape("say \"hi\" it's"), "say &quot;hi&quot; it's");
    EXPECT_EQ(XLSXWriter::escape(std::string("a\0b\fc\x1F"
                                             "d\x7F",
                                             8)),
              "abcd\x7F")
        << "NUL, form feed, unit sep";
    EXPECT_EQ(XLSXWriter::escape("\t\n\r"), "\t\n\r");
    EXPECT_EQ(XLSXWriter::escape("\xF0\x9F\x98\x80 \xE4\xB8\xAD"), "\xF0\x9F\x98\x80 \xE4\xB8\xAD");
    EXPECT_EQ(XLSXWriter::escape("\xED\x9F\xBF\xEE\x80\x80"), "\xED\x9F\xBF\xEE\x80\x80") << "U+D7FF, U+E000 kept";
    EXPECT_EQ(XLSXWriter::escape("a\xEF\xBF\xBE\xEF\xBF\xBF"
                                 "b"
                                 + fffd),
              "ab" + fffd)
        << "U+FFFE, U+FFFF dropped";
}

TEST(XLSXWriterTest, EscapeReplacesIllFormedUtf8)
{
    EXPECT_EQ(XLSXWriter::escape("caf\xE9 & co"), "caf" + fffd + " &amp; co") << "a Latin-1 byte";
    EXPECT_EQ(XLSXWriter::escape("\xED\xA0\x80<"), fffd + fffd + fffd + "&lt;") << "encoded surrogate";
    EXPECT_EQ(XLSXWriter::escape("x\xF0\x9F"), "x" + fffd) << "cut-off emoji";
}

TEST(XLSXWriterTest, FixedPartsAreExact)
{
    EXPECT_EQ(
        XLSXWriter::contentTypes(2),
        declaration
            + "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
              "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
              "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
              "<Override PartName=\"/xl/workbook.xml\" "
              "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
              "<Override PartName=\"/xl/worksheets/sheet1.xml\" "
              "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>"
              "<Override PartName=\"/xl/worksheets/sheet2.xml\" "
              "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>"
              "</Types>");
    EXPECT_EQ(XLSXWriter::rootRels(),
              declaration
                  + "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                    "<Relationship Id=\"rId1\" "
                    "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
                    "Target=\"xl/workbook.xml\"/>"
                    "</Relationships>");
    EXPECT_EQ(XLSXWriter::workbook({"Data", "P&L \"Q1\""}),
              declaration
                  + "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                    "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><sheets>"
                    "<sheet name=\"Data\" sheetId=\"1\" r:id=\"rId1\"/>"
                    "<sheet name=\"P&amp;L &quot;Q1&quot;\" sheetId=\"2\" r:id=\"rId2\"/>"
                    "</sheets></workbook>");
    EXPECT_EQ(XLSXWriter::workbookRels(2),
              declaration
                  + "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                    "<Relationship Id=\"rId1\" "
                    "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" "
                    "Target=\"worksheets/sheet1.xml\"/>"
                    "<Relationship Id=\"rId2\" "
                    "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" "
                    "Target=\"worksheets/sheet2.xml\"/>"
                    "</Relationships>");
}

TEST(XLSXWriterTest, WorksheetKeepsColumnsOfCellsAfterGapsAndWritesEveryRow)
{
    const std::string head =
        declaration + "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>";
    const std::string tail = "</sheetData></worksheet>";
    EXPECT_EQ(XLSXWriter::worksheet({{"a", "", "b"}, {}}),
              head
                  + "<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t xml:space=\"preserve\">a</t></is></c>"
                    "<c r=\"C1\" t=\"inlineStr\"><is><t xml:space=\"preserve\">b</t></is></c></row>"
                    "<row r=\"2\"></row>"
                  + tail);
    EXPECT_EQ(XLSXWriter::worksheet({}), head + tail);
    EXPECT_EQ(XLSXWriter::worksheet({{"", ""}, {" 007 ", "x<y\n"}}),
              head
                  + "<row r=\"1\"></row><row r=\"2\">"
                    "<c r=\"A2\" t=\"inlineStr\"><is><t xml:space=\"preserve\"> 007 </t></is></c>"
                    "<c r=\"B2\" t=\"inlineStr\"><is><t xml:space=\"preserve\">x&lt;y\n</t></is></c></row>"
                  + tail);
    TableRow wide(27);
    wide[26] = "z";
    EXPECT_NE(XLSXWriter::worksheet({wide}).find("<c r=\"AA1\""), std::string::npos);
}

TEST(XLSXWriterTest, DataPacksTheFivePartsInOrder)
{
    const XLSXWriter::Result result = XLSXWriter::data({{"Data", {{"x"}}}});
    ASSERT_TRUE(result.ok()) << result.error;
    const std::vector<ListedEntry> entries = listEntries(result.bytes);
    ASSERT_EQ(entries.size(), 5u);
    EXPECT_EQ(entries[0].name, "[Content_Types].xml");
    EXPECT_EQ(entries[1].name, "_rels/.rels");
    EXPECT_EQ(entries[2].name, "xl/workbook.xml");
    EXPECT_EQ(entries[3].name, "xl/_rels/workbook.xml.rels");
    EXPECT_EQ(entries[4].name, "xl/worksheets/sheet1.xml");
    EXPECT_EQ(entries[0].contents, XLSXWriter::contentTypes(1));
    EXPECT_EQ(entries[1].contents, XLSXWriter::rootRels());
    EXPECT_EQ(entries[2].contents, XLSXWriter::workbook({"Data"}));
    EXPECT_NE(entries[2].contents.find("<sheet name=\"Data\" sheetId=\"1\" r:id=\"rId1\"/>"), std::string::npos);
    EXPECT_EQ(entries[3].contents, XLSXWriter::workbookRels(1));
    EXPECT_EQ(entries[4].contents, XLSXWriter::worksheet({{"x"}}));
}

TEST(XLSXWriterTest, DataUsesCleanedNamesInTheWorkbookPart)
{
    const XLSXWriter::Result result = XLSXWriter::data({{"R&D", {}}, {"r&d", {}}, {"", {}}});
    ASSERT_TRUE(result.ok()) << result.error;
    const std::string workbook = listEntries(result.bytes).at(2).contents;
    EXPECT_NE(workbook.find("name=\"R&amp;D\" sheetId=\"1\""), std::string::npos) << workbook;
    EXPECT_NE(workbook.find("name=\"r&amp;d 2\" sheetId=\"2\""), std::string::npos) << workbook;
    EXPECT_NE(workbook.find("name=\"Sheet3\" sheetId=\"3\" r:id=\"rId3\""), std::string::npos) << workbook;
}

TEST(XLSXWriterTest, DataRefusesWhatNoReaderWouldOpen)
{
    const XLSXWriter::Result none = XLSXWriter::data({});
    EXPECT_FALSE(none.ok());
    EXPECT_TRUE(none.bytes.empty());

    const XLSXWriter::Result manySheets = XLSXWriter::data(std::vector<XLSXWriter::Sheet>(65531));
    EXPECT_FALSE(manySheets.ok());
    EXPECT_NE(manySheets.error.find("too many sheets"), std::string::npos) << manySheets.error;
    EXPECT_TRUE(XLSXWriter::data(std::vector<XLSXWriter::Sheet>(65530)).ok()) << "4 parts + 65,530 sheets fit";

    TableRow wide(XLSXWriter::maxColumns + 1);
    EXPECT_TRUE(XLSXWriter::data({{"Wide", {wide}}}).ok()) << "empty cells past the last column write nothing";
    wide.back() = "x";
    const XLSXWriter::Result tooWide = XLSXWriter::data({{"Wide", {wide}}});
    EXPECT_FALSE(tooWide.ok());
    EXPECT_NE(tooWide.error.find("\"Wide\""), std::string::npos) << tooWide.error;

    const XLSXWriter::Result tooLong = XLSXWriter::data({{"Long", TableGrid(XLSXWriter::maxRows + 1)}});
    EXPECT_FALSE(tooLong.ok());
    EXPECT_NE(tooLong.error.find("rows"), std::string::npos) << tooLong.error;
}

TEST(XLSXWriterTest, SheetNamesLoseForbiddenCharactersAndFallBackToTheirPosition)
{
    EXPECT_EQ(normalizedNames({"Q1/Q2: totals?"}), (std::vector<std::string>{"Q1 Q2  totals"}));
    EXPECT_EQ(normalizedNames({"[a]\\b*"}), (std::vector<std::string>{"a  b"}));
    EXPECT_EQ(normalizedNames({"x", "y", ""}), (std::vector<std::string>{"x", "y", "Sheet3"}));
    EXPECT_EQ(normalizedNames({"a", "***"}), (std::vector<std::string>{"a", "Sheet2"}));
    EXPECT_EQ(normalizedNames({"\t\xC2\xA0 Name \xE3\x80\x80"}), (std::vector<std::string>{"Name"}))
        << "tab, no-break space and ideographic space are trimmed";
    EXPECT_EQ(normalizedNames({"Line\n"}), (std::vector<std::string>{"Line\n"})) << "line breaks are not trimmed";
}

TEST(XLSXWriterTest, SheetNamesAreRepairedAndOnlyHoldWhatTheWorkbookCanCarry)
{
    EXPECT_EQ(normalizedNames({"Caf\xE9"}), (std::vector<std::string>{"Caf" + fffd}));
    // Regression: names that differ only in dropped characters must not both reach the workbook as "a".
    EXPECT_EQ(normalizedNames({std::string("a\0", 2), "a\x01"}), (std::vector<std::string>{"a", "a 2"}));
    EXPECT_EQ(normalizedNames({std::string("\0\x02", 2)}), (std::vector<std::string>{"Sheet1"}));
}

TEST(XLSXWriterTest, SheetNamesAreCutTo31UserPerceivedCharactersBeforeTrimming)
{
    EXPECT_EQ(normalizedNames({std::string(40, 'n')}), (std::vector<std::string>{std::string(31, 'n')}));
    EXPECT_EQ(normalizedNames({std::string(30, 'n') + " tail"}), (std::vector<std::string>{std::string(30, 'n')}));
    EXPECT_EQ(normalizedNames({"  " + std::string(40, 'n')}), (std::vector<std::string>{std::string(29, 'n')}));

    const std::string accented = "e\xCC\x81";                    // e and a combining acute: one character
    const std::string flag = "\xF0\x9F\x87\xB3\xF0\x9F\x87\xB1"; // two regional indicators: one flag
    const std::string han = "\xED\x95\x9C";                      // a Hangul syllable
    EXPECT_EQ(normalizedNames({repeat(accented, 35)}), (std::vector<std::string>{repeat(accented, 31)}));
    EXPECT_EQ(normalizedNames({repeat(flag, 32)}), (std::vector<std::string>{repeat(flag, 31)}));
    EXPECT_EQ(normalizedNames({repeat(han, 40)}), (std::vector<std::string>{repeat(han, 31)}));
}

TEST(XLSXWriterTest, SheetNamesAreUniqueRegardlessOfCase)
{
    EXPECT_EQ(normalizedNames({"Invoice", "Invoice", "INVOICE"}),
              (std::vector<std::string>{"Invoice", "Invoice 2", "INVOICE 3"}));
    EXPECT_EQ(normalizedNames({"Data", "Data 2", "data"}), (std::vector<std::string>{"Data", "Data 2", "data 3"}))
        << "a suffixed name that is taken keeps counting up";
    EXPECT_EQ(normalizedNames({"", "Sheet1"}), (std::vector<std::string>{"Sheet1", "Sheet1 2"}));
    EXPECT_EQ(normalizedNames({"\xC4\xB0stanbul", "i\xCC\x87STANBUL"}),
              (std::vector<std::string>{"\xC4\xB0stanbul", "i\xCC\x87STANBUL 2"}))
        << "İ lower-cases to i with a combining dot";
    EXPECT_EQ(normalizedNames({"\xCE\x9F\xCE\x94\xCE\x9F\xCE\xA3", "\xCE\xBF\xCE\xB4\xCE\xBF\xCF\x82"}),
              (std::vector<std::string>{"\xCE\x9F\xCE\x94\xCE\x9F\xCE\xA3", "\xCE\xBF\xCE\xB4\xCE\xBF\xCF\x82 2"}))
        << "final sigma";
}

TEST(XLSXWriterTest, SuffixesCutLongNamesToMakeRoom)
{
    const std::string name(31, 'x');
    const std::vector<std::string> names = normalizedNames({name, name, std::string(35, 'x')});
    EXPECT_EQ(names, (std::vector<std::string>{name, std::string(29, 'x') + " 2", std::string(29, 'x') + " 3"}));

    const std::string accented = "e\xCC\x81";
    EXPECT_EQ(normalizedNames({repeat(accented, 31), repeat(accented, 31)}).back(), repeat(accented, 29) + " 2")
        << "the room is made in characters, not bytes";

    std::vector<std::string> hundredAndOne(101, std::string(31, 'y'));
    EXPECT_EQ(normalizedNames(hundredAndOne).back(), std::string(27, 'y') + " 101");
}

TEST(XLSXWriterTest, ManyEqualNamesAllBecomeDistinct)
{
    const std::vector<std::string> names = normalizedNames(std::vector<std::string>(5000, "Page"));
    EXPECT_EQ(std::set<std::string>(names.begin(), names.end()).size(), names.size());
    EXPECT_EQ(names[1], "Page 2");
    EXPECT_EQ(names.back(), "Page 5000");
}
