#pragma once

#include <string>

// A rectangle in pixels of a recognized image, origin at the bottom-left corner, y growing upward.
struct Rect
{
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;

    double minX() const { return x; }
    double maxX() const { return x + width; }
    double minY() const { return y; }
    double maxY() const { return y + height; }
    double midX() const { return x + width / 2; }
    double midY() const { return y + height / 2; }
    bool operator==(const Rect&) const = default;
};

// One piece of recognized text (a whole line or one word) with its box.
struct TextRun
{
    std::string text;
    Rect box;
    bool operator==(const TextRun&) const = default;
};
