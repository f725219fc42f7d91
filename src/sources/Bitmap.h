#pragma once

#include "sources/Image.h"

#include <cstdint>
#include <optional>
#include <vector>

// An 8-bit grey copy of an image for counting dark pixels per column and per row. Row 0 is the bottom row, so a
// row index measures the same distance from the bottom edge as the y of a text box.
struct Bitmap
{
    std::int64_t w = 0;
    std::int64_t h = 0;
    std::vector<std::uint8_t> px; // w × h bytes, row-major, bottom row first; 0 black, 255 white

    // No value for an image without pixels.
    static std::optional<Bitmap> from(const Image& image);

    static bool dark(std::uint8_t grey) { return grey < 190; }
    std::int64_t darkCountColumn(std::int64_t x) const;
    std::int64_t darkCountRow(std::int64_t y) const;
};
