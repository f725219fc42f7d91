#include "export/XLSXWriter.h"

#include "CodePoints.h"

#include <gtest/gtest.h>

#include <set>
#include <tuple>

TEST(XLSXWriterTest, ColumnLettersAreBijectiveBase26)
{
    const std::vector<std::pair<std::size_t, std::string>> cases{{0, "A"},     {1, "B"},      {25, "Z"},  {26, "AA"},
                                                                 {27, "AB"},   {51, "AZ"},    {52, "BA"}, {701, "ZZ"},
                                                                 {702, "AAA"}, {16383, "XFD"}};
    for (const auto& [index, letters] : cases)
        EXPECT_EQ(XLSXWriter::columnLetter(index), letters) << index;
}

TEST(XLSXWriterTest, EscapeWritesEntitiesAndDropsOrRepairsWhatXmlCannotCarry)
{
    const std::vector<std::tuple<std::string, std::string, const char*>> cases{
        {std::string("a\0b\fc\x1F"
                     "d\x7F\t\n\r",
                     11),
         "abcd\x7F\t\n\r", "NUL, form feed, unit separator dropped; DEL, tab and line breaks kept"},
        {"\xF0\x9F\x98\x80 \xED\x9F\xBF\xEE\x80\x80", "\xF0\x9F\x98\x80 \xED\x9F\xBF\xEE\x80\x80",
         "U+D7FF, U+E000 kept"},
        {"a\xEF\xBF\xBE\xEF\xBF\xBF"
         "b" + fffd,
         "ab" + fffd, "U+FFFE, U+FFFF dropped"},
    };
    for (const auto& [text, escaped, why] : cases)
        EXPECT_EQ(XLSXWriter::escape(text), escaped) << why;
    // Entities and ill-formed UTF-8 are read back by openpyxl in XLSXReadBackTest; UnicodeTest has every kind of
    // ill-formed sequence, which escape() decodes with the same decoder.
}

TEST(XLSXWriterTest, DataRefusesWhatNoReaderWouldOpen)
{
    const XLSXWriter::Result none = XLSXWriter::data({}, CodePoints());
    EXPECT_FALSE(none.ok());
    EXPECT_TRUE(none.bytes.empty());

    const XLSXWriter::Result manySheets = XLSXWriter::data(std::vector<XLSXWriter::Sheet>(65530), CodePoints());
    EXPECT_FALSE(manySheets.ok());
    EXPECT_NE(manySheets.error.find("too many sheets"), std::string::npos) << manySheets.error;
    EXPECT_TRUE(XLSXWriter::data(std::vector<XLSXWriter::Sheet>(65529), CodePoints()).ok())
        << "5 parts + 65,529 sheets fit";

    TableRow wide(XLSXWriter::maxColumns + 1);
    EXPECT_TRUE(XLSXWriter::data({{"Wide", {wide}}}, CodePoints()).ok())
        << "empty cells past the last column write nothing";
    wide.back() = "x";
    const XLSXWriter::Result tooWide = XLSXWriter::data({{"Wide", {wide}}}, CodePoints());
    EXPECT_FALSE(tooWide.ok());
    EXPECT_NE(tooWide.error.find("\"Wide\""), std::string::npos) << tooWide.error;

    const XLSXWriter::Result tooLong = XLSXWriter::data({{"Long", TableGrid(XLSXWriter::maxRows + 1)}}, CodePoints());
    EXPECT_FALSE(tooLong.ok());
    EXPECT_NE(tooLong.error.find("rows"), std::string::npos) << tooLong.error;
}

TEST(XLSXWriterTest, SheetNamesAreCleanedCutAndMadeUnique)
{
    using Names = std::vector<std::string>;
    const std::string x29(29, 'x');
    const std::string han = "\xED\x95\x9C"; // a Hangul syllable
    // Forbidden characters, empty names, ill-formed UTF-8 and the cut at 31 are read back by openpyxl as well.
    const std::vector<std::tuple<Names, Names, const char*>> cases{
        {{"[a]\\b*"}, {"a  b"}, "forbidden brackets and stars"},
        {{"a", "***"}, {"a", "Sheet2"}, "nothing left falls back to its position"},
        {{"\t\xC2\xA0 Name \xE3\x80\x80"}, {"Name"}, "tab, no-break space and ideographic space are trimmed"},
        {{"Line\n"}, {"Line\n"}, "line breaks are not trimmed"},
        // Regression: names that differ only in dropped characters must not both reach the workbook as "a".
        {{std::string("a\0", 2), "a\x01"}, {"a", "a 2"}, "dropped control characters"},
        {{std::string("\0\x02", 2)}, {"Sheet1"}, "only control characters"},
        {{std::string(30, 'n') + " tail"}, {std::string(30, 'n')}, "cut before trimming"},
        {{"  " + std::string(40, 'n')}, {std::string(29, 'n')}, "leading spaces count towards 31"},
        {{repeat(han, 40)}, {repeat(han, 31)}, "Hangul syllables"},
        {{"Invoice", "Invoice", "INVOICE"}, {"Invoice", "Invoice 2", "INVOICE 3"}, "unique regardless of case"},
        {{"Data", "Data 2", "data"}, {"Data", "Data 2", "data 3"}, "a suffixed name that is taken keeps counting up"},
        {{"", "Sheet1"}, {"Sheet1", "Sheet1 2"}, "a fallback name counts as taken"},
        {{std::string(31, 'x'), std::string(31, 'x'), std::string(35, 'x')},
         {std::string(31, 'x'), x29 + " 2", x29 + " 3"},
         "suffixes cut long names to make room"},
        {{repeat(han + "a", 16), repeat(han + "a", 16)},
         {repeat(han + "a", 15) + han, repeat(han + "a", 14) + han + " 2"},
         "the room is made in characters, not bytes"},
        {{"'Quoted'", " ' spaced ' ", "it's"}, {"Quoted", "spaced", "it's"}, "no apostrophe at either end"},
        {{"''"}, {"Sheet1"}, "nothing but apostrophes"},
        {{"History", "history"}, {"History 2", "history 3"}, "Excel's reserved name"},
    };
    for (const auto& [names, expected, why] : cases)
        EXPECT_EQ(XLSXWriter::normalizedNames(names, CodePoints()), expected) << why;

    EXPECT_EQ(XLSXWriter::normalizedNames(Names(101, std::string(31, 'y')), CodePoints()).back(),
              std::string(27, 'y') + " 101");
    const Names pages = XLSXWriter::normalizedNames(Names(5000, "Page"), CodePoints());
    EXPECT_EQ(std::set<std::string>(pages.begin(), pages.end()).size(), pages.size());
    EXPECT_EQ(pages.back(), "Page 5000");
}
