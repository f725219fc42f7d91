#pragma once

#include "ocr/OCRResult.h"
#include "ocr/TextRun.h"
#include "sources/Image.h"

#include <functional>
#include <string>
#include <vector>

namespace OCR {
using Completion = std::function<void(OCRResult)>;

// Recognizes text and barcodes in one image. Returns at once and calls `completion` exactly once, later, on a
// recognition worker thread (never the caller's). `languages` are catalogue codes such as "en-US"; unsupported
// ones are dropped, and none left means English. `correct` allows the language model to correct words.
void recognize(Image image, std::vector<std::string> languages, bool correct, Completion completion);

// Loads the recognition model for these languages on every recognition worker, in the background, so that the
// first capture does not wait 300-400 ms for it. Returns at once.
void warmUp(std::vector<std::string> languages, bool correct);

// Scales a normalized rectangle (0...1, origin bottom-left) to pixels of a width × height image, without flipping.
Rect pixels(const Rect& normalized, double width, double height);
} // namespace OCR
