#include "sources/poppler/PopplerText.h"

#include "sources/RuledTable.h"
#include "sources/poppler/PdfTextLines.h"
#include "sources/poppler/PopplerDocument.h"

#include <poppler-rectangle.h>

#include <algorithm>
#include <cmath>

namespace {

// Pages with this many characters or fewer hold no usable text layer (a stray page number, a scanner's stamp).
constexpr std::size_t minCharacters = 21;

std::string utf8(const poppler::ustring& text)
{
    const poppler::byte_array bytes = text.to_utf8();
    return std::string(bytes.begin(), bytes.end());
}

// The page's whole text in reading order, trimmed; none when it has too few characters.
std::optional<std::string> pageText(const poppler::page& page)
{
    const std::string text = utf8(page.text(poppler::rectf(), poppler::page::non_raw_non_physical_layout));
    const std::string_view trimmed = PdfTextLines::trim(text);
    if (PdfTextLines::codePoints(trimmed) < minCharacters)
        return std::nullopt;
    return std::string(trimmed);
}

std::vector<PdfTextLines::Word> words(const poppler::page& page)
{
    std::vector<PdfTextLines::Word> words;
    for (const poppler::text_box& box : page.text_list()) {
        const poppler::rectf r = box.bbox();
        words.push_back({utf8(box.text()), {r.left(), r.top(), r.right(), r.bottom()}, box.has_space_after()});
    }
    return words;
}

} // namespace

namespace PageText {

std::optional<std::string> plain(const std::string& pdfPath, int pageIndex)
{
    try {
        const auto document = PopplerDocument::open(pdfPath);
        const auto page = document ? PopplerDocument::page(*document, pageIndex) : nullptr;
        if (!page)
            return std::nullopt;
        auto text = pageText(*page);
        if (!text)
            return std::nullopt;
        return std::string(PdfTextLines::trim(PdfTextLines::spellLigatures(*text)));
    } catch (...) {
        return std::nullopt;
    }
}

std::optional<Layer> layer(const std::string& pdfPath, int pageIndex, double scale)
{
    try {
        const auto document = PopplerDocument::open(pdfPath);
        const auto page = document ? PopplerDocument::page(*document, pageIndex) : nullptr;
        if (!page)
            return std::nullopt;
        std::optional<std::string> text = pageText(*page);
        if (!text)
            return std::nullopt;
        const PopplerDocument::Size size = PopplerDocument::visibleSize(*page);
        Layer result;
        result.text = std::string(PdfTextLines::trim(PdfTextLines::spellLigatures(*text)));
        result.width = size.width * scale;
        result.height = size.height * scale;
        for (const poppler::text_box& box : page->text_list()) {
            const poppler::rectf r = box.bbox();
            const std::string word(PdfTextLines::trim(PdfTextLines::spellLigatures(utf8(box.text()))));
            const double x0 = std::max(0.0, r.left()), x1 = std::min(size.width, r.right());
            const double top = std::max(0.0, r.top()), bottom = std::min(size.height, r.bottom());
            // A word off the page or without extent has no place in the layout (and would stretch every box).
            if (word.empty() || !std::isfinite(x0) || !std::isfinite(x1) || !std::isfinite(top)
                || !std::isfinite(bottom) || x1 <= x0 || bottom <= top)
                continue;
            result.words.push_back(TextRun{
                word, Rect{x0 * scale, (size.height - bottom) * scale, (x1 - x0) * scale, (bottom - top) * scale}});
            result.spaceAfter.push_back(box.has_space_after());
        }
        return result;
    } catch (...) {
        return std::nullopt;
    }
}

} // namespace PageText

namespace PDFTable {

std::optional<Extracted> extract(const std::string& pdfPath, int pageIndex, const Image& image, double scale)
{
    try {
        const auto document = PopplerDocument::open(pdfPath);
        const auto page = document ? PopplerDocument::page(*document, pageIndex) : nullptr;
        if (!page || !pageText(*page))
            return std::nullopt;

        const std::vector<PdfTextLines::Line> lines = PdfTextLines::group(words(*page));
        if (lines.empty())
            return std::nullopt;

        const auto rulings = RuledTable::detect(image);
        if (!rulings || rulings->cols.size() < 3)
            return std::nullopt;

        // Poppler's boxes are in points of the visible page with y running down from its top edge, the same
        // geometry the page is rendered in, so x maps onto the image by the scale alone. The row grouping wants y
        // upward, measured from the bottom edge.
        const double pageHeight = PopplerDocument::visibleSize(*page).height;
        std::vector<Cell> cells;
        cells.reserve(lines.size());
        for (const PdfTextLines::Line& line : lines) {
            const double centre = (line.box.top + line.box.bottom) / 2.0;
            cells.push_back({pageHeight - centre, line.box.x0 * scale, line.box.x1 * scale, line.text});
        }
        return build(std::move(cells), rulings->cols);
    } catch (...) {
        return std::nullopt;
    }
}

} // namespace PDFTable
