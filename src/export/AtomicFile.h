#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace AtomicFile {
// Writes `bytes` to a temporary file beside `path`, flushes it to disk and renames it over `path`, so that a
// failed write never leaves a truncated file where the user expects the result. Returns an empty string on
// success, otherwise a description of the failure; the temporary file is removed on failure.
std::string write(const std::string& path, const std::vector<std::uint8_t>& bytes);
} // namespace AtomicFile
