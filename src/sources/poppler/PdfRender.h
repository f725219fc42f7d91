#pragma once

#include "sources/Image.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Page listing and rendering of PDFs through Poppler, for the page loader. Every call opens the document anew in a
// confined helper (Confined.h), so calls may run on any thread at the same time and a hostile page costs only
// its helper.
namespace PdfRender {
// Largest page image rendered: 100 megapixels (400 MB of BGRA), and 30000 pixels a side, the most Tesseract
// takes whole. Larger pages are skipped rather than scaled, because the text-layer table reader maps page
// points onto the pixels at the fixed rendering scale.
inline constexpr std::int64_t maxPixels = 100'000'000;
inline constexpr std::int64_t maxSide = 30000;

struct PageSize
{
    int pageNumber = 0; // 1-based number within the document
    int width = 0;      // pixels at the scale
    int height = 0;
};

// Returns the pages that can be rendered at `scale` pixels per point, in document order: pages whose media box is
// empty, or whose image would exceed the limits above, are left out. No value when the file is not a PDF Poppler
// can open (including one locked by a password, and any file that does not start with "%PDF-").
std::optional<std::vector<PageSize>> renderablePages(const std::string& path, double scale);

// Renders page `pageNumber` (1-based) at `scale` pixels per point on opaque white, in grey (Image::grey's values).
// No value when the document or page cannot be read, the page is out of the limits, or rendering fails.
std::optional<Image> render(const std::string& path, int pageNumber, double scale);

struct Rendered
{
    std::optional<Image> image;
    bool tooLarge = false; // the page ran out of its memory or time budget
};
// render, telling a page that exceeded its budget from one that cannot be read.
Rendered renderPage(const std::string& path, int pageNumber, double scale);
} // namespace PdfRender
