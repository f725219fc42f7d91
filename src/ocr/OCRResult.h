#pragma once

#include "ocr/PageBlock.h"
#include "ocr/TableGrid.h"
#include "ocr/TextRun.h"
#include "sources/Image.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

// What recognizing one image or one page gives; every consumer reads only this value.
struct OCRResult
{
    std::vector<TextRun> lines;
    std::vector<TextRun> words;
    std::optional<Image> image;
    std::optional<std::string> exactText; // a PDF page's own text layer
    std::vector<std::string> barcodes;
    // A whole page laid out in reading order; empty for a screen box, which is one region and reads as before.
    std::vector<PageBlock> blocks;

    // The runs that table building and "was anything recognized" look at: the word runs.
    const std::vector<TextRun>& runs() const { return words; }
    // True when nothing textual was found; barcodes alone leave a result empty.
    bool isEmpty() const
    {
        return lines.empty() && (!exactText || exactText->empty())
               && std::none_of(blocks.begin(), blocks.end(), [](const PageBlock& b) {
                      return b.kind != PageBlock::Kind::Picture && (!b.text.empty() || !b.grid.empty());
                  });
    }
    bool isPage() const { return !blocks.empty(); }
    bool fromTextLayer() const { return exactText.has_value(); }
    // Returns a page's blocks in reading order (table rows with tab-separated cells), else the exact text when
    // present, otherwise the line runs assembled top to bottom, left to right.
    std::string plainText() const;
};
