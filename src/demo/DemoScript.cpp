#include "demo/DemoScript.h"

#include <algorithm>
#include <cmath>

namespace DemoScript {
namespace {

// Markdown alignment counts characters, not bytes: a cell with an accented letter must not get one space too few.
std::size_t characterCount(const std::string& s)
{
    return static_cast<std::size_t>(std::count_if(s.begin(), s.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

std::string pad(const std::string& s, std::size_t width)
{
    const std::size_t length = characterCount(s);
    return s + std::string(width > length ? width - length : 0, ' ');
}

std::string joinRow(const std::vector<std::string>& cells)
{
    std::string line = "| ";
    for (std::size_t i = 0; i < cells.size(); ++i)
        line += (i == 0 ? "" : " | ") + cells[i];
    return line + " |";
}

} // namespace

const TableGrid& sampleTable()
{
    static const TableGrid table{
        {"Item", "Qty", "Price"},     {"Wireless Mouse", "2", "29.00"}, {"27\" Monitor", "1", "199.50"},
        {"USB-C Cable", "5", "8.25"}, {"Keyboard", "1", "89.00"},
    };
    return table;
}

std::vector<std::string> markdownLines()
{
    const TableGrid& table = sampleTable();
    std::vector<std::size_t> widths(table.front().size(), 0);
    for (const TableRow& row : table)
        for (std::size_t c = 0; c < row.size(); ++c)
            widths[c] = std::max(widths[c], characterCount(row[c]));

    auto padded = [&](const TableRow& row) {
        std::vector<std::string> cells;
        for (std::size_t c = 0; c < row.size(); ++c)
            cells.push_back(pad(row[c], widths[c]));
        return joinRow(cells);
    };
    std::vector<std::string> lines{padded(table.front())};
    std::vector<std::string> dashes;
    for (std::size_t w : widths)
        dashes.emplace_back(w, '-');
    lines.push_back(joinRow(dashes));
    for (std::size_t r = 1; r < table.size(); ++r)
        lines.push_back(padded(table[r]));
    return lines;
}

std::vector<Step> steps()
{
    std::vector<Step> list;
    auto add = [&](int count, Phase phase, double t, double delay) {
        for (int i = 0; i < count; ++i)
            list.push_back({phase, t, delay});
    };
    add(6, Phase::Source, 0, 0.08);
    for (int i = 0; i <= 10; ++i)
        list.push_back({Phase::Drag, i / 10.0, 0.055});
    add(1, Phase::Drag, 1.0, 0.25);
    add(1, Phase::Flash, 1.0, 0.05);
    add(1, Phase::Flash, 0.4, 0.05);
    add(1, Phase::Result, 0, 0.1);
    add(12, Phase::Result, 1.0, 0.09);
    list.back().delay = finalDelay;
    return list;
}

Box selectionBox(double t)
{
    const Box full = tableRect.grown(8);
    return {full.x, full.y, full.width * t, full.height * std::min(1.0, 1.3 * t)};
}

std::string sizeLabel(double t)
{
    if (t <= 0.15)
        return {};
    const Box box = selectionBox(t);
    return std::to_string(static_cast<long>(box.width)) + "×" + std::to_string(static_cast<long>(box.height));
}

int visibleLineCount(double t)
{
    const int lines = static_cast<int>(markdownLines().size());
    return std::clamp(static_cast<int>(lines * t), 1, lines);
}

} // namespace DemoScript
