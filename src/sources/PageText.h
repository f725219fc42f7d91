#pragma once

#include "ocr/TextRun.h"

#include <optional>
#include <string>
#include <vector>

namespace PageText {
// A page's text layer word by word, as the layout reads it.
struct Layer
{
    std::vector<TextRun> words;   // in the document's reading order; boxes in pixels of the rendered page, y upward
    std::vector<bool> spaceAfter; // per word: the text layer holds a space after it
    std::string text;             // the whole page text, trimmed
    double width = 0;             // the rendered page, in pixels
    double height = 0;
    // The layer holds too few characters to be a page's text on its own (a page number, a scanner's stamp): it is
    // the page's text only where it accounts for all the page's ink.
    bool few = false;
};
} // namespace PageText
