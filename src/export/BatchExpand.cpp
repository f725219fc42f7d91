#include "export/BatchExpand.h"

#include "ocr/PageLayout.h"
#include "sources/ImageLoader.h"

#include <algorithm>
#include <filesystem>
#include <set>

namespace fs = std::filesystem;

bool Batch::accepted(std::string_view fileName)
{
    const std::string extension = ImageLoader::extensionOf(fileName);
    return !extension.empty() && std::find(extensions.begin(), extensions.end(), extension) != extensions.end();
}

std::vector<std::string> Batch::expand(const std::vector<std::string>& chosen, std::vector<Skipped>* skipped)
{
    std::vector<std::string> files;
    // A file met twice (chosen by itself and through its folder, or by two spellings of one path) runs once.
    std::set<std::string> seen;
    const auto take = [&files, &seen](const std::string& file) {
        std::error_code error;
        const fs::path canonical = fs::weakly_canonical(file, error);
        if (seen.insert(error ? file : canonical.string()).second)
            files.push_back(file);
    };
    const auto skip = [skipped](const std::string& path, std::string_view reason) {
        if (skipped != nullptr)
            skipped->push_back({fs::path(path).filename().string(), std::string(reason)});
    };
    for (const std::string& path : chosen) {
        std::error_code error;
        const fs::file_status status = fs::status(path, error);
        if (error || !fs::exists(status)) {
            skip(path, notFoundReason);
            continue;
        }
        if (!fs::is_directory(status)) {
            if (accepted(fs::path(path).filename().string()))
                take(path);
            else
                skip(path, notAcceptedReason);
            continue;
        }
        std::vector<std::string> names;
        for (fs::directory_iterator it(path, error), end; !error && it != end; it.increment(error)) {
            const std::string name = it->path().filename().string();
            // A sub-folder named like a picture would only ever give no pages.
            std::error_code typeError;
            if (accepted(name) && !it->is_directory(typeError))
                names.push_back(name);
        }
        if (error)
            continue; // a folder that cannot be listed counts as empty
        // std::string compares bytes as unsigned, which for UTF-8 is code-point order.
        std::sort(names.begin(), names.end());
        for (const std::string& name : names)
            take((fs::path(path) / name).string());
    }
    return files;
}

TableGrid Batch::plainRows(const OCRResult& result)
{
    TableGrid rows;
    const std::string text = result.plainText();
    if (!text.empty()) {
        std::size_t start = 0;
        for (;;) {
            const std::size_t end = text.find('\n', start);
            rows.push_back({text.substr(start, end == std::string::npos ? std::string::npos : end - start)});
            if (end == std::string::npos)
                break;
            start = end + 1;
        }
    }
    for (const std::string& code : result.barcodes)
        rows.push_back({code});
    if (rows.empty())
        rows.push_back({std::string()});
    return rows;
}

TableGrid Batch::sheetRows(const OCRResult& result, const std::optional<TableGrid>& grid)
{
    return grid ? *grid : plainRows(result);
}

std::vector<Batch::PageSheet> Batch::pageSheets(const std::string& label, const OCRResult& result,
                                                const std::optional<TableGrid>& grid)
{
    std::vector<PageSheet> sheets;
    std::vector<TableGrid> grids = result.isPage() ? PageLayout::tables(result.blocks) : std::vector<TableGrid>{};
    if (!result.isPage() && grid)
        grids.push_back(*grid);
    if (grids.empty()) {
        sheets.push_back({label, plainRows(result)});
        return sheets;
    }
    for (std::size_t i = 0; i < grids.size(); ++i) {
        if (i == 0) {
            sheets.push_back({label, std::move(grids[i])});
            continue;
        }
        const std::string suffix = " (table " + std::to_string(i + 1) + ")";
        // Cut at a code point boundary; the workbook writer cleans the rest of the name.
        constexpr std::size_t maxName = 31;
        std::string name;
        std::size_t points = 0;
        for (std::size_t b = 0; b < label.size(); ++b) {
            const bool starts = (static_cast<unsigned char>(label[b]) & 0xC0) != 0x80;
            if (starts && ++points > maxName - suffix.size())
                break;
            name += label[b];
        }
        sheets.push_back({name + suffix, std::move(grids[i])});
    }
    return sheets;
}

std::string Batch::progressText(std::size_t index, std::size_t count)
{
    return "Processing " + std::to_string(index + 1) + " / " + std::to_string(count) + "\u2026";
}

std::string Batch::exportedText(std::size_t sheets, const std::vector<Skipped>& skipped)
{
    return "\u2713 Exported " + std::to_string(sheets) + (sheets == 1 ? " sheet" : " sheets") + skippedText(skipped);
}

std::string Batch::skippedText(const std::vector<Skipped>& skipped)
{
    std::string text;
    for (const Skipped& file : skipped)
        text += (text.empty() ? "; skipped " : ", ") + file.name + ": " + file.reason;
    return text;
}
