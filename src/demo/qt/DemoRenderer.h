#pragma once

#include "demo/DemoScript.h"

#include <QImage>

#include <iosfwd>
#include <string>

// Pictures of the program at work, made without running it: the looping demo GIF of a capture and the still
// sample invoice. Both commands draw on the offscreen platform, so they need no display.
namespace DemoRenderer {

// Writes the demo animation as a GIF at path and reports it on out; returns the exit status (0, or 1 when the
// file cannot be created, reported on err).
int run(const std::string& path, std::ostream& out, std::ostream& err);
// Writes the sample invoice as a PNG at path and reports it on out; returns the exit status (0, or 1 when the
// file cannot be written, reported on err).
int writeSamplePNG(const std::string& path, std::ostream& out, std::ostream& err);

// Returns one 760 × 480 frame of the animation. Needs a QGuiApplication (run and writeSamplePNG make their own).
QImage frame(DemoScript::Phase phase, double t);
// Returns the 620 × 480 sample invoice. Needs a QGuiApplication.
QImage sampleImage();

} // namespace DemoRenderer
