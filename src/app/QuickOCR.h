#pragma once

#include "ocr/OutputMode.h"

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

// `ambrel --ocr FILE --lang …` on a PNG picture, without Qt, Poppler or libheif: the process then starts in about
// half the time, which is most of what a small picture costs. Runs only when the outcome is sure to be the full
// runner's: languages given on the command line (no saved settings or locale involved) and a file the PNG reader
// takes exactly as Qt would. Returns no value, having printed nothing, when the full runner must do the work.
namespace QuickOCR {
std::optional<int> run(const std::string& path, Settings::OutputMode mode,
                       const std::optional<std::vector<std::string>>& languages, std::ostream& out);
} // namespace QuickOCR
