#include "store/History.h"

#include <algorithm>
#include <chrono>
#include <cstdint>

namespace {
constexpr char32_t invalidCodePoint = 0xFFFFFFFF;

// Decodes the code point at `pos` and advances past it; invalid or truncated sequences give invalidCodePoint and
// advance one byte, so every byte is looked at once.
char32_t nextCodePoint(std::string_view text, std::size_t& pos)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(pos);
    if (lead < 0x80) {
        ++pos;
        return lead;
    }
    int extra = 0;
    char32_t cp = 0;
    char32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
        extra = 1, cp = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2, cp = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3, cp = lead & 0x07, minimum = 0x10000;
    } else {
        ++pos;
        return invalidCodePoint;
    }
    if (pos + extra >= text.size()) {
        ++pos;
        return invalidCodePoint;
    }
    for (int i = 1; i <= extra; ++i) {
        const unsigned char next = byte(pos + i);
        if ((next & 0xC0) != 0x80) {
            ++pos;
            return invalidCodePoint;
        }
        cp = (cp << 6) | (next & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++pos;
        return invalidCodePoint;
    }
    pos += extra + 1;
    return cp;
}

bool isLineBreak(char32_t cp)
{
    return cp == U'\n' || cp == U'\r' || cp == 0x0B || cp == 0x0C || cp == 0x85 || cp == 0x2028 || cp == 0x2029;
}

// Unicode's White_Space characters: a no-break space copied from a web page counts as space too.
bool isWhitespace(char32_t cp)
{
    return cp == U' ' || cp == U'\t' || isLineBreak(cp) || cp == 0xA0 || cp == 0x1680 || (cp >= 0x2000 && cp <= 0x200A)
           || cp == 0x202F || cp == 0x205F || cp == 0x3000;
}

} // namespace

namespace {
// A Markdown table row as a person reads it: its non-empty cells, unescaped, with a middle dot between them. The
// rule under the header row gives nothing. Any other line is returned as it is.
std::string readableLine(std::string_view line)
{
    const std::size_t first = line.find_first_not_of(" \t");
    if (first == std::string_view::npos || line[first] != '|')
        return std::string(line);
    std::vector<std::string> cells(1);
    for (std::size_t i = first + 1; i < line.size(); ++i) {
        if (line[i] == '\\' && i + 1 < line.size()) {
            cells.back() += line[++i];
        } else if (line[i] == '|') {
            cells.emplace_back();
        } else {
            cells.back() += line[i];
        }
    }
    std::string out;
    for (std::string& cell : cells) {
        const std::size_t start = cell.find_first_not_of(" \t");
        if (start == std::string::npos)
            continue;
        cell = cell.substr(start, cell.find_last_not_of(" \t") - start + 1);
        if (cell.find_first_not_of("-:") == std::string::npos)
            continue; // the header rule, ---|:--:
        if (!out.empty())
            out += " \u00b7 ";
        out += cell;
    }
    return out;
}
} // namespace

std::string HistoryItem::preview() const
{
    constexpr std::size_t limit = 90;
    std::string line = text; // the whole text when no line has anything in it
    std::size_t pos = 0;
    std::size_t lineStart = 0;
    while (true) {
        const std::size_t here = pos;
        const bool atEnd = pos >= text.size();
        if (atEnd || isLineBreak(nextCodePoint(text, pos))) {
            if (here > lineStart) {
                // A table captured as Markdown shows its words, not its pipes; a row of empty cells is skipped.
                std::string readable = readableLine(std::string_view(text).substr(lineStart, here - lineStart));
                if (!readable.empty()) {
                    line = std::move(readable);
                    break;
                }
            }
            if (atEnd)
                break;
            lineStart = pos;
        }
    }
    std::size_t cut = 0;
    for (std::size_t count = 0; cut < line.size(); ++count) {
        if (count == limit)
            return line.substr(0, cut) + "\u2026";
        nextCodePoint(line, cut);
    }
    return line;
}

namespace History {
std::string trimmed(std::string_view text)
{
    std::size_t begin = 0;
    std::size_t end = text.size();
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t here = pos;
        if (!isWhitespace(nextCodePoint(text, pos))) {
            begin = here;
            break;
        }
        begin = pos;
    }
    // Scan forward again to find the last non-space code point: UTF-8 cannot safely be walked backwards through
    // invalid bytes.
    std::size_t lastEnd = begin;
    for (std::size_t pos = begin; pos < end;) {
        if (!isWhitespace(nextCodePoint(text, pos)))
            lastEnd = pos;
    }
    end = lastEnd;
    return std::string(text.substr(begin, end - begin));
}

bool add(std::vector<HistoryItem>& items, std::string_view text, bool isTable, std::string id, double date,
         std::size_t limit)
{
    std::string clean = trimmed(text);
    if (clean.empty())
        return false;
    if (!items.empty() && items.front().text == clean)
        return false;
    items.insert(items.begin(), HistoryItem{std::move(id), std::move(clean), date, false, isTable});
    trim(items, limit);
    return true;
}

void trim(std::vector<HistoryItem>& items, std::size_t limit)
{
    std::size_t unpinned = 0;
    std::erase_if(items, [&](const HistoryItem& item) { return !item.pinned && ++unpinned > limit; });
}

bool togglePin(std::vector<HistoryItem>& items, std::string_view id)
{
    const auto found = std::find_if(items.begin(), items.end(), [&](const HistoryItem& item) { return item.id == id; });
    if (found == items.end())
        return false;
    found->pinned = !found->pinned;
    return true;
}

void remove(std::vector<HistoryItem>& items, std::string_view id)
{
    std::erase_if(items, [&](const HistoryItem& item) { return item.id == id; });
}

double now()
{
    using namespace std::chrono;
    const double unixSeconds = duration<double>(system_clock::now().time_since_epoch()).count();
    return unixSeconds - referenceDateOffset;
}
} // namespace History
