#include "ocr/tesseract/LineBoxes.h"

#include <algorithm>

std::vector<std::optional<std::pair<std::size_t, std::size_t>>>
LineBoxes::locate(std::string_view line, const std::vector<std::string>& symbolTexts)
{
    std::vector<std::optional<std::pair<std::size_t, std::size_t>>> ranges;
    ranges.reserve(symbolTexts.size());
    std::size_t cursor = 0;
    for (const std::string& text : symbolTexts) {
        if (text.empty()) {
            ranges.emplace_back();
            continue;
        }
        std::size_t at = line.find(text, cursor);
        // Right-to-left scripts may list symbols in another order than the line's string: fall back to the start.
        if (at == std::string_view::npos)
            at = line.find(text);
        if (at == std::string_view::npos) {
            ranges.emplace_back();
            continue;
        }
        ranges.emplace_back(std::pair{at, at + text.size()});
        cursor = std::max(cursor, at + text.size());
    }
    return ranges;
}

std::vector<LineBoxes::Piece> LineBoxes::pieces(std::string_view line)
{
    std::vector<Piece> found;
    std::size_t cursor = 0;
    std::size_t start = 0;
    while (start < line.size()) {
        const std::size_t from = line.find_first_not_of(" \t", start);
        if (from == std::string_view::npos)
            break;
        std::size_t to = line.find_first_of(" \t", from);
        if (to == std::string_view::npos)
            to = line.size();
        const std::string_view text = line.substr(from, to - from);
        start = to;
        // The literal search from the cursor is the rule word ranges follow; for pieces split from the same string
        // it lands on the piece itself, and a repeated word never reuses an earlier occurrence.
        const std::size_t at = line.find(text, cursor);
        if (at == std::string_view::npos)
            continue;
        cursor = at + text.size();
        found.push_back(Piece{std::string(text), at, cursor});
    }
    return found;
}

std::optional<LineBoxes::PixelBox> LineBoxes::boxOf(std::size_t begin, std::size_t end,
                                                    const std::vector<Symbol>& symbols)
{
    std::optional<PixelBox> box;
    for (const Symbol& symbol : symbols) {
        if (symbol.end <= begin || symbol.begin >= end)
            continue;
        if (!box) {
            box = symbol.box;
            continue;
        }
        box->left = std::min(box->left, symbol.box.left);
        box->top = std::min(box->top, symbol.box.top);
        box->right = std::max(box->right, symbol.box.right);
        box->bottom = std::max(box->bottom, symbol.box.bottom);
    }
    return box;
}
