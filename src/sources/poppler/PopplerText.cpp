// The text-layer readers of PopplerText.h. Poppler reads each page in a confined helper (Confined.h):
// the content streams it interprets for the text are the same hostile input rendering is.
#include "sources/poppler/PopplerText.h"

#include "sources/Confined.h"
#include "sources/PageText.h"
#include "sources/poppler/PdfTextLines.h"
#include "sources/poppler/PopplerDocument.h"

#include <poppler-rectangle.h>

#include <algorithm>
#include <charconv>
#include <cmath>

namespace {

// A layer of fewer characters than this is too little to be a page's text on its own (a stray page number, a
// scanner's stamp).
constexpr std::size_t minCharacters = 21;

std::string utf8(const poppler::ustring& text)
{
    const poppler::byte_array bytes = text.to_utf8();
    return std::string(bytes.begin(), bytes.end());
}

// The page's whole text in reading order, trimmed, and whether it has too few characters to be a page's text on
// its own; none when it is empty.
std::optional<std::string> pageText(const poppler::page& page, bool& few)
{
    const std::string text = utf8(page.text(poppler::rectf(), poppler::page::non_raw_non_physical_layout));
    const std::string_view trimmed = PdfTextLines::trim(text);
    if (trimmed.empty())
        return std::nullopt;
    few = PdfTextLines::codePoints(trimmed) < minCharacters;
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

// The path and page number of a request; none when it is malformed.
std::optional<std::pair<std::string, int>> pageOf(std::string_view request)
{
    const auto fields = Confined::unpack(request);
    if (!fields || fields->size() != 2)
        return std::nullopt;
    int number = 0;
    std::from_chars((*fields)[1].data(), (*fields)[1].data() + (*fields)[1].size(), number);
    return std::pair{std::string((*fields)[0]), number};
}

std::string requestFor(const std::string& pdfPath, int pageIndex)
{
    return Confined::pack({pdfPath, std::to_string(pageIndex)});
}

// The visible page width and height, its trimmed text and whether that has few characters, then per word its text,
// its box (left, top, right, bottom in points, y down) and whether a space follows it; none when the page has no
// text layer.
const Confined::Job layerJob{
    "pdf-layer", [](std::string_view request) -> std::optional<std::string> {
        const auto which = pageOf(request);
        const auto document = which ? PopplerDocument::open(which->first) : nullptr;
        const auto page = document ? PopplerDocument::page(*document, which->second) : nullptr;
        bool few = false;
        const std::optional<std::string> text = page ? pageText(*page, few) : std::nullopt;
        if (!text)
            return std::nullopt;
        const PopplerDocument::Size size = PopplerDocument::visibleSize(*page);
        const std::string trimmed(PdfTextLines::trim(PdfTextLines::spellLigatures(*text)));
        std::string reply =
            Confined::pack({Confined::bytesOf(size.width), Confined::bytesOf(size.height), trimmed, few ? "1" : "0"});
        for (const PdfTextLines::Word& word : words(*page)) {
            const char space = word.spaceAfter ? '1' : '0';
            reply += Confined::pack({word.text, Confined::bytesOf(word.box.x0), Confined::bytesOf(word.box.top),
                                     Confined::bytesOf(word.box.x1), Confined::bytesOf(word.box.bottom),
                                     std::string_view(&space, 1)});
        }
        return reply;
    }};

} // namespace

namespace PageText {

std::optional<Layer> layer(const std::string& pdfPath, int pageIndex, double scale)
{
    try {
        const Confined::Reply reply = layerJob.run(requestFor(pdfPath, pageIndex));
        const auto fields = reply.outcome == Confined::Outcome::Done ? Confined::unpack(reply.bytes) : std::nullopt;
        if (!fields || fields->size() < 4 || (fields->size() - 4) % 6 != 0)
            return std::nullopt;
        const auto& f = *fields;
        const double width = Confined::doubleOf(f[0]), height = Confined::doubleOf(f[1]);
        if (!std::isfinite(width) || !std::isfinite(height) || width <= 0 || height <= 0)
            return std::nullopt;
        Layer result;
        result.text = std::string(f[2]);
        result.few = f[3] == "1";
        result.width = width * scale;
        result.height = height * scale;
        for (std::size_t i = 4; i < f.size(); i += 6) {
            const std::string word(PdfTextLines::trim(PdfTextLines::spellLigatures(f[i])));
            const double x0 = std::max(0.0, Confined::doubleOf(f[i + 1]));
            const double top = std::max(0.0, Confined::doubleOf(f[i + 2]));
            const double x1 = std::min(width, Confined::doubleOf(f[i + 3]));
            const double bottom = std::min(height, Confined::doubleOf(f[i + 4]));
            // A word off the page or without extent has no place in the layout (and would stretch every box).
            if (word.empty() || !std::isfinite(x0) || !std::isfinite(x1) || !std::isfinite(top)
                || !std::isfinite(bottom) || x1 <= x0 || bottom <= top)
                continue;
            result.words.push_back(
                TextRun{word, Rect{x0 * scale, (height - bottom) * scale, (x1 - x0) * scale, (bottom - top) * scale}});
            result.spaceAfter.push_back(f[i + 5] == "1");
        }
        return result;
    } catch (...) {
        return std::nullopt;
    }
}

} // namespace PageText
