#include "ocr/Recognizer.h"

#include "ocr/PageLayout.h"
#include "ocr/WorkerPool.h"
#include "sources/PDFTable.h"

#include <memory>
#include <utility>

namespace {
// Lays out a page from its text layer alone: the words and their boxes are exact, so no recognition runs. The
// rendered page still shows the rules that frame tables, and the barcodes.
OCRResult fromTextLayer(PageText::Layer layer, Image image)
{
    OCRResult result;
    PageLayout::Page page = PageLayout::fromWords(std::move(layer.words), layer.spaceAfter, image.width, image.height);
    result.blocks = PageLayout::layOut(page, &image, nullptr);
    for (const PageLayout::Line& line : page.lines)
        result.lines.push_back(TextRun{line.text, line.box});
    result.words = std::move(page.words);
    result.exactText = std::move(layer.text);
    result.barcodes = OCR::barcodes(image);
    result.image = std::move(image);
    return result;
}
} // namespace

void Recognizer::recognize(const ImageLoader::Page& page, std::vector<std::string> languages, bool correct,
                           OCR::Completion completion)
{
    std::optional<Image> image = page.image();
    if (!image) {
        // A page that would not render after all reads as an unreadable file: empty, never an error.
        completion(OCRResult{});
        return;
    }

    if (page.pdfPath) {
        if (std::optional<PageText::Layer> layer =
                PageText::layer(*page.pdfPath, page.pageIndex.value_or(1), ImageLoader::pdfScale)) {
            // Pages run side by side on the workers, text-layer pages as well.
            WorkerPool::recognition().submit(
                [layer = std::move(*layer), image = std::move(*image), completion = std::move(completion)]() mutable {
                    OCRResult result;
                    try {
                        result = fromTextLayer(std::move(layer), image);
                    } catch (...) {
                        result = OCRResult{};
                        result.image = image;
                    }
                    completion(std::move(result));
                });
            return;
        }
    }
    OCR::recognizePage(std::move(*image), std::move(languages), correct, std::move(completion));
}
