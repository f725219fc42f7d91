// Qt's Unicode data behind the core's sheet-name rules: the clusters come back as exact UTF-8 pieces of the input,
// and names differing only in case collide as Excel sees them.
#include "export/qt/QtText.h"

#include "CodePoints.h"
#include "export/XLSXWriter.h"

#include <gtest/gtest.h>

#include <tuple>

TEST(QtTextTest, CaselessFormsMeetWhereOnlyCaseDiffers)
{
    const QtText text;
    const std::vector<std::tuple<std::string, std::string, const char*>> same{
        {"Data DATA 123", "data data 123", ""},
        {"\xF0\x90\x90\x80", "\xF0\x90\x90\xA8", "Deseret, outside the BMP"},
        {"\xE1\xBA\x9E", "\xC3\x9F", "capital sharp s"},
    };
    for (const auto& [a, b, why] : same)
        EXPECT_EQ(text.caseless(a), text.caseless(b)) << why;
    EXPECT_NE(text.caseless("I"), text.caseless("\xC4\xB1")) << "no Turkish dotless i without a locale";
    EXPECT_NE(text.caseless("\xE2\x84\x96"), text.caseless("No")) << "numero sign";
}

TEST(QtTextTest, SheetNamesAreCutAtCharactersAndCompareWithoutCase)
{
    using Names = std::vector<std::string>;
    const std::string accented = "e\xCC\x81";                    // e and a combining acute: one character
    const std::string flag = "\xF0\x9F\x87\xB3\xF0\x9F\x87\xB1"; // two regional indicators: one flag
    // Man, zero-width joiner, woman, joiner, girl: eight UTF-16 units.
    const std::string family = "\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x91\xA7";
    const std::string odos = "\xCE\x9F\xCE\x94\xCE\x9F\xCE\xA3", lowerOdos = "\xCE\xBF\xCE\xB4\xCE\xBF\xCF\x82";
    const std::vector<std::tuple<Names, Names, const char*>> cases{
        // Each of these characters takes two or four UTF-16 units, and Excel's limit is 31 of those.
        {{repeat(accented, 35)}, {repeat(accented, 15)}, "combining marks are part of a character"},
        {{repeat(flag, 32)}, {repeat(flag, 7)}, "a flag is one character"},
        {{repeat(family, 5)}, {repeat(family, 3)}, "a joined family is one character"},
        {{"ab" + repeat(flag, 8)}, {"ab" + repeat(flag, 7)}, "never half a flag"},
        {{"\xC4\xB0stanbul", "i\xCC\x87STANBUL"},
         {"\xC4\xB0stanbul", "i\xCC\x87STANBUL 2"},
         "\xC4\xB0 lower-cases to i with a combining dot"},
        {{odos, lowerOdos}, {odos, lowerOdos + " 2"}, "final sigma"},
        {{repeat(accented, 15), repeat(accented, 15)},
         {repeat(accented, 15), repeat(accented, 14) + " 2"},
         "the room for a suffix is made in UTF-16 units too"},
    };
    for (const auto& [names, expected, why] : cases)
        EXPECT_EQ(XLSXWriter::normalizedNames(names, QtText()), expected) << why;
}
