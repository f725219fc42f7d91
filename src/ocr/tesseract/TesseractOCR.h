#pragma once

#include "ocr/OCRResult.h"
#include "ocr/TextRecognizer.h"
#include "ocr/tesseract/TesseractEngine.h"
#include "sources/Image.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

// The recognizer: ZXing for barcodes, then Tesseract on the prepared pixels.
namespace TesseractOCR {
// Images beyond these sizes are not recognized (Tesseract keeps coordinates in 16 bits; a larger image is a
// decompression bomb or a mistake, not a screen or a page).
constexpr int maxSide = 30000;
constexpr long long maxPixels = 100'000'000;

// Recognizes an image on the calling thread with that thread's warm engines and returns what TesseractRecognizer
// delivers. `segmentation` overrides the choice made from the image, for measurements.
OCRResult recognizeNow(const Image& image, const std::vector<std::string>& languages, bool correct,
                       std::optional<TesseractEngine::Segmentation> segmentation = std::nullopt);

// Recognizes a whole page on the calling thread: blocks in reading order from the automatic layout analysis,
// and each table region read anew as one block, which keeps every table column. A picture that is mostly one
// table (a crop of a page, a screen box) is read once, as one block.
OCRResult recognizePage(const Image& image, const std::vector<std::string>& languages, bool correct);

// How many images recognition has been run on in this process, for checking that a path runs none.
std::size_t recognitionCount();
} // namespace TesseractOCR

// Recognizes on the shared recognition worker pool, each worker with its own warm engines.
class TesseractRecognizer final : public TextRecognizer
{
public:
    void recognize(Image image, std::vector<std::string> languages, bool correct,
                   OCR::Completion completion) const override;
    void recognizePage(Image image, std::vector<std::string> languages, bool correct,
                       OCR::Completion completion) const override;
    OCRResult recognizePageNow(const Image& image, const std::vector<std::string>& languages,
                               bool correct) const override;
    std::vector<std::string> barcodes(const Image& image) const override;
    void warmUp(std::vector<std::string> languages, bool correct) const override;
};
