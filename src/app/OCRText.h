#pragma once

#include "ocr/OCRResult.h"
#include "ocr/OutputMode.h"

#include <string>

namespace OCRText {
// The text `ambrel --ocr` prints for one page: the page's text under the mode, its barcode payloads after it, or
// "(no text found)" when there is neither.
std::string forPage(const OCRResult& result, Settings::OutputMode mode);
} // namespace OCRText
