#include "export/CellNumber.h"

#include <gtest/gtest.h>

#include <tuple>

TEST(CellNumberTest, UnambiguousNumbersKeepTheirExactValueAndLookAsWritten)
{
    // Text, the value stored, the number format that shows it as it was written.
    const std::vector<std::tuple<std::string, std::string, std::string>> numbers{
        {"4987", "4987", ""},
        {"36.07", "36.07", "0.00"},
        {"3.50", "3.5", "0.00"},
        {"-12", "-12", ""},
        {"+7.25", "7.25", "0.00"},
        {"-0.0", "0", "0.0"},
        {"1,234", "1234", "#,##0"},
        {"1,234.5", "1234.5", "#,##0.0"},
        {"12,345,678.90", "12345678.9", "#,##0.00"},
        {"999999999999999", "999999999999999", ""}, // 15 digits: still exact in a double
        {"0.123456789", "0.123456789", "0.000000"}, // the value keeps every digit; the format stops at six
        {"12.5%", "0.125", "0.0%"},
        {"-3%", "-0.03", "0%"},
        {"0.5%", "0.005", "0.0%"},
        {"1,250%", "12.5", "#,##0%"},
    };
    for (const auto& [text, value, format] : numbers) {
        const auto number = CellNumber::parse(text);
        ASSERT_TRUE(number.has_value()) << text;
        EXPECT_EQ(number->value, value) << text;
        EXPECT_EQ(CellNumber::formatCode(*number), format) << text;
    }
}

TEST(CellNumberTest, AnythingAReaderCouldTakeTwoWaysStaysText)
{
    for (const char* text : {"0042", "12,5", "1,2345", ".5", "1.2.3", "2024-01-31", "12:30", "1e5", "$5", "5 %", " 42",
                             "", "-", "%", "--1", "1234567890123456", "0.1234567890123456", "NaN", "½"})
        EXPECT_FALSE(CellNumber::parse(text).has_value()) << text;
}
