// Feeds arbitrary bytes to the file loaders as a file on disk, the way users hand them over: as a PDF, as a
// picture with each offered extension, and through the PDF text-layer readers and the page layout.
#include "ocr/PageLayout.h"
#include "sources/poppler/PopplerText.h"
#include "sources/qt/ImageLoader.h"

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>

namespace {

const std::string& scratchPath(const char* extension)
{
    static const std::string base = "/tmp/ambrel-fuzz-" + std::to_string(getpid()) + ".";
    static std::string path;
    path = base + extension;
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    // The first byte picks how the file is named, so one corpus covers every reader.
    static const char* extensions[] = {"pdf", "png", "jpg", "tif", "bmp", "gif", "heic", "PDF"};
    const char* extension = extensions[data[0] % 8];
    const std::string& path = scratchPath(extension);
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data + 1), static_cast<std::streamsize>(size - 1));
    }
    const auto pages = ImageLoader::pages(path);
    // Render and read at most two pages: enough to reach every code path, cheap enough to keep the pace up.
    for (std::size_t i = 0; i < pages.size() && i < 2; ++i) {
        const auto image = pages[i].image();
        if (!image || !pages[i].pdfPath)
            continue;
        // The text-layer road of a page: words with boxes laid out with the rendered page's rules.
        if (auto layer = PageText::layer(*pages[i].pdfPath, *pages[i].pageIndex, ImageLoader::pdfScale)) {
            const PageLayout::Page page =
                PageLayout::fromWords(std::move(layer->words), layer->spaceAfter, image->width, image->height);
            (void)PageLayout::layOut(page, &*image, nullptr);
        }
    }
    std::remove(path.c_str());
    return 0;
}
