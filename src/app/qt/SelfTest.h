#pragma once

#include "sources/Image.h"

#include <iosfwd>

// `ambrel --selftest`: draws a small table of known content, recognizes it with the capture path's recognizer and
// prints what came back, for a person to compare. Always returns 0.
namespace SelfTest {
int run(std::ostream& out);
// Draws the 4 × 3 sample table in black on white, 200 × 50 pixels per cell, with no ruling lines.
Image renderTable();
} // namespace SelfTest
