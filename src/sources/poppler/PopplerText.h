#pragma once

#include "sources/Image.h"
#include "sources/PDFTable.h"

#include <optional>
#include <string>

// The text layer of PDF pages, read with Poppler.
namespace PageText {
// Returns the trimmed text layer of a page (1-based), or no value when the document or page cannot be read or
// the page holds 20 characters or fewer.
std::optional<std::string> plain(const std::string& pdfPath, int pageIndex);

// Returns the words of a page (1-based) with their boxes at `scale` pixels per point, or no value when the
// document or page cannot be read or the page holds 20 characters or fewer. Words outside the page or without
// a box are left out.
std::optional<Layer> layer(const std::string& pdfPath, int pageIndex, double scale);
} // namespace PageText

namespace PDFTable {
// Rebuilds the table of a PDF page (1-based) from its text lines, with the vertical rulings found in the
// rendered `image` (drawn at `scale` pixels per point) as column boundaries.
std::optional<Extracted> extract(const std::string& pdfPath, int pageIndex, const Image& image, double scale);
} // namespace PDFTable
