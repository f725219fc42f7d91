#pragma once

#include "sources/Image.h"
#include "sources/PDFTable.h"

#include <functional>
#include <memory>
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
    // Set by loadImage when it gives no image: why, as a sentence naming the page ("page 3 of x.pdf: too large to
    // read"). Shared by copies of the page, which load one at a time.
    std::shared_ptr<std::string> problem = std::make_shared<std::string>();

    std::optional<Image> image() const { return loadImage ? loadImage() : std::nullopt; }
};
} // namespace ImageLoader
