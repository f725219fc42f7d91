#include "app/OCRText.h"

#include "ocr/Table.h"

std::string OCRText::forPage(const OCRResult& result, Settings::OutputMode mode)
{
    std::string text = result.isEmpty() ? std::string() : outputText(result, mode);
    if (!result.barcodes.empty()) {
        std::string codes;
        for (const std::string& code : result.barcodes)
            codes += (codes.empty() ? "" : "\n") + code;
        text = text.empty() ? codes : text + "\n" + codes;
    }
    return text.empty() ? std::string("(no text found)") : text;
}
