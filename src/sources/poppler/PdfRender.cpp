#include "sources/poppler/PdfRender.h"

#include "sources/Confined.h"
#include "sources/poppler/PopplerDocument.h"

#include <poppler-image.h>
#include <poppler-page-renderer.h>

#include <algorithm>
#include <charconv>
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

std::optional<std::vector<PageSize>> renderablePagesHere(const std::string& path, double scale)
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

std::optional<Image> renderHere(const std::string& path, int pageNumber, double scale)
{
    try {
        const auto document = PopplerDocument::open(path);
        if (!document)
            return std::nullopt;
        const auto page = PopplerDocument::page(*document, pageNumber);
        const std::optional<PageSize> size = page ? sizeOf(*page, pageNumber, scale) : std::nullopt;
        if (!size)
            return std::nullopt;
        // Poppler's bitmap and the reply, with room to spare, on top of the budget for parsing and drawing the page's
        // content.
        Confined::allow(std::uint64_t{3} * 4 * static_cast<std::uint64_t>(size->width) * size->height);

        // Every reader of a page looks at its grey (rules, barcodes, recognition): Poppler draws it grey at once,
        // in a quarter of the bytes, which also cross to the program as they are.
        poppler::page_renderer renderer;
        renderer.set_paper_color(0xFFFFFFFF);
        renderer.set_image_format(poppler::image::format_gray8);
        // Without anti-aliasing: a page is drawn for its rules, its pictures and a scan's pixels, which anti-aliasing
        // leaves alone, and it costs a third of the drawing time. Text a page draws without a text layer is
        // recognized as well from crisp edges (recognition makes every page black and white first).
        renderer.set_render_hint(poppler::page_renderer::antialiasing, false);
        renderer.set_render_hint(poppler::page_renderer::text_antialiasing, false);
        const double dpi = 72.0 * scale;
        auto rendered = std::make_shared<const poppler::image>(renderer.render_page(page.get(), dpi, dpi));
        if (!rendered->is_valid() || rendered->format() != poppler::image::format_gray8 || rendered->width() <= 0
            || rendered->height() <= 0 || rendered->bytes_per_row() < rendered->width())
            return std::nullopt;
        Image image;
        image.width = rendered->width();
        image.height = rendered->height();
        image.stride = rendered->bytes_per_row();
        image.format = Image::Format::Grey8;
        image.pixels = reinterpret_cast<const std::uint8_t*>(rendered->const_data());
        image.owner = rendered;
        return image;
    } catch (...) {
        return std::nullopt;
    }
}

int intOf(std::string_view text)
{
    int value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

const Confined::Job listJob{"pdf-pages", [](std::string_view request) -> std::optional<std::string> {
                                const auto fields = Confined::unpack(request);
                                if (!fields || fields->size() != 2)
                                    return std::nullopt;
                                const auto sizes =
                                    renderablePagesHere(std::string((*fields)[0]), Confined::doubleOf((*fields)[1]));
                                if (!sizes)
                                    return std::nullopt;
                                std::string reply;
                                for (const PageSize& size : *sizes)
                                    reply += std::to_string(size.pageNumber) + ' ' + std::to_string(size.width) + ' '
                                             + std::to_string(size.height) + '\n';
                                return reply;
                            }};

const Confined::Job renderJob{"pdf-render", [](std::string_view request) -> std::optional<std::string> {
                                  const auto fields = Confined::unpack(request);
                                  if (!fields || fields->size() != 3)
                                      return std::nullopt;
                                  const auto image = renderHere(std::string((*fields)[0]), intOf((*fields)[1]),
                                                                Confined::doubleOf((*fields)[2]));
                                  if (!image)
                                      return std::nullopt;
                                  return Confined::packImage(*image);
                              }};

} // namespace

std::optional<std::vector<PageSize>> renderablePages(const std::string& path, double scale)
{
    if (!PopplerDocument::hasHeader(path))
        return std::nullopt;
    const Confined::Reply reply = listJob.run(Confined::pack({path, Confined::bytesOf(scale)}));
    if (reply.outcome != Confined::Outcome::Done)
        return std::nullopt;
    std::vector<PageSize> sizes;
    std::size_t start = 0;
    while (start < reply.bytes.size()) {
        std::size_t end = reply.bytes.find('\n', start);
        if (end == std::string::npos)
            end = reply.bytes.size();
        PageSize size;
        const char* p = reply.bytes.data() + start;
        const char* last = reply.bytes.data() + end;
        auto parsed = std::from_chars(p, last, size.pageNumber);
        parsed = std::from_chars(std::min(parsed.ptr + 1, last), last, size.width);
        std::from_chars(std::min(parsed.ptr + 1, last), last, size.height);
        sizes.push_back(size);
        start = end + 1;
    }
    return sizes;
}

Rendered renderPage(const std::string& path, int pageNumber, double scale)
{
    Confined::Reply reply = renderJob.run(Confined::pack({path, std::to_string(pageNumber), Confined::bytesOf(scale)}));
    if (reply.outcome == Confined::Outcome::TooLarge)
        return {std::nullopt, true};
    if (reply.outcome != Confined::Outcome::Done)
        return {};
    return {Confined::unpackImage(std::move(reply.bytes)), false};
}

std::optional<Image> render(const std::string& path, int pageNumber, double scale)
{
    return renderPage(path, pageNumber, scale).image;
}
} // namespace PdfRender
