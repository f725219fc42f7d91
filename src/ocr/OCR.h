#pragma once

#include "ocr/OCRResult.h"
#include "ocr/TextRun.h"
#include "sources/Image.h"

#include <functional>
#include <string>
#include <vector>

namespace OCR {
// Receives a recognition's result; see TextRecognizer.
using Completion = std::function<void(OCRResult)>;

// Scales a normalized rectangle (0...1, origin bottom-left) to pixels of a width × height image, without flipping.
Rect pixels(const Rect& normalized, double width, double height);
} // namespace OCR
