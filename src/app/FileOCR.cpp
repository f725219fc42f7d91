#include "app/FileOCR.h"

#include "app/InOrder.h"
#include "app/Services.h"
#include "export/AtomicFile.h"
#include "export/BatchExpand.h"
#include "export/TextBoundaries.h"
#include "export/XLSXWriter.h"
#include "ocr/Recognizer.h"
#include "ocr/Table.h"
#include "ocr/TableBuilder.h"
#include "sources/PageSource.h"
#include "store/SettingsReader.h"

#include <cstdlib>
#include <filesystem>
#include <ostream>
#include <thread>

namespace {
// One page per core: Tesseract runs single-threaded per engine, so pages side by side are what uses the machine.
// AMBREL_PAGES_IN_FLIGHT overrides it, so tests can compare against one page at a time.
std::size_t pagesInFlight()
{
    if (const char* forced = std::getenv("AMBREL_PAGES_IN_FLIGHT")) {
        const long n = std::strtol(forced, nullptr, 10);
        if (n >= 1 && n <= 64)
            return static_cast<std::size_t>(n);
    }
    return std::max(1u, std::thread::hardware_concurrency());
}

void recognizePages(const TextRecognizer& recognizer, const std::vector<ImageLoader::Page>& pages,
                    const std::vector<std::string>& languages, bool correct,
                    const std::function<void(std::size_t, OCRResult)>& emit)
{
    recognizeInOrder(
        pages.size(), pagesInFlight(),
        [&](std::size_t i, std::function<void(OCRResult)> done) {
            Recognizer::recognize(pages[i], recognizer, languages, correct, std::move(done));
        },
        emit);
}

// The page's text under the mode, its barcode payloads after it, or "(no text found)" when there is neither.
std::string pageText(const OCRResult& result, Settings::OutputMode mode)
{
    std::string text = result.isEmpty() ? std::string() : outputText(result, mode);
    if (!result.barcodes.empty()) {
        std::string codes;
        for (const std::string& code : result.barcodes)
            codes += (codes.empty() ? "" : "\n") + code;
        text = text.empty() ? codes : text + "\n" + codes;
    }
    return text.empty() ? std::string("(no text found)") : text;
}

std::string heading(const ImageLoader::Page& page)
{
    return "\n===== " + page.label + " =====";
}
} // namespace

std::vector<std::string> FileOCR::defaultLanguages(const SettingsReader& settings,
                                                   const std::vector<std::string>& fallback)
{
    std::vector<std::string> saved = settings.languages();
    return saved.empty() ? fallback : saved;
}

int FileOCR::run(const Services& services, const std::string& path, Settings::OutputMode mode,
                 const std::optional<std::vector<std::string>>& languages, std::ostream& out, std::ostream& err)
{
    const std::vector<ImageLoader::Page> pages = services.pages.pages(path, ImageLoader::Pixels::Keep);
    if (pages.empty()) {
        err << "Ambrel: could not read image(s) from " << path << '\n';
        return 1;
    }
    const std::vector<std::string> langs =
        languages ? *languages : defaultLanguages(services.settings, services.settings.defaultLanguages());
    recognizePages(services.recognizer, pages, langs, Settings::usesLanguageCorrection(mode),
                   [&](std::size_t i, OCRResult result) {
                       if (pages.size() > 1)
                           out << heading(pages[i]) << '\n';
                       out << pageText(result, mode) << '\n';
                       out.flush();
                   });
    return 0;
}

int FileOCR::diagnose(const Services& services, const std::string& path, std::ostream& out, std::ostream& err)
{
    const std::vector<ImageLoader::Page> pages = services.pages.pages(path, ImageLoader::Pixels::Keep);
    if (pages.empty()) {
        err << "Ambrel: could not read " << path << '\n';
        return 1;
    }
    const std::vector<std::string> langs = defaultLanguages(services.settings, services.settings.defaultLanguages());
    recognizePages(services.recognizer, pages, langs, true, [&](std::size_t i, OCRResult result) {
        out << heading(pages[i]) << '\n';
        out << "source: " << (result.fromTextLayer() ? "PDF text layer (exact)" : "Tesseract OCR") << '\n';
        out << TableBuilder::diagnostics(result) << '\n';
        out.flush();
    });
    return 0;
}

int FileOCR::batch(const Services& services, const std::string& output, const std::vector<std::string>& inputs,
                   std::ostream& out, std::ostream& err)
{
    std::vector<ImageLoader::Page> pages;
    for (const std::string& input : inputs) {
        std::error_code ec;
        const std::filesystem::path absolute = std::filesystem::absolute(input, ec);
        for (ImageLoader::Page& page :
             services.pages.pages(ec ? input : absolute.string(), ImageLoader::Pixels::Reload))
            pages.push_back(std::move(page));
    }
    if (pages.empty()) {
        err << "Ambrel: no readable inputs\n";
        return 1;
    }
    const std::vector<std::string> langs = defaultLanguages(services.settings, {"en-US"});
    std::vector<XLSXWriter::Sheet> sheets;
    sheets.reserve(pages.size());
    recognizePages(services.recognizer, pages, langs, true, [&](std::size_t i, OCRResult result) {
        const std::optional<TableGrid> grid = result.isPage() ? std::nullopt : tableGrid(result);
        for (Batch::PageSheet& sheet : Batch::pageSheets(pages[i].label, result, grid))
            sheets.push_back({std::move(sheet.name), std::move(sheet.rows)});
    });

    const XLSXWriter::Result workbook = XLSXWriter::data(sheets, services.text);
    if (!workbook.ok()) {
        err << "write failed: " << workbook.error << '\n';
        return 1;
    }
    if (const std::string error = AtomicFile::write(output, workbook.bytes); !error.empty()) {
        err << "write failed: " << error << '\n';
        return 1;
    }
    out << "wrote " << output << " with " << sheets.size() << " sheet(s)\n";
    return 0;
}
