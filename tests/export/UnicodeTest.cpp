#include "export/Unicode.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {
const std::string fffd = "\xEF\xBF\xBD";

std::vector<std::string> clusters(std::string_view text)
{
    std::vector<std::string> out;
    for (std::string_view cluster : Unicode::graphemes(text))
        out.emplace_back(cluster);
    return out;
}
} // namespace

TEST(UnicodeTest, RepairReplacesEachMaximalIllFormedPart)
{
    EXPECT_EQ(Unicode::repaired("plain \xC3\xA9 \xF0\x9F\x98\x80"), "plain \xC3\xA9 \xF0\x9F\x98\x80");
    EXPECT_EQ(Unicode::repaired(fffd), fffd) << "a real U+FFFD stays one character";
    EXPECT_EQ(Unicode::repaired("a\xFF"
                                "b"),
              "a" + fffd + "b");
    // A truncated sequence is one replacement and does not swallow the character behind it.
    EXPECT_EQ(Unicode::repaired("a\xE2\x82"
                                "b"),
              "a" + fffd + "b");
    EXPECT_EQ(Unicode::repaired("\xF0\x9F\x98"), fffd);
    EXPECT_EQ(Unicode::repaired("\xC0\xAF"), fffd + fffd) << "overlong";
    EXPECT_EQ(Unicode::repaired("\xED\xA0\x80"), fffd + fffd + fffd) << "encoded surrogate";
    EXPECT_EQ(Unicode::repaired("\xF4\x90\x80\x80"), fffd + fffd + fffd + fffd) << "beyond U+10FFFF";
    EXPECT_EQ(Unicode::repaired("\x80\x80"), fffd + fffd) << "stray continuation bytes";
    EXPECT_EQ(Unicode::repaired(std::string("a\0b", 3)), std::string("a\0b", 3));
}

TEST(UnicodeTest, GraphemesKeepUserPerceivedCharactersTogether)
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

TEST(UnicodeTest, RegionalIndicatorsPairIntoFlagsFromTheStart)
{
    const std::string n = "\xF0\x9F\x87\xB3", l = "\xF0\x9F\x87\xB1", d = "\xF0\x9F\x87\xA9", e = "\xF0\x9F\x87\xAA";
    EXPECT_EQ(clusters(n + l + d + e), (std::vector<std::string>{n + l, d + e}));
    EXPECT_EQ(clusters(n + l + d), (std::vector<std::string>{n + l, d}));
    EXPECT_EQ(clusters("x" + n + l), (std::vector<std::string>{"x", n + l}));
}

TEST(UnicodeTest, HangulJamoAndSyllablesFormSyllableClusters)
{
    // Conjoining jamo L V T, then the precomposed syllable 한 (LVT), then 하 (LV) with a trailing T jamo.
    const std::string jamo = "\xE1\x84\x92\xE1\x85\xA1\xE1\x86\xAB";
    const std::string han = "\xED\x95\x9C", ha = "\xED\x95\x98", trailing = "\xE1\x86\xAB";
    EXPECT_EQ(clusters(jamo + han + ha + trailing), (std::vector<std::string>{jamo, han, ha + trailing}));
    EXPECT_EQ(clusters(han + trailing + han), (std::vector<std::string>{han + trailing, han}));
    EXPECT_EQ(clusters(ha + ha), (std::vector<std::string>{ha, ha})) << "two LV syllables do not join";
}

TEST(UnicodeTest, LowerCaseCoversScriptsWithCaseAndItsSpecialCases)
{
    // Σ is final at the end of a word, also before case-ignorable punctuation, and medial inside one.
    const std::vector<std::tuple<std::string, std::string, const char*>> cases{
        {"Data DATA 123", "data data 123", ""},
        {"\xC3\x80\xC3\x89\xC3\x8E\xC3\x95\xC3\x9C\xC3\x9E", "\xC3\xA0\xC3\xA9\xC3\xAE\xC3\xB5\xC3\xBC\xC3\xBE",
         "Latin-1: ÀÉÎÕÜÞ"},
        {"\xC3\x9F", "\xC3\x9F", "ß has no lower-case change"},
        {"\xC5\xB8\xC4\x80\xC4\x86\xC5\x81\xC5\x92\xC5\xA0\xC5\xBD",
         "\xC3\xBF\xC4\x81\xC4\x87\xC5\x82\xC5\x93\xC5\xA1\xC5\xBE", "Latin Extended-A: ŸĀĆŁŒŠŽ"},
        {"\xC7\x84\xC7\x85\xC6\x81\xC8\xA0", "\xC7\x86\xC7\x86\xC9\x93\xC6\x9E", "Latin Extended-B: Ǆǅ Ɓ Ƞ"},
        {"\xCE\x91\xCE\x92\xCE\x93 \xCE\x86", "\xCE\xB1\xCE\xB2\xCE\xB3 \xCE\xAC", "Greek: ΑΒΓ Ά"},
        {"\xD0\x9F\xD0\xA0\xD0\x98\xD0\x92\xD0\x95\xD0\xA2 \xD0\x81\xD1\xA2",
         "\xD0\xBF\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 \xD1\x91\xD1\xA3", "Cyrillic: ПРИВЕТ ЁѢ"},
        {"\xD4\xB1\xD5\x96", "\xD5\xA1\xD6\x86", "Armenian: ԱՖ"},
        {"\xE1\xBA\x9E\xE2\x84\xAA\xE2\x84\xA6",
         "\xC3\x9F"
         "k\xCF\x89",
         "capital sharp s, Kelvin and Ohm signs"},
        {"\xF0\x90\x90\x80", "\xF0\x90\x90\xA8", "Deseret, outside the BMP"},
        {"\xE2\x84\x96\xE4\xB8\xAD", "\xE2\x84\x96\xE4\xB8\xAD", "caseless"},
        {"\xC4\xB0stanbul", "i\xCC\x87stanbul", "İ becomes i with combining dot"},
        {"I", "i", "no Turkish dotless i without a locale"},
        {"\xCE\x9F\xCE\x94\xCE\x9F\xCE\xA3", "\xCE\xBF\xCE\xB4\xCE\xBF\xCF\x82", ""},
        {"\xCE\x9F\xCE\xA3'", "\xCE\xBF\xCF\x82'", ""},
        {"\xCE\xA3\xCE\x91", "\xCF\x83\xCE\xB1", ""},
        {"\xCE\xA3", "\xCF\x83", "a lone sigma is not final"},
        {"\xCE\x91\xCE\xA3 \xCE\x91", "\xCE\xB1\xCF\x82 \xCE\xB1", ""},
        {"\xCE\x91\xCE\xA3.\xCE\x91", "\xCE\xB1\xCF\x83.\xCE\xB1",
         "a full stop is case-ignorable, so the word goes on behind it"},
    };
    for (const auto& [text, lower, why] : cases)
        EXPECT_EQ(Unicode::lowercased(text), lower) << why;
}
