#pragma once

#include "ocr/OCR.h"
#include "sources/Page.h"

#include <string>
#include <vector>

class TextRecognizer;

namespace Recognizer {
// Recognizes one page of an input file. A PDF page whose text layer holds a ruled table completes at once, on
// the calling thread, without OCR; every other page is recognized by `recognizer` on a worker and completes there,
// a PDF page carrying its text layer as the exact text. The completion runs exactly once.
void recognize(const ImageLoader::Page& page, const TextRecognizer& recognizer, std::vector<std::string> languages,
               bool correct, OCR::Completion completion);
} // namespace Recognizer
