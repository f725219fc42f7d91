#include "ocr/tesseract/TesseractOCR.h"

#include "ocr/CodeGrid.h"
#include "ocr/OCR.h"
#include "ocr/WorkerPool.h"
#include "ocr/tesseract/LineBoxes.h"
#include "ocr/tesseract/ScreenText.h"
#include "ocr/tesseract/TessData.h"
#include "ocr/zxing/Barcodes.h"
#include "store/Languages.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

namespace {
// Scaling stops here, so a large page of small print costs at most a few seconds more, never gigabytes.
constexpr long long maxPreparedPixels = 40'000'000;

bool readable(const Image& image)
{
    return !image.isNull() && image.width <= TesseractOCR::maxSide && image.height <= TesseractOCR::maxSide
           && static_cast<long long>(image.width) * image.height <= TesseractOCR::maxPixels
           && image.stride >= image.width * Image::bytesPerPixel(image.format);
}

double distance(const Barcodes::Point& a, const Barcodes::Point& b)
{
    return std::hypot(a.x - b.x, a.y - b.y);
}

// Blanks one barcode. A linear code's position is only its scan line, so its bars are followed up and down as far
// as the rows look like that line.
void blankBarcode(ScreenText::Grey& grey, const Barcodes::Barcode& code)
{
    const auto& c = code.corners;
    const int minX = std::min({c[0].x, c[1].x, c[2].x, c[3].x});
    const int maxX = std::max({c[0].x, c[1].x, c[2].x, c[3].x});
    const int minY = std::min({c[0].y, c[1].y, c[2].y, c[3].y});
    const int maxY = std::max({c[0].y, c[1].y, c[2].y, c[3].y});
    const double side = std::max(distance(c[0], c[1]), distance(c[1], c[2]));
    const int margin = std::max(4, static_cast<int>(std::lround(side * 0.08)));

    if (maxY - minY >= (maxX - minX) / 5) {
        std::array<ScreenText::Point, 4> corners;
        for (std::size_t i = 0; i < 4; ++i)
            corners[i] = ScreenText::Point{double(c[i].x), double(c[i].y)};
        ScreenText::blank(grey, corners, margin);
        return;
    }

    const int x0 = std::clamp(minX, 0, grey.width - 1), x1 = std::clamp(maxX, 0, grey.width - 1);
    const int middle = std::clamp((minY + maxY) / 2, 0, grey.height - 1);
    auto alike = [&](int y) {
        long long difference = 0;
        for (int x = x0; x <= x1; ++x)
            difference += std::abs(int(grey.at(x, y)) - int(grey.at(x, middle)));
        return difference < 40LL * (x1 - x0 + 1);
    };
    int top = middle, bottom = middle;
    while (top > 0 && alike(top - 1))
        --top;
    while (bottom + 1 < grey.height && alike(bottom + 1))
        ++bottom;
    const int grown = margin;
    ScreenText::blank(grey,
                      {ScreenText::Point{double(x0), double(top)}, ScreenText::Point{double(x1 + 1), double(top)},
                       ScreenText::Point{double(x1 + 1), double(bottom + 1)},
                       ScreenText::Point{double(x0), double(bottom + 1)}},
                      grown);
}

// One block for every kind of input. Measured on the corpus's table crops (words found, rules removed): single
// block 4.43 of 7, sparse 4.10, automatic 3.60; automatic layout analysis dropped whole columns of tables and
// all of one small crop, and on the text images all three read alike. Reading order does not matter here,
// since lines are ordered by position afterwards.
constexpr TesseractEngine::Segmentation defaultSegmentation = TesseractEngine::Segmentation::SingleBlock;
} // namespace

OCRResult TesseractOCR::recognizeNow(const Image& image, const std::vector<std::string>& languages, bool correct,
                                     std::optional<TesseractEngine::Segmentation> segmentation)
{
    OCRResult result;
    result.image = image;
    if (!readable(image))
        return result;

    ScreenText::Grey grey = ScreenText::greyOf(image);
    const bool inverted = ScreenText::invertIfDark(grey);
    for (Barcodes::Barcode& code : Barcodes::read(grey.view())) {
        // Barcode modules are not text, yet Tesseract reads letters into them.
        blankBarcode(grey, code);
        if (!code.text.empty())
            result.barcodes.push_back(std::move(code.text));
    }

    ScreenText::Prepared prepared = ScreenText::prepare(std::move(grey), maxPreparedPixels);
    prepared.inverted = prepared.inverted || inverted;
    // Nothing but ground left (a blank image, or one that held only barcodes): Tesseract would find nothing either.
    // Pale text below the ink threshold still goes to Tesseract, only without scaling.
    if (prepared.textHeight == 0
        && std::all_of(prepared.grey.pixels.begin(), prepared.grey.pixels.end(), [](auto v) { return v >= 230; }))
        return result;

    static const std::set<std::string> installed = TessData::installed(TessData::directory());
    const std::string names =
        TessData::languageString(Languages::sanitized(languages, TessData::supportedCodes()), installed);
    TesseractEngine* engine = TesseractEngine::forThisThread(names, correct);
    if (engine == nullptr)
        return result;

    const auto lines = engine->recognize(prepared.grey.view(), segmentation.value_or(defaultSegmentation));
    auto toOriginal = [&](const LineBoxes::PixelBox& box) {
        return ScreenText::toOriginal(ScreenText::inkBox(prepared.grey, box), prepared, image.width, image.height);
    };
    for (const TesseractEngine::Line& line : lines) {
        result.lines.push_back(TextRun{line.text, toOriginal(line.box)});
        for (LineBoxes::Piece& piece : LineBoxes::pieces(line.text))
            if (auto box = LineBoxes::boxOf(piece.begin, piece.end, line.symbols))
                result.words.push_back(TextRun{std::move(piece.text), toOriginal(*box)});
    }
    if (result.words.size() < result.lines.size())
        result.words = result.lines;
    // Without language correction the text is code: its lines are laid out on the glyphs' character grid.
    if (!correct) {
        std::vector<CodeGrid::Line> code;
        code.reserve(lines.size());
        for (const TesseractEngine::Line& line : lines) {
            CodeGrid::Line& laid = code.emplace_back(CodeGrid::Line{line.text, toOriginal(line.box), {}});
            for (const LineBoxes::Symbol& symbol : line.symbols)
                laid.glyphs.push_back(CodeGrid::Glyph{line.text.substr(symbol.begin, symbol.end - symbol.begin),
                                                      toOriginal(symbol.box),
                                                      symbol.begin > 0 && line.text[symbol.begin - 1] == ' '});
        }
        result.lines = CodeGrid::layout(code, &image);
    }
    return result;
}

void TesseractRecognizer::warmUp(std::vector<std::string> languages, bool correct) const
{
    // Each task holds its worker while the model loads, so the tasks queued together spread over the workers.
    WorkerPool& pool = WorkerPool::recognition();
    for (std::size_t i = 0; i < pool.size(); ++i)
        pool.submit([languages, correct] {
            try {
                const std::set<std::string> installed = TessData::installed(TessData::directory());
                TesseractEngine::forThisThread(
                    TessData::languageString(Languages::sanitized(languages, TessData::supportedCodes()), installed),
                    correct);
            } catch (...) {
                // A model that cannot load now fails again, visibly empty, at the first real recognition.
            }
        });
}

void TesseractRecognizer::recognize(Image image, std::vector<std::string> languages, bool correct,
                                    OCR::Completion completion) const
{
    WorkerPool::recognition().submit(
        [image = std::move(image), languages = std::move(languages), correct, completion = std::move(completion)] {
            OCRResult result;
            try {
                result = TesseractOCR::recognizeNow(image, languages, correct);
            } catch (...) {
                // Recognition never fails as far as callers can tell: at worst it finds nothing.
                result = OCRResult{};
                result.image = image;
            }
            completion(std::move(result));
        });
}
