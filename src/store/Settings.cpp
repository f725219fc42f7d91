#include "store/Settings.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>

namespace {

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}
} // namespace

std::vector<std::pair<std::string_view, Settings::Value>> Settings::factoryDefaults(std::string languagesDefault)
{
    return {
        {Key::launchAtLogin, false},
        {Key::outputMode, static_cast<long long>(OutputMode::Auto)},
        {Key::languages, std::move(languagesDefault)},
        {Key::playSound, true},
        {Key::keepHistory, true},
        {Key::hotkeyKeyCode, defaultHotkeyKeyCode},
        {Key::hotkeyModifiers, defaultHotkeyModifiers},
        {Key::hotkeyLabel, std::string("2")},
    };
}

std::string_view Settings::trimmedBlanks(std::string_view text)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

std::vector<std::string> Settings::parseLanguages(std::string_view stored)
{
    std::vector<std::string> codes;
    while (true) {
        const size_t comma = stored.find(',');
        const std::string_view piece = trimmedBlanks(stored.substr(0, comma));
        if (!piece.empty())
            codes.emplace_back(piece);
        if (comma == std::string_view::npos)
            break;
        stored.remove_prefix(comma + 1);
    }
    return codes;
}

bool Settings::termsAccepted(long long storedVersion)
{
    return storedVersion >= currentTermsVersion;
}

std::optional<long long> Settings::integerFromText(std::string_view text)
{
    text = Settings::trimmedBlanks(text);
    if (text.empty())
        return std::nullopt;
    std::string_view digits = text;
    if (digits.front() == '+')
        digits.remove_prefix(1);
    long long value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error == std::errc() && end == digits.data() + digits.size())
        return value;
    // Not a plain integer: accept a decimal number and cut it toward zero, within range.
    double real = 0;
    const auto [realEnd, realError] = std::from_chars(digits.data(), digits.data() + digits.size(), real);
    if (realError != std::errc() || realEnd != digits.data() + digits.size() || !std::isfinite(real))
        return std::nullopt;
    if (real >= 9.2e18 || real <= -9.2e18)
        return std::nullopt;
    return static_cast<long long>(real);
}

bool Settings::booleanFromText(std::string_view text)
{
    text = Settings::trimmedBlanks(text);
    if (equalsIgnoringCase(text, "true") || equalsIgnoringCase(text, "yes"))
        return true;
    const std::optional<long long> number = integerFromText(text);
    return number && *number != 0;
}
