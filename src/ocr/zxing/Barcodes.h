#pragma once

#include "sources/Image.h"

#include <array>
#include <string>
#include <vector>

namespace Barcodes {
// A corner of a barcode in image pixels, origin top-left (the image's own row order).
struct Point
{
    int x = 0;
    int y = 0;
};

// One decoded barcode: its payload as UTF-8 and the corners of its position, clockwise from the top-left one.
struct Barcode
{
    std::string text;
    std::array<Point, 4> corners;
};

// Returns the barcodes of every format found in a grey image (Grey8), in the detector's order, payloads
// possibly empty. Never throws: a detector failure reads as no barcodes.
// `upright` skips the turned and mirrored readings, which cost as much again: for pages typeset upright.
std::vector<Barcode> read(const Image& grey, bool upright = false);
} // namespace Barcodes
