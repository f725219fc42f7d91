#include "ocr/OCR.h"

Rect OCR::pixels(const Rect& normalized, double width, double height)
{
    return Rect{normalized.x * width, normalized.y * height, normalized.width * width, normalized.height * height};
}
