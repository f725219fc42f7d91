#include "export/CellNumber.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {
std::string valueOf(std::string_view text)
{
    const auto number = CellNumber::parse(text);
    return number ? number->value : "text";
}
} // namespace

TEST(CellNumberTest, UnambiguousNumbersKeepTheirExactValue)
{
    EXPECT_EQ(valueOf("4987"), "4987");
    EXPECT_EQ(valueOf("36.07"), "36.07");
    EXPECT_EQ(valueOf("3.50"), "3.5");
    EXPECT_EQ(valueOf("-12"), "-12");
    EXPECT_EQ(valueOf("+7.25"), "7.25");
    EXPECT_EQ(valueOf("0"), "0");
    EXPECT_EQ(valueOf("-0.0"), "0");
    EXPECT_EQ(valueOf("0.05"), "0.05");
    EXPECT_EQ(valueOf("1,234"), "1234");
    EXPECT_EQ(valueOf("12,345,678.90"), "12345678.9");
    EXPECT_EQ(valueOf("999999999999999"), "999999999999999"); // 15 digits: still exact in a double
}

TEST(CellNumberTest, PercentsAreHundredths)
{
    EXPECT_EQ(valueOf("12.5%"), "0.125");
    EXPECT_EQ(valueOf("50%"), "0.5");
    EXPECT_EQ(valueOf("-3%"), "-0.03");
    EXPECT_EQ(valueOf("0.5%"), "0.005");
    EXPECT_EQ(valueOf("1,250%"), "12.5");
    EXPECT_EQ(valueOf("100%"), "1");
}

TEST(CellNumberTest, AnythingAReaderCouldTakeTwoWaysStaysText)
{
    for (const char* text : {"0042", "12,5", "1,2345", ".5", "1.2.3", "2024-01-31", "12:30", "1e5", "$5", "5 %", " 42",
                             "", "-", "%", "--1", "1234567890123456", "0.1234567890123456", "NaN", "½"})
        EXPECT_EQ(valueOf(text), "text") << text;
}

TEST(CellNumberTest, FormatShowsTheNumberAsWritten)
{
    auto format = [](std::string_view text) { return CellNumber::formatCode(*CellNumber::parse(text)); };
    EXPECT_EQ(format("4987"), "");
    EXPECT_EQ(format("3.50"), "0.00");
    EXPECT_EQ(format("1,234"), "#,##0");
    EXPECT_EQ(format("1,234.5"), "#,##0.0");
    EXPECT_EQ(format("12.5%"), "0.0%");
    EXPECT_EQ(format("7%"), "0%");
    EXPECT_EQ(format("0.123456789"), "0.000000"); // the value keeps every digit; the format stops at six
}
