#pragma once

#include "ocr/OutputMode.h"

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

class SettingsReader;
struct Services;

// The command-line runners over files: each reads files, recognizes and reads saved settings through `services`,
// prints to `out`/`err` and returns the exit status.
namespace FileOCR {
// `ambrel --ocr`: prints the text of every page of an image or PDF under a mode. An absent language list means
// the saved one (or the locale's default); an empty one leaves the recognizer on its default.
int run(const Services& services, const std::string& path, Settings::OutputMode mode,
        const std::optional<std::vector<std::string>>& languages, std::ostream& out, std::ostream& err);
// `ambrel --diag`: prints, per page, where the text came from and what the table detection saw.
int diagnose(const Services& services, const std::string& path, std::ostream& out, std::ostream& err);
// `ambrel --batch`: writes one workbook with a sheet per page of every readable input.
int batch(const Services& services, const std::string& output, const std::vector<std::string>& inputs,
          std::ostream& out, std::ostream& err);

// The languages a runner uses when it has none of its own: the saved list, else `fallback`.
std::vector<std::string> defaultLanguages(const SettingsReader& settings, const std::vector<std::string>& fallback);
} // namespace FileOCR
