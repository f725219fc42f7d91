#include "app/Credits.h"

#include <QtGlobal>

namespace Credits {
std::vector<Library> libraries()
{
    return {
        {"Tesseract", tesseractVersion(), "Apache-2.0"},
        {"Leptonica", leptonicaVersion(), "BSD-2-Clause"},
        {"Poppler", popplerVersion(), "GPL-2.0-or-later"},
        {"ZXing-C++", zxingVersion(), "Apache-2.0"},
        {"Qt", qVersion(), "LGPL-3.0-only"},
        {"giflib", giflibVersion(), "MIT"},
        {"libheif", libheifVersion(), "LGPL-3.0-or-later"},
    };
}
} // namespace Credits
