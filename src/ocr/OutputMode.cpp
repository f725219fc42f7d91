#include "ocr/OutputMode.h"

namespace Settings {
std::optional<OutputMode> outputModeFromRaw(long long raw)
{
    if (raw < static_cast<int>(OutputMode::Auto) || raw > static_cast<int>(OutputMode::Code))
        return std::nullopt;
    return static_cast<OutputMode>(raw);
}

std::string_view label(OutputMode mode)
{
    switch (mode) {
    case OutputMode::Auto:
        return "Auto (smart)";
    case OutputMode::PlainText:
        return "Plain text";
    case OutputMode::MarkdownTable:
        return "Table \u2192 Markdown";
    case OutputMode::CSV:
        return "Table \u2192 CSV";
    case OutputMode::Code:
        return "Code (keep symbols)";
    }
    return "Auto (smart)"; // an out-of-range value cast into the enum reads as the default mode
}

bool usesLanguageCorrection(OutputMode mode)
{
    return mode != OutputMode::Code;
}
} // namespace Settings
