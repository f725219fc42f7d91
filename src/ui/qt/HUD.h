#pragma once

#include <QString>

class QWidget;

// The heads-up message: one line of white text on a small dark rounded panel, centred low on the screen under
// the pointer, which fades in, stays about a second and fades out. It never takes the mouse or the focus.
namespace HUD {
inline constexpr int fadeInMs = 150;
inline constexpr int fadeOutStartMs = 1300; // counted from the call, not from the end of the fade-in
inline constexpr int fadeOutMs = 350;
// Padding around the text, in logical pixels.
inline constexpr int paddingX = 20;
inline constexpr int paddingY = 13;

// Shows the message, closing the current one at once. Returns immediately; main thread only.
void show(const QString& message);
// The message window shown now, or null.
QWidget* current();
} // namespace HUD
