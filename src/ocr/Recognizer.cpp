#include "ocr/Recognizer.h"

#include "sources/PDFTable.h"

#include <memory>
#include <utility>

void Recognizer::recognize(const ImageLoader::Page& page, std::vector<std::string> languages, bool correct,
                           OCR::Completion completion)
{
    std::optional<Image> image = page.image();
    if (!image) {
        // A page that would not render after all reads as an unreadable file: empty, never an error.
        completion(OCRResult{});
        return;
    }

    if (page.pdfPath && page.pageIndex) {
        if (auto table = PDFTable::extract(*page.pdfPath, *page.pageIndex, *image, ImageLoader::pdfScale)) {
            OCRResult result;
            result.image = std::move(image);
            result.exactText = std::move(table->plain);
            result.pdfGrid = std::move(table->grid);
            completion(std::move(result));
            return;
        }
    }

    std::optional<std::string> textLayer;
    if (page.pdfPath)
        textLayer = PageText::plain(*page.pdfPath, page.pageIndex.value_or(1));

    OCR::recognize(std::move(*image), std::move(languages), correct,
                   [textLayer = std::move(textLayer), completion = std::move(completion)](OCRResult result) mutable {
                       if (!result.exactText)
                           result.exactText = std::move(textLayer);
                       completion(std::move(result));
                   });
}
