#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace Settings {
// What a capture should become. Stored as the integer, so the numbers are fixed and new modes go at the end.
enum class OutputMode : int
{
    Auto = 0,
    PlainText = 1,
    MarkdownTable = 2,
    CSV = 3,
    Code = 4,
};

inline constexpr std::array<OutputMode, 5> allOutputModes{OutputMode::Auto, OutputMode::PlainText,
                                                          OutputMode::MarkdownTable, OutputMode::CSV, OutputMode::Code};

// Returns the mode with this raw value, or no value outside 0...4.
std::optional<OutputMode> outputModeFromRaw(long long raw);
// Returns the text shown in pickers, such as "Auto (smart)".
std::string_view label(OutputMode mode);
// False only for code, whose symbols a language model would "correct" away.
bool usesLanguageCorrection(OutputMode mode);
} // namespace Settings
