#include "export/CellNumber.h"

#include <algorithm>
#include <cstddef>

namespace CellNumber {
namespace {
bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Returns the digits of a well-formed integer part, commas removed, or no value.
std::optional<std::string> integerDigits(std::string_view part, bool& grouped)
{
    if (part.empty() || !isDigit(part.front()))
        return std::nullopt;
    grouped = part.find(',') != std::string_view::npos;
    std::string digits;
    if (!grouped) {
        for (char c : part)
            if (!isDigit(c))
                return std::nullopt;
        digits = part;
    } else {
        // One to three digits, then groups of exactly ",ddd".
        const std::size_t firstComma = part.find(',');
        if (firstComma > 3 || (part.size() - firstComma) % 4 != 0)
            return std::nullopt;
        for (std::size_t i = 0; i < part.size(); ++i) {
            const bool commaPlace = i >= firstComma && (i - firstComma) % 4 == 0;
            if (commaPlace ? part[i] != ',' : !isDigit(part[i]))
                return std::nullopt;
            if (!commaPlace)
                digits += part[i];
        }
    }
    // A leading zero marks a code ("0042", "0,123"), except for a lone zero before the point.
    if (digits.size() > 1 && digits.front() == '0')
        return std::nullopt;
    return digits;
}
} // namespace

std::optional<Number> parse(std::string_view text)
{
    Number number;
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (!text.empty() && text.back() == '%') {
        number.percent = true;
        text.remove_suffix(1);
    }
    const std::size_t point = text.find('.');
    std::string_view fraction;
    if (point != std::string_view::npos) {
        fraction = text.substr(point + 1);
        text = text.substr(0, point);
        if (fraction.empty())
            return std::nullopt;
        for (char c : fraction)
            if (!isDigit(c))
                return std::nullopt;
    }
    const std::optional<std::string> whole = integerDigits(text, number.grouped);
    if (!whole)
        return std::nullopt;
    number.decimals = static_cast<int>(fraction.size());

    // All digits with the point's place; significant digits start at the first non-zero one.
    std::string digits = *whole + std::string(fraction);
    const std::size_t firstSignificant = digits.find_first_not_of('0');
    if (firstSignificant != std::string::npos
        && static_cast<int>(digits.size() - firstSignificant) > maxSignificantDigits)
        return std::nullopt;

    // The value as a plain decimal: a percent moves the point two places left.
    std::ptrdiff_t pointAt = static_cast<std::ptrdiff_t>(whole->size()) - (number.percent ? 2 : 0);
    if (pointAt <= 0) {
        digits.insert(0, static_cast<std::size_t>(1 - pointAt), '0');
        pointAt = 1;
    }
    std::string integer = digits.substr(0, static_cast<std::size_t>(pointAt));
    std::string decimals = digits.substr(static_cast<std::size_t>(pointAt));
    integer.erase(0, std::min(integer.find_first_not_of('0'), integer.size() - 1));
    decimals.erase(decimals.find_last_not_of('0') + 1);
    number.value = integer;
    if (!decimals.empty())
        number.value += '.' + decimals;
    if (negative && number.value != "0")
        number.value.insert(0, 1, '-');
    return number;
}

std::string formatCode(const Number& number)
{
    if (!number.grouped && !number.percent && number.decimals == 0)
        return {};
    std::string code = number.grouped ? "#,##0" : "0";
    if (number.decimals > 0)
        code += '.' + std::string(static_cast<std::size_t>(std::min(number.decimals, maxShownDecimals)), '0');
    if (number.percent)
        code += '%';
    return code;
}
} // namespace CellNumber
