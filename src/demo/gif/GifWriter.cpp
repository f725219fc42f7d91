#include "demo/gif/GifWriter.h"

#include "demo/FramePalette.h"
#include "export/AtomicFile.h"

#include <gif_lib.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>

namespace GifWriter {
namespace {

std::string gifError(int code)
{
    const char* text = GifErrorString(code);
    return text != nullptr ? text : "giflib error " + std::to_string(code);
}

bool sameSize(const Image& a, const Image& b)
{
    return a.width == b.width && a.height == b.height;
}

bool samePixels(const Image& a, const Image& b)
{
    if (!sameSize(a, b) || a.format != b.format)
        return false;
    const std::size_t rowBytes = std::size_t(a.width) * std::size_t(Image::bytesPerPixel(a.format));
    for (int y = 0; y < a.height; ++y)
        if (std::memcmp(a.row(y), b.row(y), rowBytes) != 0)
            return false;
    return true;
}

// The NETSCAPE2.0 application extension with loop count 0, which every browser reads as "loop forever".
bool putLoopExtension(GifFileType* gif)
{
    static const char identifier[] = "NETSCAPE2.0";
    unsigned char loop[3] = {1, 0, 0}; // sub-block id 1, then the loop count, little-endian
    return EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) == GIF_OK
           && EGifPutExtensionBlock(gif, 11, identifier) == GIF_OK && EGifPutExtensionBlock(gif, 3, loop) == GIF_OK
           && EGifPutExtensionTrailer(gif) == GIF_OK;
}

std::optional<std::string> putFrame(GifFileType* gif, const FramePalette::IndexedFrame& frame, int delay)
{
    GraphicsControlBlock control{};
    control.DisposalMode = DISPOSE_DO_NOT; // every frame covers the whole canvas
    control.UserInputFlag = false;
    control.DelayTime = delay;
    control.TransparentColor = NO_TRANSPARENT_COLOR;
    GifByteType controlBytes[4];
    const auto controlLength = EGifGCBToExtension(&control, controlBytes);
    if (EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, int(controlLength), controlBytes) != GIF_OK)
        return gifError(gif->Error);

    // A colour table holds a power of two entries; the unused tail stays black.
    int tableSize = 2;
    while (tableSize < int(frame.palette.size()))
        tableSize *= 2;
    std::unique_ptr<ColorMapObject, void (*)(ColorMapObject*)> map{GifMakeMapObject(tableSize, nullptr),
                                                                   GifFreeMapObject};
    if (!map)
        return std::string("out of memory");
    for (std::size_t i = 0; i < frame.palette.size(); ++i)
        map->Colors[i] = {frame.palette[i][0], frame.palette[i][1], frame.palette[i][2]};

    if (EGifPutImageDesc(gif, 0, 0, frame.width, frame.height, false, map.get()) != GIF_OK)
        return gifError(gif->Error);
    std::vector<GifPixelType> line(std::size_t(frame.width));
    for (int y = 0; y < frame.height; ++y) {
        const auto first = frame.indices.begin() + std::ptrdiff_t(y) * frame.width;
        std::copy(first, first + frame.width, line.begin());
        if (EGifPutLine(gif, line.data(), frame.width) != GIF_OK)
            return gifError(gif->Error);
    }
    return std::nullopt;
}

// giflib hands the encoded bytes to this function; they collect in the vector behind UserData.
int collect(GifFileType* gif, const GifByteType* bytes, int length)
{
    auto& out = *static_cast<std::vector<std::uint8_t>*>(gif->UserData);
    out.insert(out.end(), bytes, bytes + length);
    return length;
}

std::optional<std::string> writeTo(std::vector<std::uint8_t>& out, const std::vector<Frame>& frames)
{
    int error = 0;
    GifFileType* raw = EGifOpen(&out, collect, &error);
    if (raw == nullptr)
        return gifError(error);
    int closeError = E_GIF_SUCCEEDED;
    auto closeGif = [&closeError](GifFileType* gif) {
        if (EGifCloseFile(gif, &closeError) == GIF_ERROR && closeError == E_GIF_SUCCEEDED)
            closeError = E_GIF_ERR_CLOSE_FAILED;
    };
    std::optional<std::string> failure;
    {
        std::unique_ptr<GifFileType, decltype(closeGif)> gif{raw, closeGif};
        // Extensions need GIF89a; in streaming mode giflib writes the version before it sees any extension.
        EGifSetGifVersion(gif.get(), true);
        const Image& first = frames.front().image;
        if (EGifPutScreenDesc(gif.get(), first.width, first.height, 8, 0, nullptr) != GIF_OK)
            return gifError(gif->Error);
        if (!putLoopExtension(gif.get()))
            return gifError(gif->Error);
        FramePalette::IndexedFrame indexed;
        for (std::size_t i = 0; i < frames.size() && !failure; ++i) {
            // Held frames repeat the previous picture: quantizing it again would give the same result.
            if (i == 0 || !samePixels(frames[i].image, frames[i - 1].image))
                indexed = FramePalette::quantize(frames[i].image);
            failure = putFrame(gif.get(), indexed, frames[i].delay);
        }
    }
    if (!failure && closeError != E_GIF_SUCCEEDED)
        failure = gifError(closeError);
    return failure;
}

} // namespace

int centiseconds(double seconds)
{
    return int(std::lround(seconds * 100.0));
}

Result write(const std::string& path, const std::vector<Frame>& frames)
{
    if (frames.empty())
        return {"no frames to write"};
    for (const Frame& frame : frames) {
        if (frame.image.isNull() || !sameSize(frame.image, frames.front().image))
            return {"frames differ in size or are empty"};
        if (frame.image.width > 0xFFFF || frame.image.height > 0xFFFF)
            return {"frame larger than GIF allows"};
        if (frame.delay < 0 || frame.delay > 0xFFFF)
            return {"frame delay out of range"};
    }

    std::vector<std::uint8_t> bytes;
    if (std::optional<std::string> failure = writeTo(bytes, frames))
        return {*failure};
    return {AtomicFile::write(path, bytes)};
}

} // namespace GifWriter
