#include "export/Unicode.h"

#include "export/UnicodeTables.h"

#include <algorithm>
#include <span>

namespace Unicode {
namespace {
using Tables::Break;

bool inRanges(std::span<const Tables::Range> ranges, char32_t c)
{
    auto it = std::upper_bound(ranges.begin(), ranges.end(), c,
                               [](char32_t value, const Tables::Range& range) { return value < range.first; });
    return it != ranges.begin() && c <= std::prev(it)->last;
}

Break breakOf(char32_t c)
{
    if (c < 0x7F)
        return c == '\r' ? Break::CR : c == '\n' ? Break::LF : c < 0x20 ? Break::Control : Break::Other;
    if (c >= 0xAC00 && c <= 0xD7A3) // Hangul syllables: every 28th one has no trailing consonant
        return (c - 0xAC00) % 28 == 0 ? Break::LV : Break::LVT;
    const auto ranges = Tables::breakRanges();
    auto it = std::upper_bound(ranges.begin(), ranges.end(), c,
                               [](char32_t value, const Tables::BreakRange& range) { return value < range.first; });
    if (it == ranges.begin() || c > std::prev(it)->last)
        return Break::Other;
    return std::prev(it)->value;
}

bool isControl(Break b)
{
    return b == Break::Control || b == Break::CR || b == Break::LF;
}

// State carried along the text for the rules that look further back than one character.
struct BreakState
{
    bool pictographicRun = false;    // the text so far ends in Extended_Pictographic Extend*
    bool zwjAfterPictograph = false; // … and then one ZWJ
    int regionalIndicators = 0;      // consecutive regional indicators just before
};

// Decides whether a cluster boundary lies between a character of class `before` and one of class `after`.
bool isBoundary(Break before, Break after, const BreakState& state)
{
    if (before == Break::CR && after == Break::LF)
        return false; // GB3
    if (isControl(before) || isControl(after))
        return true; // GB4, GB5
    if (before == Break::L && (after == Break::L || after == Break::V || after == Break::LV || after == Break::LVT))
        return false; // GB6
    if ((before == Break::LV || before == Break::V) && (after == Break::V || after == Break::T))
        return false; // GB7
    if ((before == Break::LVT || before == Break::T) && after == Break::T)
        return false; // GB8
    if (after == Break::Extend || after == Break::ZWJ || after == Break::SpacingMark || before == Break::Prepend)
        return false; // GB9, GB9a, GB9b
    if (before == Break::ZWJ && after == Break::ExtPict && state.zwjAfterPictograph)
        return false; // GB11: emoji joined by zero-width joiners
    if (before == Break::RegionalIndicator && after == Break::RegionalIndicator)
        return state.regionalIndicators % 2 == 0; // GB12, GB13: flags pair up from the start of the run
    return true;
}

void advance(BreakState& state, Break b)
{
    state.zwjAfterPictograph = b == Break::ZWJ && state.pictographicRun;
    if (b == Break::ExtPict)
        state.pictographicRun = true;
    else if (b != Break::Extend)
        state.pictographicRun = false;
    state.regionalIndicators = b == Break::RegionalIndicator ? state.regionalIndicators + 1 : 0;
}

char32_t simpleLower(char32_t c)
{
    if (c < 0x80)
        return c >= 'A' && c <= 'Z' ? c + 32 : c;
    const auto runs = Tables::lowerRuns();
    auto it = std::upper_bound(runs.begin(), runs.end(), c,
                               [](char32_t value, const Tables::LowerRun& run) { return value < run.first; });
    if (it == runs.begin())
        return c;
    const Tables::LowerRun& run = *std::prev(it);
    if (c > run.last || (c - run.first) % run.stride != 0)
        return c;
    return static_cast<char32_t>(static_cast<std::int32_t>(c) + run.delta);
}

bool isCased(char32_t c)
{
    return inRanges(Tables::casedRanges(), c);
}

bool isCaseIgnorable(char32_t c)
{
    return inRanges(Tables::caseIgnorableRanges(), c);
}

// The Final_Sigma condition: a cased letter (then case-ignorables) before, and no cased letter (after
// case-ignorables) behind.
bool isFinalSigma(const std::vector<char32_t>& scalars, std::size_t at)
{
    std::size_t i = at;
    bool casedBefore = false;
    while (i > 0) {
        const char32_t c = scalars[--i];
        if (isCaseIgnorable(c))
            continue;
        casedBefore = isCased(c);
        break;
    }
    if (!casedBefore)
        return false;
    for (std::size_t j = at + 1; j < scalars.size(); ++j) {
        if (isCaseIgnorable(scalars[j]))
            continue;
        return !isCased(scalars[j]);
    }
    return true;
}
} // namespace

Decoded decode(std::string_view text, std::size_t pos)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(pos);
    if (lead < 0x80)
        return {lead, 1};

    std::size_t need = 0;
    char32_t scalar = 0;
    unsigned char low = 0x80, high = 0xBF; // allowed range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        need = 1;
        scalar = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        need = 2;
        scalar = lead & 0x0F;
        if (lead == 0xE0)
            low = 0xA0; // overlong
        else if (lead == 0xED)
            high = 0x9F; // surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        need = 3;
        scalar = lead & 0x07;
        if (lead == 0xF0)
            low = 0x90; // overlong
        else if (lead == 0xF4)
            high = 0x8F; // beyond U+10FFFF
    } else {
        return {replacementCharacter, 1};
    }

    for (std::size_t k = 1; k <= need; ++k) {
        if (pos + k >= text.size())
            return {replacementCharacter, k};
        const unsigned char b = byte(pos + k);
        const unsigned char min = k == 1 ? low : 0x80, max = k == 1 ? high : 0xBF;
        if (b < min || b > max)
            return {replacementCharacter, k};
        scalar = (scalar << 6) | (b & 0x3F);
    }
    return {scalar, need + 1};
}

void appendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::string repaired(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        const Decoded d = decode(text, pos);
        if (d.scalar == replacementCharacter && text.substr(pos, 3) != "\xEF\xBF\xBD")
            appendUtf8(out, replacementCharacter);
        else
            out.append(text.substr(pos, d.length));
        pos += d.length;
    }
    return out;
}

std::vector<std::string_view> graphemes(std::string_view text)
{
    std::vector<std::string_view> clusters;
    BreakState state;
    Break before = Break::Other;
    std::size_t start = 0;
    for (std::size_t pos = 0; pos < text.size();) {
        const Decoded d = decode(text, pos);
        const Break b = breakOf(d.scalar);
        if (pos > 0 && isBoundary(before, b, state)) {
            clusters.push_back(text.substr(start, pos - start));
            start = pos;
        }
        advance(state, b);
        before = b;
        pos += d.length;
    }
    if (start < text.size())
        clusters.push_back(text.substr(start));
    return clusters;
}

std::string lowercased(std::string_view text)
{
    std::vector<char32_t> scalars;
    scalars.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        const Decoded d = decode(text, pos);
        scalars.push_back(d.scalar);
        pos += d.length;
    }

    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < scalars.size(); ++i) {
        const char32_t c = scalars[i];
        if (c == 0x0130) { // İ: the only unconditional mapping to more than one character
            out += 'i';
            appendUtf8(out, 0x0307);
        } else if (c == 0x03A3) {
            appendUtf8(out, isFinalSigma(scalars, i) ? 0x03C2 : 0x03C3);
        } else {
            appendUtf8(out, simpleLower(c));
        }
    }
    return out;
}
} // namespace Unicode
