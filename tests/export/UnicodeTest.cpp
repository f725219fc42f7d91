#include "export/Unicode.h"

#include "CodePoints.h"

#include <gtest/gtest.h>

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
