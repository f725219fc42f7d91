#include "ocr/tesseract/TesseractOCR.h"

#include "ocr/CodeGrid.h"
#include "ocr/Lines.h"
#include "ocr/OCR.h"
#include "ocr/PageLayout.h"
#include "ocr/WorkerPool.h"
#include "ocr/tesseract/LineBoxes.h"
#include "ocr/tesseract/ScreenText.h"
#include "ocr/tesseract/TessData.h"
#include "ocr/zxing/Barcodes.h"
#include "store/Languages.h"

#include <algorithm>
#include <atomic>
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

std::atomic<std::size_t> recognitions{0};

// A table region is read with this margin around it, in text heights, so that glyphs touching its edge stay whole.
constexpr double regionMargin = 0.5;
// A picture whose one table holds this share of its words is a box drawn around that table.
constexpr double wholeTableShare = 0.8;

// An image made ready for Tesseract: its barcodes read and blanked, its pixels prepared, the engine chosen. A page
// read twice (laid out, then whole as one block) is prepared once.
struct Input
{
    OCRResult result; // the image and its barcodes
    std::optional<ScreenText::Prepared> prepared;
    TesseractEngine* engine = nullptr; // null when there is nothing to read
};

Input prepareInput(const Image& image, const std::vector<std::string>& languages, bool correct)
{
    Input input;
    OCRResult& result = input.result;
    result.image = image;
    if (!readable(image))
        return input;

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
        return input;

    static const std::set<std::string> installed = TessData::installed(TessData::directory());
    const std::string names =
        TessData::languageString(Languages::sanitized(languages, TessData::supportedCodes()), installed);
    input.engine = TesseractEngine::forThisThread(names, correct);
    input.prepared = std::move(prepared);
    return input;
}

// What the layout analysis saw besides the lines: the block of each line (in result.lines order) and the
// picture regions, in pixels of the original image.
struct Layout
{
    std::vector<int> lineBlocks;
    std::vector<Rect> pictures;
};

Rect originalBox(const ScreenText::Prepared& prepared, const Image& image, const LineBoxes::PixelBox& box)
{
    return ScreenText::toOriginal(ScreenText::inkBox(prepared.grey, box), prepared, image.width, image.height);
}

// Turns the lines the engine read into the result, every box in the original image's pixels.
OCRResult resultOf(const Input& input, bool correct, const std::vector<TesseractEngine::Line>& lines,
                   const std::vector<LineBoxes::PixelBox>& pictures, Layout* layout)
{
    OCRResult result = input.result;
    const Image& image = *result.image;
    const ScreenText::Prepared& prepared = *input.prepared;
    const auto toOriginal = [&](const LineBoxes::PixelBox& box) { return originalBox(prepared, image, box); };
    for (const TesseractEngine::Line& line : lines) {
        result.lines.push_back(TextRun{line.text, toOriginal(line.box)});
        if (layout)
            layout->lineBlocks.push_back(line.block);
        for (LineBoxes::Piece& piece : LineBoxes::pieces(line.text))
            if (auto box = LineBoxes::boxOf(piece.begin, piece.end, line.symbols))
                result.words.push_back(TextRun{std::move(piece.text), toOriginal(*box)});
    }
    if (result.words.size() < result.lines.size())
        result.words = result.lines;
    if (layout)
        for (const LineBoxes::PixelBox& box : pictures)
            layout->pictures.push_back(ScreenText::toOriginal(box, prepared, image.width, image.height));
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

OCRResult readInput(const Input& input, bool correct, TesseractEngine::Segmentation segmentation)
{
    ++recognitions;
    if (input.engine == nullptr)
        return input.result;
    return resultOf(input, correct, input.engine->recognize(input.prepared->grey.view(), segmentation), {}, nullptr);
}

PageLayout::Page pageOf(const OCRResult& result, const Image& image, const std::vector<int>& lineBlocks)
{
    PageLayout::Page page;
    page.width = image.width;
    page.height = image.height;
    for (std::size_t i = 0; i < result.lines.size(); ++i)
        page.lines.push_back(
            PageLayout::Line{result.lines[i].text, result.lines[i].box, i < lineBlocks.size() ? lineBlocks[i] : 0});
    page.words = result.words;
    return page;
}

bool isTable(const PageBlock& block)
{
    return block.kind == PageBlock::Kind::Table;
}

// A picture whose tables hold most of its words is a box drawn around a table (a crop of a page or a screen).
// Rules across a table (above a total row, say) may have cut it into several regions.
bool mostlyTable(const std::vector<PageBlock>& blocks, const std::vector<TextRun>& words)
{
    const auto inTables = std::count_if(words.begin(), words.end(), [&](const TextRun& word) {
        return std::any_of(blocks.begin(), blocks.end(), [&](const PageBlock& b) {
            return isTable(b) && word.box.midX() >= b.box.minX() && word.box.midX() <= b.box.maxX()
                   && word.box.midY() >= b.box.minY() && word.box.midY() <= b.box.maxY();
        });
    });
    return std::any_of(blocks.begin(), blocks.end(), isTable)
           && static_cast<double>(inTables) >= wholeTableShare * static_cast<double>(words.size());
}

// The picture read as one block, as a screen box is, giving the table with the rows above it; no value when its
// words do not form one.
std::optional<OCRResult> asWholeTable(OCRResult whole, const std::vector<PageBlock>& blocks, const Image& image)
{
    const auto table = std::find_if(blocks.begin(), blocks.end(), isTable);
    if (table == blocks.end())
        return std::nullopt;
    const bool ruled =
        std::any_of(blocks.begin(), blocks.end(), [&](const PageBlock& b) { return isTable(b) && b.ruled; });
    const PageLayout::Region region{Rect{0, 0, double(image.width), double(image.height)}, ruled};
    std::optional<TableGrid> grid = PageLayout::regionGrid(region, whole.words, &image);
    if (!grid)
        return std::nullopt;
    PageBlock block = *table;
    block.grid = std::move(*grid);
    block.box = Rect{0, 0, double(image.width), double(image.height)};
    whole.blocks = {std::move(block)};
    return whole;
}

// The page as the layout analysis sees it before anything is read: its words are boxes without text yet, each
// given a placeholder that counts as one real word, so that the table tests weigh cells by their words.
PageLayout::Page sketchOf(const TesseractEngine::Analysis& analysis, const ScreenText::Prepared& prepared,
                          const Image& image)
{
    PageLayout::Page page;
    page.width = image.width;
    page.height = image.height;
    for (const TesseractEngine::Analysis::Box& line : analysis.lines)
        page.lines.push_back(PageLayout::Line{"ab", originalBox(prepared, image, line.box), line.block});
    for (const TesseractEngine::Analysis::Box& word : analysis.words)
        page.words.push_back(TextRun{"ab", originalBox(prepared, image, word.box)});
    return page;
}
} // namespace

OCRResult TesseractOCR::recognizeNow(const Image& image, const std::vector<std::string>& languages, bool correct,
                                     std::optional<TesseractEngine::Segmentation> segmentation)
{
    return readInput(prepareInput(image, languages, correct), correct, segmentation.value_or(defaultSegmentation));
}

OCRResult TesseractOCR::recognizePage(const Image& image, const std::vector<std::string>& languages, bool correct)
{
    // Code is read as a screen box is: its structure is the character grid of its lines, which blocks would break.
    if (!correct)
        return recognizeNow(image, languages, correct);
    std::optional<Input> input = prepareInput(image, languages, correct);
    if (input->engine == nullptr)
        return input->result;
    TesseractEngine& engine = *input->engine;
    const Image grey = input->prepared->grey.view();

    TesseractEngine::Analysis analysis = engine.analyse(grey);
    // A picture of one table is read once, as one block: decided on the boxes of the analysis's words, before
    // anything is read, and confirmed on the words that one read gives.
    std::optional<OCRResult> wholeRead;
    if (!analysis.oneBlock) {
        const PageLayout::Page sketch = sketchOf(analysis, *input->prepared, image);
        if (mostlyTable(PageLayout::layOut(sketch, &image, {}), sketch.words)) {
            wholeRead = readInput(*input, correct, TesseractEngine::Segmentation::SingleBlock);
            const std::vector<PageBlock> blocks = PageLayout::layOut(pageOf(*wholeRead, image, {}), &image, {});
            if (mostlyTable(blocks, wholeRead->words))
                if (std::optional<OCRResult> table = asWholeTable(*wholeRead, blocks, image))
                    return std::move(*table);
            // That read set another image on the engine.
            analysis = engine.analyse(grey);
        }
    }

    ++recognitions;
    Layout layout;
    std::vector<LineBoxes::PixelBox> pictures;
    OCRResult result = resultOf(*input, correct, engine.readAnalysed(&pictures), pictures, &layout);
    if (result.lines.empty())
        return result;

    PageLayout::Page page = pageOf(result, image, layout.lineBlocks);
    page.pictures = std::move(layout.pictures);
    page.dropMarks = !analysis.oneBlock;

    std::vector<double> heights;
    for (const TextRun& word : result.words)
        heights.push_back(word.box.height);
    const double margin = regionMargin * median(std::move(heights)).value_or(12);
    // The layout analysis splits a table into blocks and may drop whole columns of it; one block read over the
    // region keeps them all, and only the words of the region make the grid.
    const auto regionWords = [&](const PageLayout::Region& region) {
        // Where the layout analysis saw a picture, rules are the drawing's lines and one block read over them gives
        // letters read into the drawing: only what the analysis read there as text counts.
        const auto inPicture = [&](const Rect& picture) {
            const double w = std::min(region.box.maxX(), picture.maxX()) - std::max(region.box.minX(), picture.minX());
            const double h = std::min(region.box.maxY(), picture.maxY()) - std::max(region.box.minY(), picture.minY());
            return w > 0 && h > 0 && 2 * w * h >= region.box.width * region.box.height;
        };
        if (analysis.oneBlock || std::any_of(page.pictures.begin(), page.pictures.end(), inPicture))
            return PageLayout::wordsInside(result.words, region.box);
        const Rect grown{region.box.x - margin, region.box.y - margin, region.box.width + 2 * margin,
                         region.box.height + 2 * margin};
        const Image part = PageLayout::crop(image, grown);
        if (part.isNull())
            return PageLayout::wordsInside(result.words, region.box);
        const double x0 = std::max(0.0, std::floor(grown.minX()));
        const double y0 = std::max(0.0, std::floor(grown.minY()));
        OCRResult read = recognizeNow(part, languages, correct, TesseractEngine::Segmentation::SingleBlock);
        std::vector<TextRun> words;
        for (TextRun& word : read.words) {
            word.box.x += x0;
            word.box.y += y0;
            words.push_back(std::move(word));
        }
        return PageLayout::wordsInside(words, grown);
    };
    const auto wholeTable = [&](const std::vector<PageBlock>& blocks) -> std::optional<OCRResult> {
        if (!mostlyTable(blocks, result.words))
            return std::nullopt;
        // Read as one block already when the image held no columns.
        if (!wholeRead)
            wholeRead = analysis.oneBlock ? result
                        : input           ? readInput(*input, correct, TesseractEngine::Segmentation::SingleBlock)
                                : recognizeNow(image, languages, correct, TesseractEngine::Segmentation::SingleBlock);
        OCRResult whole = *wholeRead;
        whole.blocks.clear();
        return asWholeTable(std::move(whole), blocks, image);
    };
    // The region re-reads are thrown away when the whole image is read as one table, so that is decided first on
    // the regions the automatic read's own words give.
    if (!analysis.oneBlock)
        if (std::optional<OCRResult> whole = wholeTable(PageLayout::layOut(page, &image, {})))
            return std::move(*whole);
    // The prepared pixels are let go before the region reads, which prepare their own.
    input.reset();
    result.blocks = PageLayout::layOut(page, &image, regionWords);
    if (std::optional<OCRResult> whole = wholeTable(result.blocks))
        return std::move(*whole);
    return result;
}

std::vector<std::string> TesseractRecognizer::barcodes(const Image& image) const
{
    std::vector<std::string> payloads;
    if (!readable(image))
        return payloads;
    ScreenText::Grey grey = ScreenText::greyOf(image);
    ScreenText::invertIfDark(grey);
    for (Barcodes::Barcode& code : Barcodes::read(grey.view(), true))
        if (!code.text.empty())
            payloads.push_back(std::move(code.text));
    return payloads;
}

std::size_t TesseractOCR::recognitionCount()
{
    return recognitions.load();
}

OCRResult TesseractRecognizer::recognizePageNow(const Image& image, const std::vector<std::string>& languages,
                                                bool correct) const
{
    return TesseractOCR::recognizePage(image, languages, correct);
}

namespace {
// Runs `read` on a recognition worker and hands its result on. Recognition never fails as far as callers can tell:
// at worst it finds nothing.
template <typename Read>
void onWorker(Image image, std::vector<std::string> languages, bool correct, OCR::Completion completion, Read read)
{
    WorkerPool::recognition().submit([image = std::move(image), languages = std::move(languages), correct,
                                      completion = std::move(completion), read] {
        OCRResult result;
        try {
            result = read(image, languages, correct);
        } catch (...) {
            result = OCRResult{};
            result.image = image;
        }
        completion(std::move(result));
    });
}
} // namespace

void TesseractRecognizer::recognizePage(Image image, std::vector<std::string> languages, bool correct,
                                        OCR::Completion completion) const
{
    onWorker(std::move(image), std::move(languages), correct, std::move(completion),
             [](const Image& image, const std::vector<std::string>& languages, bool correct) {
                 return TesseractOCR::recognizePage(image, languages, correct);
             });
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
    onWorker(std::move(image), std::move(languages), correct, std::move(completion),
             [](const Image& image, const std::vector<std::string>& languages, bool correct) {
                 return TesseractOCR::recognizeNow(image, languages, correct);
             });
}
