#pragma once

#include "ocr/TextRun.h"
#include "ocr/tesseract/LineBoxes.h"
#include "sources/Image.h"

#include <array>
#include <cstdint>
#include <vector>

// Pixels as Tesseract reads them best: dark text on a light ground, capitals well above 20 px, and a white
// border. Screen captures break all three (9-14 px UI fonts, dark themes, crops tight around the text), so the
// recognizer prepares them here and maps every box back to the original image.
namespace ScreenText {
// A grey image we may still write to; rows run top row first.
struct Grey
{
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;

    std::uint8_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
    // A view for readers of Image; valid while this value lives and is not resized.
    Image view() const;
};

// The image Tesseract is given and how it relates to the original.
struct Prepared
{
    Grey grey;
    double scale = 1; // prepared pixels per original pixel
    int margin = 0;   // white border added on every side, in prepared pixels
    bool inverted = false;
    int textHeight = 0; // estimated height of a text line's ink in original pixels, 0 when no text was seen
};

// Returns the image in grey with transparency composed over white.
Grey greyOf(const Image& image);

// A corner of a barcode, in pixels with the origin top-left.
struct Point
{
    double x = 0;
    double y = 0;
};

// Fills the convex quadrilateral `corners` (in order around it), grown by `margin` pixels, with white.
void blank(Grey& grey, const std::array<Point, 4>& corners, int margin);

// Inverts the image when its ground is dark (light text of dark themes and terminals); true when it did.
bool invertIfDark(Grey& grey);

// Returns the median height of the horizontal bands of ink, ignoring ruling lines, in pixels; 0 when none.
int textHeight(const Grey& grey);

// Turns text on an even shade (a shaded header, striped rows, light text on a coloured band) into dark text on
// white, so that rule removal and thresholding do not take the band, text and all, for one dark area.
void clearShading(Grey& grey, int textHeight);

// Whitens horizontal and vertical runs of ink at least `minRun` pixels long: table rules and frames. Tesseract
// takes a frame touching the text for one huge glyph and, reading a single block, then loses the whole table.
void removeRules(Grey& grey, int minRun);

// Returns the image prepared for recognition: inverted when the ground is still dark, rid of table rules, scaled up
// when the text is small (never beyond `maxPixels` in all), and framed in white.
Prepared prepare(Grey grey, std::int64_t maxPixels);

// Returns the tight box of the ink inside `box`, or `box` itself when it holds no ink. Tesseract's LSTM engine
// sometimes reports a symbol half again as tall as its glyph (an "o" reaching into the next line), and that
// stretches every word and line box it belongs to.
LineBoxes::PixelBox inkBox(const Grey& grey, const LineBoxes::PixelBox& box);

// Returns a box of the prepared image as a rectangle in pixels of the original image, origin bottom-left,
// clipped to that image.
Rect toOriginal(const LineBoxes::PixelBox& box, const Prepared& prepared, int originalWidth, int originalHeight);
} // namespace ScreenText
