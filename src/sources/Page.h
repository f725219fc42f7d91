#pragma once

#include "sources/Image.h"
#include "sources/PageText.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace ImageLoader {
// PDF pages are rendered at 2.5 pixels per point (180 dpi); the text-layer table reader uses the same scale.
inline constexpr double pdfScale = 2.5;

// Pages recognized side by side hold at most this many pixels together, and a larger page runs alone: each pixel
// costs several bytes in the page image and in the recognizer's copies of it, so memory stays bounded whatever the
// number of cores. Ordinary pages (an A4 page at 180 dpi is 3 megapixels) still run one per core.
inline constexpr std::uint64_t pixelsInFlight = 64'000'000;

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
    // The pixels its image will have, when known from listing (the PDF page's size, the picture's header); 0 when
    // not known.
    std::uint64_t pixels = 0;

    std::optional<Image> image() const { return loadImage ? loadImage() : std::nullopt; }
};
} // namespace ImageLoader
