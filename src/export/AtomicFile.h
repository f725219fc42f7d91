#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace AtomicFile {
// Why `path` must not be written, or an empty string when it may: it is one of `inputs` (the same file under any
// name, hard links and symbolic links included), or something other than a regular file (a directory, a device,
// a FIFO, a socket), or a file the user may not write to.
std::string refusal(const std::string& path, const std::vector<std::string>& inputs = {});

// Writes `bytes` to a temporary file beside `path`, flushes it to disk and renames it over `path`, so that a
// failed write never leaves a truncated file where the user expects the result. A symbolic link at `path` is
// followed, so its target gets the bytes and the link stays; an existing file keeps its permission bits. Refuses,
// writing nothing, whatever refusal() refuses. Returns an empty string on success, otherwise a description of the
// failure; the temporary file is removed on failure.
std::string write(const std::string& path, const std::vector<std::uint8_t>& bytes,
                  const std::vector<std::string>& inputs = {});
} // namespace AtomicFile
