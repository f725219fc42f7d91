#include "ocr/Lines.h"

#include "ocr/OCRResult.h"
#include "ocr/PageLayout.h"

#include <algorithm>
#include <cmath>

std::optional<double> median(std::vector<double> values)
{
    if (values.empty())
        return std::nullopt;
    const auto mid = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), mid, values.end());
    return *mid;
}

std::vector<std::vector<TextRun>> rowsOf(const std::vector<TextRun>& runs)
{
    std::vector<std::vector<TextRun>> rows;
    if (runs.empty())
        return rows;

    std::vector<TextRun> sorted = runs;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const TextRun& a, const TextRun& b) { return a.box.midY() > b.box.midY(); });

    std::vector<double> heights;
    heights.reserve(sorted.size());
    for (const TextRun& run : sorted)
        heights.push_back(run.box.height);
    const double typicalHeight = median(std::move(heights)).value_or(12);
    const double tolerance = std::max(0.6 * typicalHeight, 4.0);

    // The anchor is the row's first run, not a running mean: a slanted line splits rather than drifting on.
    std::vector<TextRun> current;
    double anchor = sorted.front().box.midY();
    for (TextRun& run : sorted) {
        if (std::abs(run.box.midY() - anchor) > tolerance && !current.empty()) {
            rows.push_back(std::move(current));
            current.clear();
        }
        if (current.empty())
            anchor = run.box.midY();
        current.push_back(std::move(run));
    }
    if (!current.empty())
        rows.push_back(std::move(current));
    return rows;
}

std::string OCRResult::plainText() const
{
    if (isPage())
        return PageLayout::render(blocks, Settings::OutputMode::PlainText);
    if (exactText)
        return *exactText;
    std::string text;
    bool firstRow = true;
    for (std::vector<TextRun>& row : rowsOf(lines)) {
        std::stable_sort(row.begin(), row.end(),
                         [](const TextRun& a, const TextRun& b) { return a.box.minX() < b.box.minX(); });
        if (!firstRow)
            text += '\n';
        firstRow = false;
        bool firstRun = true;
        for (const TextRun& run : row) {
            if (!firstRun)
                text += ' ';
            firstRun = false;
            text += run.text;
        }
    }
    return text;
}
