#pragma once

#include "sources/Image.h"

#include <cstdint>
#include <optional>
#include <string>

// HEIC/HEIF pictures through libheif, which Qt's image readers lack.
namespace HeifDecoder {
// Tells from the first bytes of a file whether it is a HEIF container libheif can decode.
bool recognizes(const std::uint8_t* head, int length);

// Decodes the primary image of the file, with its rotation and mirroring applied. No value when the file cannot
// be decoded or its image would exceed `maxPixels` or `maxSide` pixels a side; the size is checked before decoding.
std::optional<Image> decode(const std::string& path, std::int64_t maxPixels, int maxSide);
} // namespace HeifDecoder
