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
#include <string_view>
#include <thread>

namespace {
// Two pages per core: Tesseract runs single-threaded per engine, so pages side by side are what uses the machine.
// With only one per core, a worker that finished a short page would wait for a long one before it to be emitted, and
// then for the next page to be decoded; the pixel budget still bounds memory. AMBREL_PAGES_IN_FLIGHT overrides it,
// so tests can compare against one page at a time.
std::size_t pagesInFlight()
{
    if (const char* forced = std::getenv("AMBREL_PAGES_IN_FLIGHT")) {
        const long n = std::strtol(forced, nullptr, 10);
        if (n >= 1 && n <= 64)
            return static_cast<std::size_t>(n);
    }
    return 2 * std::max(1u, std::thread::hardware_concurrency());
}

void recognizePages(const TextRecognizer& recognizer, const std::vector<ImageLoader::Page>& pages,
                    const std::vector<std::string>& languages, bool correct,
                    const std::function<void(std::size_t, OCRResult)>& emit)
{
    recognizeInOrder(
        pages.size(), pagesInFlight(), ImageLoader::pixelsInFlight, [&](std::size_t i) { return pages[i].pixels; },
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

// The message for a file that gives no pages, with the reason when it is the file's size.
std::string unreadable(const std::string& path, const std::string& problem, std::string_view usual)
{
    if (!problem.starts_with("too large"))
        return "Ambrel: " + std::string(usual) + path + '\n';
    return "Ambrel: " + path + ": " + problem + '\n';
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
    std::string problem;
    const std::vector<ImageLoader::Page> pages = services.pages.pages(path, ImageLoader::Pixels::Keep, &problem);
    if (pages.empty()) {
        err << unreadable(path, problem, "could not read image(s) from ");
        return 1;
    }
    const std::vector<std::string> langs =
        languages ? *languages : defaultLanguages(services.settings, services.settings.defaultLanguages());
    std::size_t read = 0;
    recognizePages(services.recognizer, pages, langs, Settings::usesLanguageCorrection(mode),
                   [&](std::size_t i, OCRResult result) {
                       // A page that would not render is named on standard error; the others are printed as usual.
                       if (!pages[i].problem->empty()) {
                           err << "Ambrel: " << *pages[i].problem << '\n';
                           return;
                       }
                       ++read;
                       if (pages.size() > 1)
                           out << heading(pages[i]) << '\n';
                       out << pageText(result, mode) << '\n';
                       out.flush();
                   });
    return read > 0 ? 0 : 1;
}

int FileOCR::diagnose(const Services& services, const std::string& path, std::ostream& out, std::ostream& err)
{
    std::string problem;
    const std::vector<ImageLoader::Page> pages = services.pages.pages(path, ImageLoader::Pixels::Keep, &problem);
    if (pages.empty()) {
        err << unreadable(path, problem, "could not read ");
        return 1;
    }
    const std::vector<std::string> langs = defaultLanguages(services.settings, services.settings.defaultLanguages());
    recognizePages(services.recognizer, pages, langs, true, [&](std::size_t i, OCRResult result) {
        if (!pages[i].problem->empty()) {
            err << "Ambrel: " << *pages[i].problem << '\n';
            return;
        }
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
    // Refused before any work: the inputs are the user's, and so is whatever special file the name points at.
    if (const std::string refused = AtomicFile::refusal(output, inputs); !refused.empty()) {
        err << "Ambrel: will not write the workbook: " << refused << "; nothing was written\n";
        return 2;
    }
    std::vector<ImageLoader::Page> pages;
    for (const std::string& input : inputs) {
        std::error_code ec;
        const std::filesystem::path absolute = std::filesystem::absolute(input, ec);
        std::string problem;
        std::vector<ImageLoader::Page> listed =
            services.pages.pages(ec ? input : absolute.string(), ImageLoader::Pixels::Reload, &problem);
        if (listed.empty())
            err << "Ambrel: skipped " << input << ": " << (problem.empty() ? "no pages" : problem) << '\n';
        for (ImageLoader::Page& page : listed)
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
        if (!pages[i].problem->empty()) {
            err << "Ambrel: skipped " << *pages[i].problem << '\n';
            return;
        }
        const std::optional<TableGrid> grid = result.isPage() ? std::nullopt : tableGrid(result);
        for (Batch::PageSheet& sheet : Batch::pageSheets(pages[i].label, result, grid))
            sheets.push_back({std::move(sheet.name), std::move(sheet.rows)});
    });
    if (sheets.empty()) {
        err << "Ambrel: no readable inputs\n";
        return 1;
    }

    const XLSXWriter::Result workbook = XLSXWriter::data(sheets, services.text);
    if (!workbook.ok()) {
        err << "write failed: " << workbook.error << '\n';
        return 1;
    }
    if (const std::string error = AtomicFile::write(output, workbook.bytes, inputs); !error.empty()) {
        err << "write failed: " << error << '\n';
        return 1;
    }
    out << "wrote " << output << " with " << sheets.size() << " sheet(s)\n";
    return 0;
}
