#pragma once

#include "sources/Image.h"

#include <QImage>
#include <QPointer>
#include <QRect>
#include <QScreen>

#include <optional>

class QRectF;

// A frozen picture of one screen, taken before the region picker covers it: what the user saw when the capture
// started is what gets recognized.
struct ScreenShot
{
    QPointer<QScreen> screen;
    QRect geometry; // the screen's logical geometry on the desktop
    QImage image;   // at the screen's device pixels, which need not match any other screen's

    // Returns the pixels under `globalRect` (logical desktop coordinates), cropped at device pixels; no value when
    // the rectangle misses the screen.
    std::optional<Image> crop(const QRectF& globalRect) const;
};

// Takes the frozen pictures. Implementations: capture/x11/ScreenGrab.h; NullScreenGrabber where none works.
class ScreenGrabber
{
public:
    virtual ~ScreenGrabber() = default;
    // No value when the screen could not be read; never throws.
    virtual std::optional<ScreenShot> grab(QScreen* screen) = 0;
};

class NullScreenGrabber final : public ScreenGrabber
{
public:
    std::optional<ScreenShot> grab(QScreen*) override { return std::nullopt; }
};
