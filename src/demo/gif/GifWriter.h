#pragma once

#include "sources/Image.h"

#include <string>
#include <vector>

// Writes animated GIF files with giflib.
namespace GifWriter {

struct Frame
{
    Image image;   // opaque pixels; every frame of one file has the same size
    int delay = 0; // hundredths of a second, the unit GIF stores
};

struct Result
{
    std::string error; // empty on success
    bool ok() const { return error.empty(); }
};

// Returns a display time in the hundredths of a second GIF stores, rounded to the nearest (half away from zero).
int centiseconds(double seconds);

// Writes the frames as a GIF that loops forever, each frame with its own palette and delay. The file appears at
// `path` complete or not at all: it is written beside it under a temporary name and renamed when finished.
Result write(const std::string& path, const std::vector<Frame>& frames);

} // namespace GifWriter
