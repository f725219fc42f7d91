#include "sources/heif/HeifDecoder.h"

#include <libheif/heif.h>

#include <algorithm>
#include <memory>
#include <utility>

namespace HeifDecoder {

bool recognizes(const std::uint8_t* head, int length)
{
    return length >= 12 && heif_check_filetype(head, length) == heif_filetype_yes_supported;
}

std::optional<Image> decode(const std::string& path, std::int64_t maxPixels, int maxSide)
{
    std::unique_ptr<heif_context, decltype(&heif_context_free)> context{heif_context_alloc(), heif_context_free};
    if (!context)
        return std::nullopt;
    heif_context_set_maximum_image_size_limit(context.get(), maxSide);
    if (heif_context_read_from_file(context.get(), path.c_str(), nullptr).code != heif_error_Ok)
        return std::nullopt;

    heif_image_handle* rawHandle = nullptr;
    if (heif_context_get_primary_image_handle(context.get(), &rawHandle).code != heif_error_Ok)
        return std::nullopt;
    std::unique_ptr<heif_image_handle, decltype(&heif_image_handle_release)> handle{rawHandle,
                                                                                    heif_image_handle_release};
    const std::int64_t w = heif_image_handle_get_width(handle.get());
    const std::int64_t h = heif_image_handle_get_height(handle.get());
    if (w <= 0 || h <= 0 || w > maxSide || h > maxSide || w * h > maxPixels)
        return std::nullopt;

    heif_image* rawImage = nullptr;
    if (heif_decode_image(handle.get(), &rawImage, heif_colorspace_RGB, heif_chroma_interleaved_RGBA, nullptr).code
        != heif_error_Ok)
        return std::nullopt;
    std::shared_ptr<heif_image> decoded{rawImage, heif_image_release};

    int stride = 0;
    std::uint8_t* plane = heif_image_get_plane(decoded.get(), heif_channel_interleaved, &stride);
    const int width = heif_image_get_width(decoded.get(), heif_channel_interleaved);
    const int height = heif_image_get_height(decoded.get(), heif_channel_interleaved);
    if (!plane || width <= 0 || height <= 0 || stride < width * 4)
        return std::nullopt;

    // libheif delivers R, G, B, A; ours is B, G, R, A. Swapping in place keeps libheif's buffer, unpremultiplied.
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = plane + static_cast<std::ptrdiff_t>(y) * stride;
        for (int x = 0; x < width; ++x)
            std::swap(row[x * 4], row[x * 4 + 2]);
    }
    Image image;
    image.width = width;
    image.height = height;
    image.stride = stride;
    image.format = Image::Format::BGRA32;
    image.pixels = plane;
    image.owner = std::move(decoded);
    return image;
}
} // namespace HeifDecoder
