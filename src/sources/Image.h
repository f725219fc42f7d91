#pragma once

#include <cstdint>
#include <memory>

// Decoded pixels as they cross the layers: rows run top row first, as every decoder, renderer and screen grab
// delivers them. The buffer is shared and never written after construction, so copies are cheap and may be read
// from any thread. Adapters wrap QImage, Leptonica and Poppler buffers without copying where they can: `owner`
// keeps the foreign buffer alive.
struct Image
{
    enum class Format
    {
        Grey8,               // one byte a pixel
        BGRA32,              // bytes B, G, R, A with straight alpha (QImage::Format_ARGB32 on little-endian)
        BGRA32Premultiplied, // the same, colour already multiplied by alpha (QPainter's native surface)
    };

    int width = 0;
    int height = 0;
    int stride = 0; // bytes from one row to the next
    Format format = Format::Grey8;
    const std::uint8_t* pixels = nullptr;
    std::shared_ptr<const void> owner;

    bool isNull() const { return width <= 0 || height <= 0 || pixels == nullptr; }
    const std::uint8_t* row(int y) const { return pixels + static_cast<std::ptrdiff_t>(y) * stride; }
    static int bytesPerPixel(Format format) { return format == Format::Grey8 ? 1 : 4; }

    // Returns the grey value (0 black, 255 white) of the pixel at column x, row y counted from the top, with any
    // transparency composed over white; luminance weights of ITU-R BT.601.
    std::uint8_t grey(int x, int y) const;
    // Writes the grey values of row y (counted from the top) to out[0 .. width - 1], as grey() would.
    void greyRow(int y, std::uint8_t* out) const;

    // Returns the image in grey, each pixel as grey() gives it, in a buffer of its own; a grey image as it is.
    Image greyed() const;
    // Returns an image that owns a copy of `bytes` laid out with the given stride.
    static Image copyOf(int width, int height, int stride, Format format, const std::uint8_t* bytes);
    // Returns a new all-white grey image, for tests and for padding.
    static Image blankGrey(int width, int height, std::uint8_t value = 255);
};
