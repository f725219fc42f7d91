#pragma once

#include "ocr/TableGrid.h"

#include <string>
#include <vector>

// What the demo animation shows and when, free of any drawing library: the sample invoice, the frame schedule,
// the geometry the frames share and the texts that depend on progress. Coordinates are pixels of the 760 × 480
// canvas with the origin at the top left and y growing downward; the document window's title bar is on top.
namespace DemoScript {

struct Box
{
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;

    constexpr double right() const { return x + width; }
    constexpr double bottom() const { return y + height; }
    constexpr Box grown(double by) const { return {x - by, y - by, width + 2 * by, height + 2 * by}; }
};

enum class Phase
{
    Source, // the document window with the shortcut hint
    Drag,   // a selection box grows over the table
    Flash,  // the screen flashes white as the region is grabbed
    Result, // the clipboard card with the Markdown text and the heads-up message
};

struct Step
{
    Phase phase = Phase::Source;
    double t = 0;     // progress within the phase, 0 to 1
    double delay = 0; // seconds the frame stays on screen
};

inline constexpr int canvasWidth = 760;
inline constexpr int canvasHeight = 480;
inline constexpr Box card{60, 70, 640, 320};
inline constexpr double titlebarHeight = 38;
inline constexpr Box tableRect{card.x + 26, card.y + titlebarHeight + 22, card.width - 52,
                               card.height - titlebarHeight - 44};
inline constexpr Box hintBox{250, 414, 260, 36};
// The last frame stays this long so the finished table can be read before the loop restarts.
inline constexpr double finalDelay = 1.4;

// Returns the invoice shown in the demo and drawn into the sample PNG: five rows of three cells, header first.
const TableGrid& sampleTable();
// Returns the sample table as aligned Markdown, one string per line: header, dash separator, four data rows.
std::vector<std::string> markdownLines();
// Returns every frame of the animation in order: 33 steps, the last one held for finalDelay.
std::vector<Step> steps();
// Returns the selection box at drag progress t: it grows from the top-left corner of the table area widened by
// 8 pixels, its height running ahead of its width.
Box selectionBox(double t);
// Returns the size label drawn beside the selection box ("604×254"), or an empty string while the box is too
// small to carry one.
std::string sizeLabel(double t);
// Returns how many Markdown lines the result card shows at progress t: at least one, all of them at t = 1.
int visibleLineCount(double t);

} // namespace DemoScript
