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
    // Returns the pages of the file, possibly none; never throws. See ImageLoader::pages for the rules.
    virtual std::vector<ImageLoader::Page> pages(const std::string& path, ImageLoader::Pixels pixels) const = 0;
};
