#pragma once

#include "sources/ImageLoader.h"
#include "sources/Page.h"

#include <string>
#include <vector>

// Lists the pages of a picture or PDF file. Implementation: sources/qt/ImageLoader.h.
class PageSource
{
public:
    virtual ~PageSource() = default;
    // Returns the pages of the file, possibly none; never throws. `problem`, when given, says why there are none
    // in words that follow the file's name ("too large to read"). See ImageLoader::pages for the rules.
    virtual std::vector<ImageLoader::Page> pages(const std::string& path, ImageLoader::Pixels pixels,
                                                 std::string* problem = nullptr) const = 0;
};
