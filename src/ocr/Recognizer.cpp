#include "ocr/Recognizer.h"

#include "ocr/PageLayout.h"
#include "ocr/TextRecognizer.h"
#include "ocr/WorkerPool.h"
#include "sources/PDFTable.h"

#include <algorithm>
#include <cmath>
#include <future>
#include <memory>
#include <utility>

namespace {
// Lays out a page from its text layer: the words and their boxes are exact, so no recognition runs for them. The
// rendered page still shows the rules that frame tables, the barcodes, and ink the layer holds no words for (a
// scan pasted into the page), which alone is recognized.
OCRResult fromTextLayer(PageText::Layer layer, Image image, const TextRecognizer& recognizer,
                        const std::vector<std::string>& languages, bool correct)
{
    OCRResult result;
    // Rules, unread regions and barcodes are all looked for in grey (a rendered PDF page arrives grey already).
    const Image grey = image.greyed();
    // The barcode search takes as long as the layout: they run side by side.
    std::future<std::vector<std::string>> barcodes =
        std::async(std::launch::async, [&recognizer, grey] { return recognizer.barcodes(grey); });
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
