#pragma once

#include <optional>
#include <string>
#include <string_view>

// Tells a recognized cell that is a number from one that only looks like one, so a workbook can hold numbers that
// sum. Only a text a reader cannot take two ways counts: an optional sign, digits (optionally grouped by commas in
// threes), an optional point and decimals, an optional trailing percent sign.
namespace CellNumber {
struct Number
{
    std::string value;    // the exact decimal value for the cell, a percent already divided by 100: "0.125"
    int decimals = 0;     // digits after the point as written, so the cell shows "3.50" and not "3.5"
    bool grouped = false; // written with thousands separators
    bool percent = false;
};

// The longest run of significant digits a spreadsheet keeps exactly (a double's 15); a longer number (an account
// or card number) stays text, since it would come back changed.
inline constexpr int maxSignificantDigits = 15;
// Formats beyond this many decimals are not kept; the value still is.
inline constexpr int maxShownDecimals = 6;

// Returns the number a whole cell text stands for, or no value for everything else: leading zeros ("0042", a
// code), a comma not followed by exactly three digits ("12,5", a decimal comma or a list), dates, letters,
// surrounding spaces, more than `maxSignificantDigits` digits.
std::optional<Number> parse(std::string_view text);

// The number format code that shows the number as it was written: "#,##0.00", "0.0%", "0.50"'s "0.00"; empty
// for a plain integer, which the general format shows as written.
std::string formatCode(const Number& number);
} // namespace CellNumber
