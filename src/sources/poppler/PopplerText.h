#pragma once

#include "sources/PageText.h"

#include <optional>
#include <string>

// The text layer of PDF pages, read with Poppler.
namespace PageText {
// Returns the words of a page (1-based) with their boxes at `scale` pixels per point, or no value when the
// document or page cannot be read or holds no text; a layer of 20 characters or fewer comes back marked `few`.
// Words outside the page or without a box are left out.
std::optional<Layer> layer(const std::string& pdfPath, int pageIndex, double scale);
} // namespace PageText
