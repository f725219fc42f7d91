#include "sources/poppler/PdfTextLines.h"

#include <algorithm>
#include <cmath>

namespace PdfTextLines {
namespace {

// Gaps wider than this many character widths separate lines (table cells); narrower ones are word spaces.
constexpr double cellGapInChars = 2.0;
// A gap wider than this fraction of a character width is a space even when Poppler saw no space character.
constexpr double spaceGapInChars = 0.2;
// Baselines closer than this fraction of the smaller word height count as one baseline.
constexpr double baselineTolerance = 0.3;

double charWidth(const Word& word)
{
    const std::size_t n = std::max<std::size_t>(1, codePoints(word.text));
    return (word.box.x1 - word.box.x0) / static_cast<double>(n);
}

double height(const Box& box)
{
    return box.bottom - box.top;
}

Box unite(const Box& a, const Box& b)
{
    return {std::min(a.x0, b.x0), std::min(a.top, b.top), std::max(a.x1, b.x1), std::max(a.bottom, b.bottom)};
}

} // namespace

std::string spellLigatures(std::string_view text)
{
    // U+FB00..U+FB06 are EF AC 80..86 in UTF-8.
    static constexpr std::string_view spelled[] = {"ff", "fi", "fl", "ffi", "ffl", "st", "st"};
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (i + 2 < text.size() && static_cast<unsigned char>(text[i]) == 0xEF
            && static_cast<unsigned char>(text[i + 1]) == 0xAC) {
            const unsigned last = static_cast<unsigned char>(text[i + 2]);
            if (last >= 0x80 && last <= 0x86) {
                out += spelled[last - 0x80];
                i += 2;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

std::string_view trim(std::string_view text)
{
    constexpr std::string_view blank = " \t\r\n\f\v";
    const std::size_t first = text.find_first_not_of(blank);
    if (first == std::string_view::npos)
        return {};
    const std::size_t last = text.find_last_not_of(blank);
    return text.substr(first, last - first + 1);
}

std::size_t codePoints(std::string_view text)
{
    return static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

std::vector<Line> group(std::vector<Word> words)
{
    for (Word& word : words)
        word.text = std::string(trim(spellLigatures(word.text)));
    std::erase_if(words, [](const Word& w) {
        return w.text.empty() || !std::isfinite(w.box.x0) || !std::isfinite(w.box.x1) || !std::isfinite(w.box.top)
               || !std::isfinite(w.box.bottom);
    });
    std::stable_sort(words.begin(), words.end(),
                     [](const Word& a, const Word& b) { return a.box.bottom < b.box.bottom; });

    // Bands of one baseline each. The anchor is the band's first word, so a slowly drifting chain of words (a
    // slanted scan's text layer) cannot pull two rows of a table together.
    std::vector<std::vector<Word>> bands;
    for (Word& word : words) {
        if (!bands.empty()) {
            const Word& anchor = bands.back().front();
            const double tolerance = baselineTolerance * std::min(height(anchor.box), height(word.box));
            if (std::abs(word.box.bottom - anchor.box.bottom) <= std::max(tolerance, 0.5)) {
                bands.back().push_back(std::move(word));
                continue;
            }
        }
        bands.push_back({std::move(word)});
    }

    std::vector<Line> lines;
    for (std::vector<Word>& band : bands) {
        std::stable_sort(band.begin(), band.end(), [](const Word& a, const Word& b) { return a.box.x0 < b.box.x0; });
        const Word* previous = nullptr;
        for (const Word& word : band) {
            if (previous) {
                const double gap = word.box.x0 - previous->box.x1;
                const double unit = (charWidth(*previous) + charWidth(word)) / 2.0;
                if (gap <= cellGapInChars * unit) {
                    Line& line = lines.back();
                    if (previous->spaceAfter || gap > spaceGapInChars * unit)
                        line.text += ' ';
                    line.text += word.text;
                    line.box = unite(line.box, word.box);
                    previous = &word;
                    continue;
                }
            }
            lines.push_back({word.text, word.box});
            previous = &word;
        }
    }
    return lines;
}
} // namespace PdfTextLines
