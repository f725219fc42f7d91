#pragma once

#include "ocr/TableGrid.h"
#include "ocr/TextRun.h"

#include <string>

// One region of a laid-out page, in the order a reader follows: a block of text, a table or a picture.
struct PageBlock
{
    enum class Kind
    {
        Text,
        Table,
        Picture, // gives no text of its own
    };

    Kind kind = Kind::Text;
    Rect box;         // pixels of the page image, origin bottom-left
    std::string text; // a text block's lines, joined with line feeds
    TableGrid grid;   // a table block's cells, stacked header merged
    bool ruled = false;

    bool operator==(const PageBlock&) const = default;
};
