// Qt's Unicode data behind the core's sheet-name rules: the clusters come back as exact UTF-8 pieces of the input,
// and names differing only in case collide as Excel sees them.
#include "export/qt/QtText.h"

#include "export/XLSXWriter.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {
std::vector<std::string> clusters(std::string_view text)
{
    std::vector<std::string> out;
    for (std::string_view cluster : QtText().graphemes(text))
        out.emplace_back(cluster);
    return out;
}

std::string repeat(std::string_view piece, int times)
{
    std::string out;
    for (int i = 0; i < times; ++i)
        out += piece;
    return out;
}
} // namespace

TEST(QtTextTest, GraphemesKeepUserPerceivedCharactersTogether)
{
    EXPECT_EQ(clusters("abc"), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(clusters("e\xCC\x81x"), (std::vector<std::string>{"e\xCC\x81", "x"})) << "combining acute (Mn)";
    EXPECT_EQ(clusters("\xE2\x83\x9D"
                       "a"),
              (std::vector<std::string>{"\xE2\x83\x9D", "a"}))
        << "lone enclosing mark";
    EXPECT_EQ(clusters("a\xE2\x83\x9D"), (std::vector<std::string>{"a\xE2\x83\x9D"})) << "enclosing circle (Me)";
    EXPECT_EQ(clusters("\xE0\xA4\x95\xE0\xA4\xBE"), (std::vector<std::string>{"\xE0\xA4\x95\xE0\xA4\xBE"}))
        << "Devanagari ka with vowel sign aa (Mc)";
    EXPECT_EQ(clusters("\r\n\n\r"), (std::vector<std::string>{"\r\n", "\n", "\r"}));
    EXPECT_EQ(clusters("\xE2\x9D\xA4\xEF\xB8\x8F!"), (std::vector<std::string>{"\xE2\x9D\xA4\xEF\xB8\x8F", "!"}))
        << "heart with variation selector 16";
    EXPECT_EQ(clusters("\xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD"),
              (std::vector<std::string>{"\xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD"}))
        << "thumbs up with skin tone modifier";
    const std::string family = "\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x91\xA7";
    EXPECT_EQ(clusters(family + "x"), (std::vector<std::string>{family, "x"})) << "ZWJ sequence";
    EXPECT_EQ(clusters("a\xE2\x80\x8D"
                       "b"),
              (std::vector<std::string>{"a\xE2\x80\x8D", "b"}))
        << "a joiner only joins pictographs";
}

TEST(QtTextTest, RegionalIndicatorsPairIntoFlagsFromTheStart)
{
    const std::string n = "\xF0\x9F\x87\xB3", l = "\xF0\x9F\x87\xB1", d = "\xF0\x9F\x87\xA9", e = "\xF0\x9F\x87\xAA";
    EXPECT_EQ(clusters(n + l + d + e), (std::vector<std::string>{n + l, d + e}));
    EXPECT_EQ(clusters(n + l + d), (std::vector<std::string>{n + l, d}));
    EXPECT_EQ(clusters("x" + n + l), (std::vector<std::string>{"x", n + l}));
}

TEST(QtTextTest, HangulJamoAndSyllablesFormSyllableClusters)
{
    // Conjoining jamo L V T, then the precomposed syllable 한 (LVT), then 하 (LV) with a trailing T jamo.
    const std::string jamo = "\xE1\x84\x92\xE1\x85\xA1\xE1\x86\xAB";
    const std::string han = "\xED\x95\x9C", ha = "\xED\x95\x98", trailing = "\xE1\x86\xAB";
    EXPECT_EQ(clusters(jamo + han + ha + trailing), (std::vector<std::string>{jamo, han, ha + trailing}));
    EXPECT_EQ(clusters(han + trailing + han), (std::vector<std::string>{han + trailing, han}));
    EXPECT_EQ(clusters(ha + ha), (std::vector<std::string>{ha, ha})) << "two LV syllables do not join";
}

TEST(QtTextTest, CaselessFormsMeetWhereOnlyCaseDiffers)
{
    const QtText text;
    const std::vector<std::tuple<std::string, std::string, const char*>> same{
        {"Data DATA 123", "data data 123", ""},
        {"\xC3\x80\xC3\x89\xC3\x8E", "\xC3\xA0\xC3\xA9\xC3\xAE", "Latin-1"},
        {"\xD0\x9F\xD0\xA0\xD0\x98\xD0\x92\xD0\x95\xD0\xA2", "\xD0\xBF\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82",
         "Cyrillic"},
        {"\xF0\x90\x90\x80", "\xF0\x90\x90\xA8", "Deseret, outside the BMP"},
        {"\xC4\xB0stanbul", "i\xCC\x87stanbul", "\xC4\xB0 is i with a combining dot"},
        {"\xCE\x9F\xCE\x94\xCE\x9F\xCE\xA3", "\xCE\xBF\xCE\xB4\xCE\xBF\xCF\x82", "final sigma"},
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
    const std::string odos = "\xCE\x9F\xCE\x94\xCE\x9F\xCE\xA3", lowerOdos = "\xCE\xBF\xCE\xB4\xCE\xBF\xCF\x82";
    const std::vector<std::tuple<Names, Names, const char*>> cases{
        // Each of these characters takes two or four UTF-16 units, and Excel's limit is 31 of those.
        {{repeat(accented, 35)}, {repeat(accented, 15)}, "combining marks are part of a character"},
        {{repeat(flag, 32)}, {repeat(flag, 7)}, "a flag is one character"},
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
