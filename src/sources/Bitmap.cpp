#include "sources/Bitmap.h"

#include <cstddef>

namespace {
// A hand-made bitmap may disagree with its own size; counting then reads nothing rather than past the buffer.
bool consistent(const Bitmap& bitmap)
{
    return bitmap.w >= 0 && bitmap.h >= 0
           && static_cast<std::uint64_t>(bitmap.w) * static_cast<std::uint64_t>(bitmap.h) <= bitmap.px.size();
}
} // namespace

std::optional<Bitmap> Bitmap::from(const Image& image)
{
    if (image.isNull())
        return std::nullopt;
    // A stride shorter than a row would read the next row's pixels and, on the last row, past the buffer.
    if (image.stride < image.width * Image::bytesPerPixel(image.format))
        return std::nullopt;

    Bitmap bitmap;
    bitmap.w = image.width;
    bitmap.h = image.height;
    bitmap.px.resize(static_cast<std::size_t>(bitmap.w * bitmap.h));
    // Image rows run top first; the bitmap stores the bottom row first so row indexes match text box y.
    for (int y = 0; y < image.height; ++y)
        image.greyRow(y, bitmap.px.data() + (bitmap.h - 1 - y) * bitmap.w);
    return bitmap;
}

std::int64_t Bitmap::darkCountColumn(std::int64_t x) const
{
    if (x < 0 || x >= w || !consistent(*this))
        return 0;
    std::int64_t count = 0;
    for (std::int64_t y = 0; y < h; ++y)
        count += dark(px[static_cast<std::size_t>(y * w + x)]);
    return count;
}

std::int64_t Bitmap::darkCountRow(std::int64_t y) const
{
    if (y < 0 || y >= h || !consistent(*this))
        return 0;
    const std::uint8_t* row = px.data() + y * w;
    std::int64_t count = 0;
    for (std::int64_t x = 0; x < w; ++x)
        count += dark(row[x]);
    return count;
}
