#include "ocr/Recognizer.h"

#include "ocr/PageLayout.h"
#include "ocr/TextRecognizer.h"
#include "ocr/WorkerPool.h"
#include "sources/PDFTable.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <future>
#include <memory>
#include <utility>
#include <vector>

namespace {
// The page's ink outside its text-layer words: barcode bars and modules are never text-layer words, and the search
// costs in proportion to the pixels and edges it looks at. The words are painted over with the paper's shade, and
// what is left is cropped to the ink with a margin that keeps a barcode's quiet zone; null when no ink is left.
Image inkBesideWords(const Image& grey, const std::vector<TextRun>& words)
{
    if (grey.isNull() || grey.format != Image::Format::Grey8)
        return grey;
    auto buffer = std::make_shared<std::vector<std::uint8_t>>(static_cast<std::size_t>(grey.width) * grey.height);
    std::vector<std::uint8_t>& pixels = *buffer;
    std::array<std::uint32_t, 256> counts{};
    for (int y = 0; y < grey.height; ++y) {
        const std::uint8_t* row = grey.row(y);
        std::copy(row, row + grey.width, pixels.begin() + static_cast<std::ptrdiff_t>(y) * grey.width);
        for (int x = 0; x < grey.width; ++x)
            ++counts[row[x]];
    }
    const auto paper = static_cast<std::uint8_t>(std::max_element(counts.begin(), counts.end()) - counts.begin());
    for (const TextRun& word : words) {
        const Rect& b = word.box;
        if (!std::isfinite(b.x) || !std::isfinite(b.y) || !std::isfinite(b.width) || !std::isfinite(b.height))
            continue;
        // Boxes are y upward; rows run top first.
        const int x0 = std::clamp(static_cast<int>(std::floor(b.minX())), 0, grey.width);
        const int x1 = std::clamp(static_cast<int>(std::ceil(b.maxX())), 0, grey.width);
        const int top = std::clamp(grey.height - static_cast<int>(std::ceil(b.maxY())), 0, grey.height);
        const int bottom = std::clamp(grey.height - static_cast<int>(std::floor(b.minY())), 0, grey.height);
        for (int y = top; y < bottom; ++y)
            std::fill_n(pixels.begin() + static_cast<std::ptrdiff_t>(y) * grey.width + x0, std::max(0, x1 - x0), paper);
    }
    int minX = grey.width, maxX = -1, minY = grey.height, maxY = -1;
    for (int y = 0; y < grey.height; ++y) {
        const std::uint8_t* row = pixels.data() + static_cast<std::ptrdiff_t>(y) * grey.width;
        for (int x = 0; x < grey.width; ++x) {
            if (std::abs(int{row[x]} - int{paper}) < 64)
                continue;
            minX = std::min(minX, x);
            maxX = std::max(maxX, x);
            minY = std::min(minY, y);
            maxY = y;
        }
    }
    if (maxX < 0)
        return Image{};
    const int margin = 16;
    minX = std::max(0, minX - margin);
    minY = std::max(0, minY - margin);
    maxX = std::min(grey.width - 1, maxX + margin);
    maxY = std::min(grey.height - 1, maxY + margin);
    Image ink;
    ink.width = maxX - minX + 1;
    ink.height = maxY - minY + 1;
    ink.stride = grey.width;
    ink.pixels = pixels.data() + static_cast<std::ptrdiff_t>(minY) * grey.width + minX;
    ink.owner = std::move(buffer);
    return ink;
}

// Lays out a page from its text layer: the words and their boxes are exact, so no recognition runs for them. The
// rendered page still shows the rules that frame tables, the barcodes, and ink the layer holds no words for (a
// scan pasted into the page), which alone is recognized.
OCRResult fromTextLayer(PageText::Layer layer, Image image, const TextRecognizer& recognizer,
                        const std::vector<std::string>& languages, bool correct)
{
    OCRResult result;
    // Rules, unread regions and barcodes are all looked for in grey (a rendered PDF page arrives grey already).
    const Image grey = image.greyed();
    // The barcode search runs beside the layout.
    std::future<std::vector<std::string>> barcodes =
        std::async(std::launch::async, [&recognizer, grey, words = layer.words] {
            const Image ink = inkBesideWords(grey, words);
            return ink.isNull() ? std::vector<std::string>{} : recognizer.barcodes(ink);
        });
    PageLayout::Page page = PageLayout::fromWords(std::move(layer.words), layer.spaceAfter, image.width, image.height);
    result.blocks = PageLayout::layOut(page, &grey, nullptr);
    bool added = false;
    for (const Rect& region : PageLayout::unreadRegions(grey, page.words)) {
        // A table's rules and shaded cells are ink without words too, but the table is read already.
        const bool inTable = std::any_of(result.blocks.begin(), result.blocks.end(), [&](const PageBlock& b) {
            return b.kind == PageBlock::Kind::Table && region.minX() < b.box.maxX() && region.maxX() > b.box.minX()
                   && region.minY() < b.box.maxY() && region.maxY() > b.box.minY();
        });
        const Image part = inTable ? Image{} : PageLayout::crop(grey, region);
        if (part.isNull())
            continue;
        const OCRResult read = recognizer.recognizePageNow(part, languages, correct);
        for (PageBlock block : read.blocks) {
            block.box.x += std::floor(region.minX());
            block.box.y += std::floor(region.minY());
            result.blocks.push_back(std::move(block));
        }
        if (read.blocks.empty()) {
            PageBlock picture;
            picture.kind = PageBlock::Kind::Picture;
            picture.box = region;
            result.blocks.push_back(std::move(picture));
        }
        added = true;
    }
    if (added)
        result.blocks = PageLayout::inReadingOrder(std::move(result.blocks));
    for (const PageLayout::Line& line : page.lines)
        result.lines.push_back(TextRun{line.text, line.box});
    result.words = std::move(page.words);
    result.exactText = std::move(layer.text);
    result.barcodes = barcodes.get();
    result.image = std::move(image);
    return result;
}
} // namespace

void Recognizer::recognize(const ImageLoader::Page& page, const TextRecognizer& recognizer,
                           std::vector<std::string> languages, bool correct, OCR::Completion completion)
{
    std::optional<Image> image = page.image();
    if (!image) {
        // A page that would not render after all reads as an unreadable file: empty, never an error.
        completion(OCRResult{});
        return;
    }

    if (page.textWords) {
        if (std::optional<PageText::Layer> layer = page.textWords()) {
            // Pages run side by side on the workers, text-layer pages as well.
            WorkerPool::recognition().submit([layer = std::move(*layer), image = std::move(*image), &recognizer,
                                              languages = std::move(languages), correct,
                                              completion = std::move(completion)]() mutable {
                OCRResult result;
                try {
                    // A short layer beside ink it holds no words for is a page number or a stamp on a scan, which
                    // is read whole.
                    if (layer.few && !PageLayout::unreadRegions(image, layer.words).empty())
                        result = recognizer.recognizePageNow(image, languages, correct);
                    else
                        result = fromTextLayer(std::move(layer), image, recognizer, languages, correct);
                } catch (...) {
                    result = OCRResult{};
                    result.image = image;
                }
                completion(std::move(result));
            });
            return;
        }
    }
    recognizer.recognizePage(std::move(*image), std::move(languages), correct, std::move(completion));
}
