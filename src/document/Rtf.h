#pragma once

#include <string>
#include <string_view>

namespace Rtf {
// Returns a rich-text document holding the UTF-8 text as plain paragraphs in one 12-point font. Every character
// outside ASCII is written as \uN escapes of its UTF-16 code units, so the file is pure ASCII and any word
// processor reads the text back exactly; ill-formed UTF-8 reads as U+FFFD.
std::string document(std::string_view text, std::string_view fontFamily);
} // namespace Rtf
