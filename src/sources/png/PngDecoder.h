#pragma once

#include "sources/Image.h"

#include <optional>
#include <string>

// Reads the common kinds of PNG file with libpng alone, giving exactly the pixels and layout Qt's reader gives for
// them: 8-bit grey, grey with alpha, RGB, RGBA and 8-bit palette images, interlaced or not, without a tRNS chunk.
// Anything else — other depths, transparency keys, damaged or oversized files — gives no value, and the caller
// decodes the file the general way.
namespace PngDecoder {
std::optional<Image> decode(const std::string& path, long long maxPixels, int maxSide);
} // namespace PngDecoder
