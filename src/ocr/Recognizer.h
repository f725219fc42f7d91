#pragma once

#include "ocr/OCR.h"
#include "sources/Page.h"

#include <string>
#include <vector>

class TextRecognizer;

namespace Recognizer {
// Reads one page of an input file, laid out in blocks in reading order, on a worker; the completion runs there,
// exactly once (at once, on the calling thread, for a page that does not render). A PDF page with a text layer
// is read from that layer alone, `recognizer` reading only ink the layer holds no words for; an image or a PDF
// page without one is recognized by `recognizer`.
void recognize(const ImageLoader::Page& page, const TextRecognizer& recognizer, std::vector<std::string> languages,
               bool correct, OCR::Completion completion);
} // namespace Recognizer
