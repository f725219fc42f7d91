#pragma once

#include "ocr/OCRResult.h"
#include "ocr/OutputMode.h"

#include <optional>
#include <string>
#include <string_view>

// What a finished capture puts on the clipboard and says, by the output mode.
namespace Delivery {
struct Choice
{
    std::string text;     // the clipboard text
    std::string html;     // a table's cells as text/html beside the text, for spreadsheets; empty for text
    std::string message;  // shown after "✓ "
    bool isTable = false; // a table rendering was copied: the history marks the entry
};

inline constexpr std::string_view noTextFound = "No text found";
inline constexpr std::string_view checkMark = "✓ ";

// Returns the text, table and message for a result, or no value when there is nothing to copy: no recognized run and no
// barcode, or only runs whose text is blank, which must not wipe the clipboard.
std::optional<Choice> choose(const OCRResult& result, Settings::OutputMode mode);
} // namespace Delivery
