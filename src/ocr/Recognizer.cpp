#include "ocr/Recognizer.h"

#include "ocr/PageLayout.h"
#include "ocr/TextRecognizer.h"
#include "ocr/WorkerPool.h"
#include "sources/PageText.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <future>
#include <memory>
#include <utility>
#include <vector>

namespace {
// The patches of the page's ink outside its text-layer words, each large enough to hold a barcode, top to bottom:
// bars and modules are never text-layer words, and the search costs in proportion to the pixels it looks at. The
// words are painted over with the paper's shade; what is left is grouped in cells, and inked cells with at most
// three empty ones between them form one patch (the widest space of a barcode printed at twice its nominal size
// is narrower), cropped with a margin that keeps a barcode's quiet zone. The patches show the page as drawn, not
// painted over: a word box laid across a barcode (an invisible text layer over a scan) would otherwise cut its
// bars in two.
std::vector<Image> inkBesideWords(const Image& grey, const std::vector<TextRun>& words)
{
    if (grey.isNull() || grey.format != Image::Format::Grey8)
        return {grey};
    const int w = grey.width;
    const int h = grey.height;
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(w) * h);
    // The paper is the commonest shade; every eighth row tells it.
    std::array<std::uint32_t, 256> counts{};
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* row = grey.row(y);
        std::copy(row, row + w, pixels.begin() + static_cast<std::ptrdiff_t>(y) * w);
        if (y % 8 == 0)
            for (int x = 0; x < w; ++x)
                ++counts[row[x]];
    }
    const auto paper = static_cast<std::uint8_t>(std::max_element(counts.begin(), counts.end()) - counts.begin());
    // Ink stands out from the paper clearly, darker or (on a dark page) lighter.
    const auto isInk = [paper](std::uint8_t v) { return (v > paper ? v - paper : paper - v) >= 64; };
    for (const TextRun& word : words) {
        const Rect& b = word.box;
        if (!std::isfinite(b.x) || !std::isfinite(b.y) || !std::isfinite(b.width) || !std::isfinite(b.height))
            continue;
        // A text layer's box is the font's, which accents, descenders and italic overhangs leave: grown by a
        // quarter of its height, it holds all of the word's ink. Boxes are y upward; rows run top first.
        const double grow = std::clamp(0.25 * b.height, 0.0, 64.0);
        const int x0 = std::clamp(static_cast<int>(std::floor(b.minX() - grow)), 0, w);
        const int x1 = std::clamp(static_cast<int>(std::ceil(b.maxX() + grow)), 0, w);
        const int top = std::clamp(h - static_cast<int>(std::ceil(b.maxY() + grow)), 0, h);
        const int bottom = std::clamp(h - static_cast<int>(std::floor(b.minY() - grow)), 0, h);
        for (int y = top; y < bottom && x1 > x0; ++y)
            std::fill_n(pixels.begin() + static_cast<std::ptrdiff_t>(y) * w + x0, x1 - x0, paper);
    }

    // A table's rules join its cells into one patch as large as the table. Long runs across are no part of a
    // barcode this search can read (its bars stand upright; a 2-D code keeps most of its modules without its
    // longest rows), so they are left out, and the upright rules that remain are too narrow to be a patch.
    const int longRun = std::max(64, w / 12);
    for (int y = 0; y < h; ++y) {
        std::uint8_t* row = pixels.data() + static_cast<std::ptrdiff_t>(y) * w;
        for (int x = 0; x < w;) {
            int end = x;
            while (end < w && isInk(row[end]))
                ++end;
            if (end - x >= longRun)
                std::fill(row + x, row + end, paper);
            x = end + 1;
        }
    }

    constexpr int cell = 8;
    constexpr int reach = 4;
    const int cw = (w + cell - 1) / cell;
    const int ch = (h + cell - 1) / cell;
    std::vector<std::uint8_t> inked(static_cast<std::size_t>(cw) * ch, 0);
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* row = pixels.data() + static_cast<std::ptrdiff_t>(y) * w;
        std::uint8_t* cells = inked.data() + static_cast<std::ptrdiff_t>(y / cell) * cw;
        for (int cx = 0; cx < cw; ++cx) {
            const std::uint8_t* p = row + static_cast<std::ptrdiff_t>(cx) * cell;
            const int n = std::min(cell, w - cx * cell);
            int dark = 0;
            for (int i = 0; i < n; ++i)
                dark |= static_cast<int>(isInk(p[i]));
            cells[cx] |= static_cast<std::uint8_t>(dark);
        }
    }

    // A barcode smaller than this on a page at 180 dpi (4.5 mm) has modules too fine to render.
    constexpr int smallest = 32;
    constexpr int margin = 16;
    std::vector<Image> patches;
    std::vector<int> stack;
    for (int start = 0; start < cw * ch; ++start) {
        if (inked[static_cast<std::size_t>(start)] != 1)
            continue;
        int minX = cw, maxX = -1, minY = ch, maxY = -1;
        inked[static_cast<std::size_t>(start)] = 2;
        stack.push_back(start);
        while (!stack.empty()) {
            const int at = stack.back();
            stack.pop_back();
            const int cx = at % cw;
            const int cy = at / cw;
            minX = std::min(minX, cx);
            maxX = std::max(maxX, cx);
            minY = std::min(minY, cy);
            maxY = std::max(maxY, cy);
            for (int ny = std::max(0, cy - reach); ny <= std::min(ch - 1, cy + reach); ++ny)
                for (int nx = std::max(0, cx - reach); nx <= std::min(cw - 1, cx + reach); ++nx)
                    if (inked[static_cast<std::size_t>(ny) * cw + nx] == 1) {
                        inked[static_cast<std::size_t>(ny) * cw + nx] = 2;
                        stack.push_back(ny * cw + nx);
                    }
        }
        if ((maxX - minX + 1) * cell < smallest || (maxY - minY + 1) * cell < smallest)
            continue;
        const int x0 = std::max(0, minX * cell - margin);
        const int y0 = std::max(0, minY * cell - margin);
        const int x1 = std::min(w, (maxX + 1) * cell + margin);
        const int y1 = std::min(h, (maxY + 1) * cell + margin);
        Image patch;
        patch.width = x1 - x0;
        patch.height = y1 - y0;
        patch.stride = grey.stride;
        patch.format = Image::Format::Grey8;
        patch.pixels = grey.row(y0) + x0;
        patch.owner = grey.owner;
        patches.push_back(std::move(patch));
    }
    return patches;
}

// Lays out a page from its text layer: the words and their boxes are exact, so no recognition runs for them. The
// rendered page still shows the rules that frame tables, the barcodes, and ink the layer holds no words for (a
// scan pasted into the page), which alone is recognized.
OCRResult fromTextLayer(PageText::Layer layer, Image image, const TextRecognizer& recognizer,
                        const std::vector<std::string>& languages, bool correct)
{
    OCRResult result;
    // Rules, unread regions and barcodes are all looked for in grey (a rendered PDF page arrives grey already).
    const Image grey = image.greyed();
    // The barcode search runs beside the layout.
    std::future<std::vector<std::string>> barcodes =
        std::async(std::launch::async, [&recognizer, grey, words = layer.words] {
            std::vector<std::string> found;
            for (const Image& patch : inkBesideWords(grey, words))
                for (std::string& code : recognizer.barcodes(patch))
                    found.push_back(std::move(code));
            return found;
        });
    PageLayout::Page page = PageLayout::fromWords(std::move(layer.words), layer.spaceAfter, image.width, image.height);
    result.blocks = PageLayout::layOut(page, &grey, nullptr);
    bool added = false;
    for (const Rect& region : PageLayout::unreadRegions(grey, page.words)) {
        // A table's rules and shaded cells are ink without words too, but the table is read already.
        const bool inTable = std::any_of(result.blocks.begin(), result.blocks.end(), [&](const PageBlock& b) {
            return b.kind == PageBlock::Kind::Table && region.minX() < b.box.maxX() && region.maxX() > b.box.minX()
                   && region.minY() < b.box.maxY() && region.maxY() > b.box.minY();
        });
        const Image part = inTable ? Image{} : PageLayout::crop(grey, region);
        if (part.isNull())
            continue;
        const OCRResult read = recognizer.recognizePageNow(part, languages, correct);
        for (PageBlock block : read.blocks) {
            block.box.x += std::floor(region.minX());
            block.box.y += std::floor(region.minY());
            result.blocks.push_back(std::move(block));
        }
        if (read.blocks.empty()) {
            PageBlock picture;
            picture.kind = PageBlock::Kind::Picture;
            picture.box = region;
            result.blocks.push_back(std::move(picture));
        }
        added = true;
    }
    if (added)
        result.blocks = PageLayout::inReadingOrder(std::move(result.blocks));
    for (const PageLayout::Line& line : page.lines)
        result.lines.push_back(TextRun{line.text, line.box});
    result.words = std::move(page.words);
    result.exactText = std::move(layer.text);
    result.barcodes = barcodes.get();
    result.image = std::move(image);
    return result;
}
} // namespace

void Recognizer::recognize(const ImageLoader::Page& page, const TextRecognizer& recognizer,
                           std::vector<std::string> languages, bool correct, OCR::Completion completion)
{
    // The text layer is read while the page renders.
    std::future<std::optional<PageText::Layer>> words;
    if (page.textWords)
        words = std::async(std::launch::async, page.textWords);
    std::optional<Image> image = page.image();
    if (!image) {
        // A page that would not render after all reads as an unreadable file: empty, never an error.
        completion(OCRResult{});
        return;
    }

    if (words.valid()) {
        if (std::optional<PageText::Layer> layer = words.get()) {
            // Pages run side by side on the workers, text-layer pages as well.
            WorkerPool::recognition().submit([layer = std::move(*layer), image = std::move(*image), &recognizer,
                                              languages = std::move(languages), correct,
                                              completion = std::move(completion)]() mutable {
                OCRResult result;
                try {
                    // A short layer beside ink it holds no words for is a page number or a stamp on a scan, which
                    // is read whole.
                    if (layer.few && !PageLayout::unreadRegions(image, layer.words).empty())
                        result = recognizer.recognizePageNow(image, languages, correct);
                    else
                        result = fromTextLayer(std::move(layer), image, recognizer, languages, correct);
                } catch (...) {
                    result = OCRResult{};
                    result.image = image;
                }
                completion(std::move(result));
            });
            return;
        }
    }
    recognizer.recognizePage(std::move(*image), std::move(languages), correct, std::move(completion));
}
