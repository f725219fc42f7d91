#include "sources/Image.h"

#include <cstring>
#include <vector>

namespace {
// Luminance (ITU-R BT.601 in 8-bit fixed point, weights summing to 256 so white stays 255) of one BGRA pixel,
// composed over white.
inline std::uint8_t composedGrey(const std::uint8_t* p, bool premultiplied)
{
    const unsigned b = p[0], g = p[1], r = p[2], a = p[3];
    const unsigned luma = (77 * r + 150 * g + 29 * b + 128) >> 8;
    if (a == 255)
        return static_cast<std::uint8_t>(luma);
    // Over white: straight alpha scales the colour here, premultiplied colour arrives already scaled.
    const unsigned scaled = premultiplied ? luma : (luma * a + 127) / 255;
    const unsigned composed = scaled + (255 - a);
    return static_cast<std::uint8_t>(composed > 255 ? 255 : composed);
}

Image owning(int width, int height, int stride, Image::Format format, std::shared_ptr<std::vector<std::uint8_t>> buffer)
{
    Image image;
    image.width = width;
    image.height = height;
    image.stride = stride;
    image.format = format;
    image.pixels = buffer->data();
    image.owner = std::move(buffer);
    return image;
}
} // namespace

std::uint8_t Image::grey(int x, int y) const
{
    const std::uint8_t* p = row(y) + static_cast<std::ptrdiff_t>(x) * bytesPerPixel(format);
    if (format == Format::Grey8)
        return p[0];
    return composedGrey(p, format == Format::BGRA32Premultiplied);
}

void Image::greyRow(int y, std::uint8_t* out) const
{
    const std::uint8_t* p = row(y);
    if (format == Format::Grey8) {
        std::memcpy(out, p, static_cast<std::size_t>(width));
        return;
    }
    const bool premultiplied = format == Format::BGRA32Premultiplied;
    for (int x = 0; x < width; ++x, p += 4)
        out[x] = composedGrey(p, premultiplied);
}

Image Image::greyed() const
{
    if (isNull() || format == Format::Grey8)
        return *this;
    auto buffer = std::make_shared<std::vector<std::uint8_t>>(static_cast<std::size_t>(width) * height);
    for (int y = 0; y < height; ++y)
        greyRow(y, buffer->data() + static_cast<std::size_t>(y) * width);
    return owning(width, height, width, Format::Grey8, std::move(buffer));
}

Image Image::copyOf(int width, int height, int stride, Format format, const std::uint8_t* bytes)
{
    const std::size_t size = static_cast<std::size_t>(stride) * static_cast<std::size_t>(height);
    auto buffer = std::make_shared<std::vector<std::uint8_t>>(size);
    if (size > 0)
        std::memcpy(buffer->data(), bytes, size);
    return owning(width, height, stride, format, std::move(buffer));
}

Image Image::blankGrey(int width, int height, std::uint8_t value)
{
    auto buffer = std::make_shared<std::vector<std::uint8_t>>(static_cast<std::size_t>(width) * height, value);
    return owning(width, height, width, Format::Grey8, std::move(buffer));
}
