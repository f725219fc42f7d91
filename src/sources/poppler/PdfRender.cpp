#include "sources/poppler/PdfRender.h"

#include "sources/poppler/PopplerDocument.h"

#include <poppler-image.h>
#include <poppler-page-renderer.h>

#include <bit>
#include <cstddef>
#include <memory>
#include <vector>

namespace PdfRender {
namespace {

// The pixel size of the page at the scale, or none when it is empty or beyond the limits. The media box decides
// emptiness; the visible crop box, which Poppler renders, decides the size.
std::optional<PageSize> sizeOf(const poppler::page& page, int pageNumber, double scale)
{
    const poppler::rectf media = page.page_rect(poppler::media_box);
    const PopplerDocument::Size visible = PopplerDocument::visibleSize(page);
    const double w = visible.width * scale;
    const double h = visible.height * scale;
    if (!(media.width() * scale >= 1.0 && media.height() * scale >= 1.0 && w >= 1.0 && h >= 1.0))
        return std::nullopt; // also rejects NaN
    if (w > static_cast<double>(maxSide) || h > static_cast<double>(maxSide) || w * h > static_cast<double>(maxPixels))
        return std::nullopt;
    return PageSize{pageNumber, static_cast<int>(w), static_cast<int>(h)};
}

} // namespace

std::optional<std::vector<PageSize>> renderablePages(const std::string& path, double scale)
{
    try {
        const auto document = PopplerDocument::open(path);
        if (!document)
            return std::nullopt;
        std::vector<PageSize> sizes;
        const int count = std::max(1, document->pages());
        for (int number = 1; number <= count; ++number) {
            const auto page = PopplerDocument::page(*document, number);
            if (!page)
                continue;
            if (auto size = sizeOf(*page, number, scale))
                sizes.push_back(*size);
        }
        return sizes;
    } catch (...) {
        return std::nullopt;
    }
}

std::optional<Image> render(const std::string& path, int pageNumber, double scale)
{
    try {
        const auto document = PopplerDocument::open(path);
        if (!document)
            return std::nullopt;
        const auto page = PopplerDocument::page(*document, pageNumber);
        if (!page || !sizeOf(*page, pageNumber, scale))
            return std::nullopt;

        poppler::page_renderer renderer;
        renderer.set_paper_color(0xFFFFFFFF);
        renderer.set_image_format(poppler::image::format_argb32);
        renderer.set_render_hint(poppler::page_renderer::antialiasing, true);
        renderer.set_render_hint(poppler::page_renderer::text_antialiasing, true);
        const double dpi = 72.0 * scale;
        auto rendered = std::make_shared<const poppler::image>(renderer.render_page(page.get(), dpi, dpi));
        if (!rendered->is_valid() || rendered->format() != poppler::image::format_argb32 || rendered->width() <= 0
            || rendered->height() <= 0)
            return std::nullopt;

        // format_argb32 is a native 0xAARRGGBB word per pixel, so B, G, R, A bytes on little-endian machines; the
        // white paper makes every pixel opaque. The Poppler buffer is wrapped, not copied.
        if constexpr (std::endian::native == std::endian::big) {
            std::vector<std::uint8_t> bytes(static_cast<std::size_t>(rendered->width()) * 4 * rendered->height());
            for (int y = 0; y < rendered->height(); ++y) {
                const auto* words = reinterpret_cast<const std::uint32_t*>(
                    rendered->const_data() + std::ptrdiff_t{y} * rendered->bytes_per_row());
                for (int x = 0; x < rendered->width(); ++x) {
                    std::uint8_t* out = bytes.data() + (std::size_t(y) * rendered->width() + x) * 4;
                    out[0] = words[x] & 0xFF;
                    out[1] = (words[x] >> 8) & 0xFF;
                    out[2] = (words[x] >> 16) & 0xFF;
                    out[3] = words[x] >> 24;
                }
            }
            return Image::copyOf(rendered->width(), rendered->height(), rendered->width() * 4, Image::Format::BGRA32,
                                 bytes.data());
        }
        Image image;
        image.width = rendered->width();
        image.height = rendered->height();
        image.stride = rendered->bytes_per_row();
        image.format = Image::Format::BGRA32;
        image.pixels = reinterpret_cast<const std::uint8_t*>(rendered->const_data());
        image.owner = rendered;
        return image;
    } catch (...) {
        return std::nullopt;
    }
}
} // namespace PdfRender
