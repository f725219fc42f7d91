#pragma once

#include "ocr/OCRResult.h"

#include <string>
#include <utility>

namespace TableResult {
inline TextRun run(std::string text, double x, double y, double w = 40, double h = 20)
{
    return TextRun{std::move(text), Rect{x, y, w, h}};
}

// A two-column table of three rows, words far apart, with its line runs: what the recognizer gives for one.
inline OCRResult table()
{
    OCRResult result;
    const char* cells[3][2] = {{"Item", "Price"}, {"Tea", "4"}, {"Cake", "6"}};
    for (int row = 0; row < 3; ++row) {
        const double y = 120 - 40 * row;
        result.words.push_back(run(cells[row][0], 0, y));
        result.words.push_back(run(cells[row][1], 200, y));
        result.lines.push_back(run(std::string(cells[row][0]) + " " + cells[row][1], 0, y, 240));
    }
    return result;
}
} // namespace TableResult
