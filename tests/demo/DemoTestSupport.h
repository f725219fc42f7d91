#pragma once

#include "support/Process.h"

#include <gif_lib.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

// What an animation player reads from a GIF's blocks ("screen W H", "loop N", "frame W H DELAY", "end"), read by
// gif_blocks.py from the GIF89a layout alone, so the writer is checked independently of giflib.
inline std::string gifBlocks(const std::string& path)
{
    return TestSupport::run("/usr/bin/python3", {AMBREL_SOURCE_DIR "/tests/demo/gif_blocks.py", path}).out;
}

struct DecodedFrame
{
    int width = 0;
    int height = 0;
    std::vector<std::array<std::uint8_t, 3>> rgb; // row by row
};

// Every frame's pixels as giflib decodes them; none when the file does not decode.
inline std::vector<DecodedFrame> decodeGif(const std::string& path)
{
    int error = 0;
    auto close = [](GifFileType* gif) { DGifCloseFile(gif, nullptr); };
    std::unique_ptr<GifFileType, decltype(close)> gif{DGifOpenFileName(path.c_str(), &error), close};
    std::vector<DecodedFrame> frames;
    if (!gif || DGifSlurp(gif.get()) != GIF_OK)
        return frames;
    for (int i = 0; i < gif->ImageCount; ++i) {
        const SavedImage& image = gif->SavedImages[i];
        const ColorMapObject* map = image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap : gif->SColorMap;
        DecodedFrame frame{image.ImageDesc.Width, image.ImageDesc.Height, {}};
        for (int p = 0; p < frame.width * frame.height; ++p) {
            const GifColorType c = map->Colors[image.RasterBits[p]];
            frame.rgb.push_back({c.Red, c.Green, c.Blue});
        }
        frames.push_back(std::move(frame));
    }
    return frames;
}
