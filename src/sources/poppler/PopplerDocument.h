#pragma once

#include <poppler-document.h>
#include <poppler-page.h>

#include <memory>
#include <string>

// Opening a PDF with Poppler the one safe way. Poppler documents are not thread-safe, so every caller opens its
// own and drops it when done; nothing is cached or shared between threads.
namespace PopplerDocument {
// Returns the opened document, or null for a missing or non-regular file (a directory, a FIFO that would block),
// a file Poppler cannot parse, or an encrypted document that does not open without a password. Poppler's own
// error messages are silenced.
std::unique_ptr<poppler::document> open(const std::string& path);

// True when the file starts with "%PDF-" within its first kilobyte, where PDF readers look for it. Anything else
// is no PDF, however long Poppler would search it for a document.
bool hasHeader(const std::string& path);

// Returns the page with the 1-based number, or null when the number is out of range.
std::unique_ptr<poppler::page> page(const poppler::document& document, int pageNumber);

// The size of the visible page in points as Poppler renders it and reports word boxes: the crop box, turned by
// the page's rotation.
struct Size
{
    double width = 0;
    double height = 0;
};
Size visibleSize(const poppler::page& page);
} // namespace PopplerDocument
