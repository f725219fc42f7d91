#pragma once

#include <string>
#include <vector>

// What the About box credits: the program's licence and the libraries it is built on, with the versions this
// process runs with. Each library's adapter reports its own version; the list is put together where Qt's is known.
namespace Credits {
inline constexpr const char* licence = "GNU General Public License, version 3 or later";
inline constexpr const char* licenceId = "GPL-3.0-or-later";

struct Library
{
    std::string name;
    std::string version;
    std::string licence;
};

// Tesseract, Leptonica, Poppler, ZXing, Qt, giflib and libheif, in that order (app/qt/Credits.cpp).
std::vector<Library> libraries();

std::string tesseractVersion(); // ocr/tesseract/EngineVersions.cpp
std::string leptonicaVersion(); // ocr/tesseract/EngineVersions.cpp
std::string zxingVersion();     // ocr/zxing/ZXingVersion.cpp
std::string popplerVersion();   // sources/poppler/PopplerVersion.cpp
std::string giflibVersion();    // demo/gif/GifVersion.cpp
std::string libheifVersion();   // sources/qt/HeifVersion.cpp
} // namespace Credits
