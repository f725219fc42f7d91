#include "sources/poppler/PopplerDocument.h"

#include <poppler-global.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string_view>

namespace PopplerDocument {

std::unique_ptr<poppler::document> open(const std::string& path)
{
    // Poppler writes syntax errors of damaged files to standard error; an unreadable file is an ordinary outcome
    // here, reported by the callers in their own words.
    static std::once_flag silenced;
    std::call_once(silenced, [] { poppler::set_debug_error_function([](const std::string&, void*) {}, nullptr); });

    if (!hasHeader(path))
        return nullptr;
    try {
        std::unique_ptr<poppler::document> document{poppler::document::load_from_file(path)};
        // A document with a user password loads "locked": its pages would read as empty, so it counts as unreadable.
        if (!document || document->is_locked())
            return nullptr;
        return document;
    } catch (...) {
        return nullptr;
    }
}

bool hasHeader(const std::string& path)
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return false;
    std::ifstream file(path, std::ios::binary);
    char head[1024];
    file.read(head, sizeof head);
    const std::string_view read(head, static_cast<std::size_t>(std::max<std::streamsize>(0, file.gcount())));
    return read.find("%PDF-") != std::string_view::npos;
}

std::unique_ptr<poppler::page> page(const poppler::document& document, int pageNumber)
{
    if (pageNumber < 1 || pageNumber > document.pages())
        return nullptr;
    return std::unique_ptr<poppler::page>{document.create_page(pageNumber - 1)};
}

Size visibleSize(const poppler::page& page)
{
    const poppler::rectf box = page.page_rect(poppler::crop_box);
    const auto orientation = page.orientation();
    if (orientation == poppler::page::landscape || orientation == poppler::page::seascape)
        return {box.height(), box.width()};
    return {box.width(), box.height()};
}
} // namespace PopplerDocument
