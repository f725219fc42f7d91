#pragma once

#include "capture/qt/ScreenGrabber.h"

// Reads a screen's pixels from the X server's root window, where every monitor has its place: without a compositor
// nothing hides from it, and with one the root holds the composited picture, so this is what the user sees.
class X11ScreenGrabber final : public ScreenGrabber
{
public:
    std::optional<ScreenShot> grab(QScreen* screen) override;
};
