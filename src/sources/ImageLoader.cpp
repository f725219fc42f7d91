#include "sources/ImageLoader.h"

#include <filesystem>

std::string ImageLoader::extensionOf(std::string_view path)
{
    const std::string extension = std::filesystem::path(path).extension().string();
    std::string lower;
    for (const char c : std::string_view(extension).substr(extension.empty() ? 0 : 1))
        lower += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    return lower;
}

bool ImageLoader::isPdf(std::string_view path)
{
    return extensionOf(path) == "pdf";
}
