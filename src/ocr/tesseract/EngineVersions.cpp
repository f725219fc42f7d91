#include "app/Credits.h"

#include <leptonica/allheaders.h>
#include <tesseract/baseapi.h>

#include <cstdlib>
#include <memory>

namespace Credits {
std::string tesseractVersion()
{
    return tesseract::TessBaseAPI::Version();
}

std::string leptonicaVersion()
{
    // "leptonica-1.82.0": the library allocates the text and the caller frees it.
    const std::unique_ptr<char, decltype(&std::free)> text(getLeptonicaVersion(), &std::free);
    std::string version = text ? text.get() : "";
    const std::string prefix = "leptonica-";
    if (version.starts_with(prefix))
        version.erase(0, prefix.size());
    return version;
}
} // namespace Credits
