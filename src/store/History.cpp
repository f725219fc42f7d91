#include "store/History.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <random>

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

void appendUtf8(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
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

// A small reader for exactly the JSON the history file may hold; anything else makes it give up.
class JsonReader
{
public:
    explicit JsonReader(std::string_view text)
        : m_text(text)
    {}

    std::optional<std::vector<HistoryItem>> items()
    {
        std::vector<HistoryItem> result;
        if (!consume('['))
            return std::nullopt;
        if (!consume(']')) {
            do {
                std::optional<HistoryItem> item = entry();
                if (!item)
                    return std::nullopt;
                result.push_back(std::move(*item));
            } while (consume(','));
            if (!consume(']'))
                return std::nullopt;
        }
        skipSpace();
        if (m_pos != m_text.size())
            return std::nullopt;
        return result;
    }

private:
    std::optional<HistoryItem> entry()
    {
        if (!consume('{'))
            return std::nullopt;
        HistoryItem item;
        std::optional<std::string> id, text;
        std::optional<double> date;
        std::optional<bool> pinned, isTable;
        if (!consume('}')) {
            do {
                std::optional<std::string> key = string();
                if (!key || !consume(':'))
                    return std::nullopt;
                bool ok = true;
                if (*key == "id")
                    ok = bool(id = string());
                else if (*key == "text")
                    ok = bool(text = string());
                else if (*key == "date")
                    ok = bool(date = number());
                else if (*key == "pinned")
                    ok = bool(pinned = boolean());
                else if (*key == "isTable")
                    ok = bool(isTable = boolean());
                else
                    ok = skipValue(0); // a later version may add keys
                if (!ok)
                    return std::nullopt;
            } while (consume(','));
            if (!consume('}'))
                return std::nullopt;
        }
        if (!id || !text || !date || !pinned || !isTable || !validUuid(*id))
            return std::nullopt;
        std::transform(id->begin(), id->end(), id->begin(), [](char c) { return c >= 'a' && c <= 'f' ? c - 32 : c; });
        return HistoryItem{std::move(*id), std::move(*text), *date, *pinned, *isTable};
    }

    static bool validUuid(std::string_view id)
    {
        if (id.size() != 36)
            return false;
        for (std::size_t i = 0; i < id.size(); ++i) {
            const char c = id[i];
            if (i == 8 || i == 13 || i == 18 || i == 23) {
                if (c != '-')
                    return false;
            } else if (!std::isxdigit(static_cast<unsigned char>(c))) {
                return false;
            }
        }
        return true;
    }

    void skipSpace()
    {
        while (m_pos < m_text.size()
               && (m_text[m_pos] == ' ' || m_text[m_pos] == '\t' || m_text[m_pos] == '\n' || m_text[m_pos] == '\r'))
            ++m_pos;
    }

    bool consume(char c)
    {
        skipSpace();
        if (m_pos < m_text.size() && m_text[m_pos] == c) {
            ++m_pos;
            return true;
        }
        return false;
    }

    bool consumeWord(std::string_view word)
    {
        skipSpace();
        if (m_text.substr(m_pos, word.size()) != word)
            return false;
        m_pos += word.size();
        return true;
    }

    std::optional<bool> boolean()
    {
        if (consumeWord("true"))
            return true;
        if (consumeWord("false"))
            return false;
        return std::nullopt;
    }

    std::optional<double> number()
    {
        skipSpace();
        const std::size_t start = m_pos;
        while (m_pos < m_text.size()
               && std::string_view("+-0123456789.eE").find(m_text[m_pos]) != std::string_view::npos)
            ++m_pos;
        if (start == m_pos || m_text[start] == '+')
            return std::nullopt;
        double value = 0;
        const auto [end, error] = std::from_chars(m_text.data() + start, m_text.data() + m_pos, value);
        if (error != std::errc() || end != m_text.data() + m_pos)
            return std::nullopt;
        return value;
    }

    std::optional<unsigned> hex4()
    {
        if (m_pos + 4 > m_text.size())
            return std::nullopt;
        unsigned value = 0;
        const auto [end, error] = std::from_chars(m_text.data() + m_pos, m_text.data() + m_pos + 4, value, 16);
        if (error != std::errc() || end != m_text.data() + m_pos + 4)
            return std::nullopt;
        m_pos += 4;
        return value;
    }

    std::optional<std::string> string()
    {
        if (!consume('"'))
            return std::nullopt;
        std::string out;
        while (m_pos < m_text.size()) {
            const char c = m_text[m_pos];
            if (c == '"') {
                ++m_pos;
                return out;
            }
            if (static_cast<unsigned char>(c) < 0x20)
                return std::nullopt;
            if (c != '\\') {
                const std::size_t start = m_pos;
                if (nextCodePoint(m_text, m_pos) == invalidCodePoint)
                    return std::nullopt;
                out.append(m_text.substr(start, m_pos - start));
                continue;
            }
            if (++m_pos >= m_text.size())
                return std::nullopt;
            const char escape = m_text[m_pos++];
            switch (escape) {
            case '"':
                out += '"';
                break;
            case '\\':
                out += '\\';
                break;
            case '/':
                out += '/';
                break;
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'u': {
                std::optional<unsigned> unit = hex4();
                if (!unit)
                    return std::nullopt;
                char32_t cp = *unit;
                if (cp >= 0xD800 && cp <= 0xDBFF) { // a surrogate pair spells one code point above the BMP
                    if (!consumeWord("\\u"))
                        return std::nullopt;
                    std::optional<unsigned> low = hex4();
                    if (!low || *low < 0xDC00 || *low > 0xDFFF)
                        return std::nullopt;
                    cp = 0x10000 + ((cp - 0xD800) << 10) + (*low - 0xDC00);
                } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
                    return std::nullopt;
                }
                appendUtf8(out, cp);
                break;
            }
            default:
                return std::nullopt;
            }
        }
        return std::nullopt;
    }

    bool skipValue(int depth)
    {
        if (depth > 64) // a hostile file must not exhaust the stack
            return false;
        skipSpace();
        if (m_pos >= m_text.size())
            return false;
        const char c = m_text[m_pos];
        if (c == '"')
            return bool(string());
        if (c == 't' || c == 'f')
            return bool(boolean());
        if (c == 'n')
            return consumeWord("null");
        if (c == '[' || c == '{') {
            const char close = c == '[' ? ']' : '}';
            ++m_pos;
            if (consume(close))
                return true;
            do {
                if (c == '{' && (!string() || !consume(':')))
                    return false;
                if (!skipValue(depth + 1))
                    return false;
            } while (consume(','));
            return consume(close);
        }
        return bool(number());
    }

    std::string_view m_text;
    std::size_t m_pos = 0;
};

void appendJsonString(std::string& out, std::string_view text)
{
    out += '"';
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t start = pos;
        const char32_t cp = nextCodePoint(text, pos);
        switch (cp) {
        case U'"':
            out += "\\\"";
            break;
        case U'\\':
            out += "\\\\";
            break;
        case U'\n':
            out += "\\n";
            break;
        case U'\r':
            out += "\\r";
            break;
        case U'\t':
            out += "\\t";
            break;
        case U'\b':
            out += "\\b";
            break;
        case U'\f':
            out += "\\f";
            break;
        default:
            if (cp == invalidCodePoint) {
                appendUtf8(out, 0xFFFD);
            } else if (cp < 0x20) {
                static constexpr char digits[] = "0123456789abcdef";
                out += "\\u00";
                out += digits[cp >> 4];
                out += digits[cp & 0xF];
            } else {
                out.append(text.substr(start, pos - start));
            }
        }
    }
    out += '"';
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

std::string encode(const std::vector<HistoryItem>& items)
{
    std::string out = "[";
    for (const HistoryItem& item : items) {
        if (out.size() > 1)
            out += ',';
        out += "{\"id\":";
        appendJsonString(out, item.id);
        out += ",\"text\":";
        appendJsonString(out, item.text);
        out += ",\"date\":";
        std::array<char, 32> number{};
        // Shortest round-trip form, so a date survives any number of load/save cycles unchanged.
        const auto [end, error] = std::to_chars(number.data(), number.data() + number.size(), item.date);
        out.append(error == std::errc() ? std::string_view(number.data(), end - number.data()) : "0");
        out += ",\"pinned\":";
        out += item.pinned ? "true" : "false";
        out += ",\"isTable\":";
        out += item.isTable ? "true" : "false";
        out += '}';
    }
    out += ']';
    return out;
}

std::optional<std::vector<HistoryItem>> decode(std::string_view json)
{
    return JsonReader(json).items();
}

std::string newId()
{
    static thread_local std::mt19937_64 generator{std::random_device{}()};
    std::array<std::uint8_t, 16> bytes{};
    for (std::size_t i = 0; i < bytes.size(); i += 8) {
        const std::uint64_t word = generator();
        for (std::size_t j = 0; j < 8; ++j)
            bytes[i + j] = static_cast<std::uint8_t>(word >> (8 * j));
    }
    bytes[6] = static_cast<std::uint8_t>((bytes[6] & 0x0F) | 0x40); // version 4
    bytes[8] = static_cast<std::uint8_t>((bytes[8] & 0x3F) | 0x80); // RFC 4122 variant
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string id;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            id += '-';
        id += digits[bytes[i] >> 4];
        id += digits[bytes[i] & 0xF];
    }
    return id;
}

double now()
{
    using namespace std::chrono;
    const double unixSeconds = duration<double>(system_clock::now().time_since_epoch()).count();
    return unixSeconds - referenceDateOffset;
}
} // namespace History
