#pragma once

#include "ocr/OCR.h"
#include "sources/Image.h"

#include <string>
#include <vector>

// Recognizes text and barcodes in images. Implementation: ocr/tesseract/TesseractOCR.h, handed to the core by the
// app.
class TextRecognizer
{
public:
    virtual ~TextRecognizer() = default;

    // Returns at once and calls `completion` exactly once, later, on a recognition worker thread (never the
    // caller's). `languages` are catalogue codes such as "en-US"; unsupported ones are dropped, and none left means
    // English. `correct` allows the language model to correct words.
    virtual void recognize(Image image, std::vector<std::string> languages, bool correct,
                           OCR::Completion completion) const = 0;

    // Loads the recognition model for these languages on every recognition worker, in the background, so that the
    // first capture does not wait 300-400 ms for it. Returns at once.
    virtual void warmUp(std::vector<std::string> languages, bool correct) const = 0;
};
