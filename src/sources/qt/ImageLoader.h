#pragma once

#include "sources/ImageLoader.h"
#include "sources/PageSource.h"

#include <string>
#include <vector>

// Picture and PDF files as pages: Qt's image readers, libheif for HEIC, Poppler for PDF pages and their text layer.
namespace ImageLoader {
// Returns the pages of a picture or PDF file, possibly none; never throws. A file whose extension is "pdf" (any
// case) gives one page per renderable page, each rendered only when its image is asked for; any other file gives
// the first image it holds. Missing, unreadable, locked, oversized and non-regular files give no pages, and
// `problem`, when given, says why in words that follow the file's name ("too large to read"). A picture that
// changes or goes away between listing and reloading gives no image then. Every file is parsed and decoded in a
// confined helper (Confined.h), within a memory and time budget per page.
std::vector<Page> pages(const std::string& path, Pixels pixels = Pixels::Keep, std::string* problem = nullptr);

// The same behind the core's interface.
class Files final : public PageSource
{
public:
    std::vector<Page> pages(const std::string& path, Pixels pixels, std::string* problem = nullptr) const override
    {
        return ImageLoader::pages(path, pixels, problem);
    }
};
} // namespace ImageLoader
