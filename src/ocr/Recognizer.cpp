#include "ocr/Recognizer.h"

#include "ocr/TextRecognizer.h"

#include <memory>
#include <utility>

void Recognizer::recognize(const ImageLoader::Page& page, const TextRecognizer& recognizer,
                           std::vector<std::string> languages, bool correct, OCR::Completion completion)
{
    std::optional<Image> image = page.image();
    if (!image) {
        // A page that would not render after all reads as an unreadable file: empty, never an error.
        completion(OCRResult{});
        return;
    }

    if (page.textTable) {
        if (auto table = page.textTable(*image)) {
            OCRResult result;
            result.image = std::move(image);
            result.exactText = std::move(table->plain);
            result.pdfGrid = std::move(table->grid);
            completion(std::move(result));
            return;
        }
    }

    std::optional<std::string> textLayer;
    if (page.textLayer)
        textLayer = page.textLayer();

    recognizer.recognize(
        std::move(*image), std::move(languages), correct,
        [textLayer = std::move(textLayer), completion = std::move(completion)](OCRResult result) mutable {
            if (!result.exactText)
                result.exactText = std::move(textLayer);
            completion(std::move(result));
        });
}
