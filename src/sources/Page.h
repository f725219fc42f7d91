#pragma once

#include "sources/Image.h"
#include "sources/PDFTable.h"

#include <functional>
#include <optional>
#include <string>

namespace ImageLoader {
// PDF pages are rendered at 2.5 pixels per point (180 dpi); the text-layer table reader uses the same scale.
inline constexpr double pdfScale = 2.5;

// One page to recognize: a picture file, or one page of a PDF.
struct Page
{
    std::string label; // the file name, with " — p" and the number for a PDF of several pages
    // Produces the pixels. A PDF page renders only when asked, so that a long document never sits in memory
    // whole; no value when the page cannot be decoded or rendered after all.
    std::function<std::optional<Image>()> loadImage;
    std::optional<std::string> pdfPath; // set for PDF pages, with pageIndex
    std::optional<int> pageIndex;       // 1-based page number within the PDF
    // A PDF page's text layer word by word, with boxes in pixels of the rendered page, read by whoever listed the
    // page; empty for a picture. No value when the page holds no usable text layer.
    std::function<std::optional<PageText::Layer>()> textWords;

    std::optional<Image> image() const { return loadImage ? loadImage() : std::nullopt; }
};
} // namespace ImageLoader
