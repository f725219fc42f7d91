// ZXing 1.4 returns text as std::wstring unless this is defined before its headers.
#define ZX_USE_UTF8 1

#include "ocr/zxing/Barcodes.h"

#include <ZXing/ReadBarcode.h>

std::vector<Barcodes::Barcode> Barcodes::read(const Image& grey, bool upright)
{
    std::vector<Barcode> found;
    if (grey.isNull() || grey.format != Image::Format::Grey8)
        return found;
    try {
        const ZXing::ImageView view(grey.pixels, grey.width, grey.height, ZXing::ImageFormat::Lum, grey.stride);
        ZXing::DecodeHints hints;
        hints.setFormats(ZXing::BarcodeFormat::Any);
        hints.setTryHarder(true);
        hints.setTryRotate(!upright);
        for (const ZXing::Result& result : ZXing::ReadBarcodes(view, hints)) {
            if (!result.isValid())
                continue;
            Barcode barcode;
            barcode.text = result.text();
            const ZXing::Position& position = result.position();
            for (int i = 0; i < 4; ++i)
                barcode.corners[static_cast<std::size_t>(i)] = Point{position[i].x, position[i].y};
            found.push_back(std::move(barcode));
        }
    } catch (...) {
        found.clear();
    }
    return found;
}
