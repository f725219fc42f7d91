#pragma once

#include "ocr/OCRResult.h"
#include "ocr/TextRun.h"
#include "sources/Image.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace OCR {
using Completion = std::function<void(OCRResult)>;

// Recognizes text and barcodes in one image. Returns at once and calls `completion` exactly once, later, on a
// recognition worker thread (never the caller's). `languages` are catalogue codes such as "en-US"; unsupported
// ones are dropped, and none left means English. `correct` allows the language model to correct words.
void recognize(Image image, std::vector<std::string> languages, bool correct, Completion completion);

// Recognizes a whole page (a file, a PDF page without a text layer) as OCR::recognize does a screen box, but laid
// out: the result holds the page's blocks in reading order, tables among them.
void recognizePage(Image image, std::vector<std::string> languages, bool correct, Completion completion);

// Returns the payloads of the barcodes in an image of an upright page, without recognizing any text.
std::vector<std::string> barcodes(const Image& image);

// How many images recognition has been run on in this process, for checking that a path runs none.
std::size_t recognitionCount();

// Loads the recognition model for these languages on every recognition worker, in the background, so that the
// first capture does not wait 300-400 ms for it. Returns at once.
void warmUp(std::vector<std::string> languages, bool correct);

// Scales a normalized rectangle (0...1, origin bottom-left) to pixels of a width × height image, without flipping.
Rect pixels(const Rect& normalized, double width, double height);
} // namespace OCR
