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

    // Recognizes a whole page (a picture file, a PDF page without a text layer) as `recognize` does a screen box,
    // but laid out: the result holds the page's blocks in reading order, tables among them. Completes as
    // `recognize` does.
    virtual void recognizePage(Image image, std::vector<std::string> languages, bool correct,
                               OCR::Completion completion) const = 0;

    // Recognizes part of a page as `recognizePage` does, on the calling thread (already a recognition worker).
    virtual OCRResult recognizePageNow(const Image& image, const std::vector<std::string>& languages,
                                       bool correct) const = 0;

    // Returns the payloads of the barcodes in an image of an upright page, without recognizing any text.
    virtual std::vector<std::string> barcodes(const Image& image) const = 0;

    // Loads the recognition model for these languages on every recognition worker, in the background, so that the
    // first capture does not wait 300-400 ms for it. Returns at once.
    virtual void warmUp(std::vector<std::string> languages, bool correct) const = 0;
};
