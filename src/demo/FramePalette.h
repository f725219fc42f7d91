#pragma once

#include "sources/Image.h"

#include <array>
#include <cstdint>
#include <vector>

// Reduces one opaque frame to at most 256 colours for GIF. Each frame gets its own palette, so a frame that is
// all gradient and a frame that is mostly white card both spend their 256 entries where they need them.
namespace FramePalette {

using Colour = std::array<std::uint8_t, 3>; // red, green, blue

struct IndexedFrame
{
    int width = 0;
    int height = 0;
    std::vector<Colour> palette;       // at most 256 entries
    std::vector<std::uint8_t> indices; // width × height palette indices, top row first
};

// Returns the frame as palette indices. A frame of at most 256 distinct colours is kept exactly. Otherwise the
// colours that cover large areas (flat fills, the bands of a gradient) keep exact entries, the rest share entries
// found by median cut, and only pixels in smooth areas (blurred shadows) are ordered-dithered: text and edges map
// to their nearest entry, so they stay crisp instead of speckled. Alpha is ignored: frames are opaque.
IndexedFrame quantize(const Image& image);

} // namespace FramePalette
