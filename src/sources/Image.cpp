#include "sources/Image.h"

#include <cstring>
#include <vector>

std::uint8_t Image::grey(int x, int y) const
{
    const std::uint8_t* p = row(y) + static_cast<std::ptrdiff_t>(x) * bytesPerPixel(format);
    if (format == Format::Grey8)
        return p[0];
    const unsigned b = p[0], g = p[1], r = p[2], a = p[3];
    const unsigned luma = (77 * r + 150 * g + 29 * b + 128) >> 8;
    if (a == 255)
        return static_cast<std::uint8_t>(luma);
    // Compose over white: straight alpha scales the colour, premultiplied colour is already scaled.
    const unsigned scaled = format == Format::BGRA32 ? (luma * a + 127) / 255 : luma;
    const unsigned composed = scaled + (255 - a);
    return static_cast<std::uint8_t>(composed > 255 ? 255 : composed);
}

Image Image::copyOf(int width, int height, int stride, Format format, const std::uint8_t* bytes)
{
    const std::size_t size = static_cast<std::size_t>(stride) * static_cast<std::size_t>(height);
    auto buffer = std::make_shared<std::vector<std::uint8_t>>(size);
    if (size > 0)
        std::memcpy(buffer->data(), bytes, size);
    Image image;
    image.width = width;
    image.height = height;
    image.stride = stride;
    image.format = format;
    image.pixels = buffer->data();
    image.owner = buffer;
    return image;
}

Image Image::blankGrey(int width, int height, std::uint8_t value)
{
    auto buffer = std::make_shared<std::vector<std::uint8_t>>(static_cast<std::size_t>(width) * height, value);
    Image image;
    image.width = width;
    image.height = height;
    image.stride = width;
    image.format = Format::Grey8;
    image.pixels = buffer->data();
    image.owner = buffer;
    return image;
}
