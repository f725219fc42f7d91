#pragma once

#include <set>
#include <string>

// The catalogue codes whose recognition model is installed, found at run time. Implementation:
// ocr/tesseract/TessData.h; the catalogue rules in Languages.h take the set it answers.
class InstalledLanguages
{
public:
    virtual ~InstalledLanguages() = default;
    // Never empty: "en-US" alone when nothing can be found.
    virtual const std::set<std::string>& codes() const = 0;
};
