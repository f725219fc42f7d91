#pragma once

#include "sources/Page.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ImageLoader {
// Largest picture decoded: 100 megapixels and 30000 pixels a side, the most the recognizer takes whole. Headers
// are checked before decoding, so a small file that claims a huge image (a decompression bomb) costs nothing; a
// larger picture is refused with a message saying so.
inline constexpr std::int64_t maxImagePixels = 100'000'000;
inline constexpr int maxImageSide = 30000;

// The extension of a path's file name without its dot, in ASCII lower case ("pdf" for "SCAN.PDF"); empty when the
// name has none.
std::string extensionOf(std::string_view path);
// True for a path the loader reads as a PDF: extension "pdf" in any case, whatever the file holds.
bool isPdf(std::string_view path);

// Whether a picture's decoded pixels stay with its page. Callers that list many files before recognizing any (the
// batch runner, the document window) let them go: listing reads only the picture's header, and the picture is
// decoded once, when its turn comes, so memory holds the pages in flight rather than every picture of the list.
enum class Pixels
{
    Keep,
    Reload
};
} // namespace ImageLoader
