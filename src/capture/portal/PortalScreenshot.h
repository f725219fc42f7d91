#pragma once

#include "capture/qt/ScreenGrabber.h"

#include <QImage>
#include <QRect>
#include <QString>

#include <functional>

// Screen capture on Wayland, where a program cannot read the screen itself: org.freedesktop.portal.Screenshot
// takes one picture of the whole desktop, and the region picker then runs over that frozen picture. Main thread
// only.
namespace PortalScreenshot {
enum class Status
{
    Taken,
    Refused, // the portal refused, or the user cancelled its prompt: permission not granted
    Failed,  // no portal answered, or its picture could not be read
};

struct Outcome
{
    Status status = Status::Failed;
    QImage desktop;  // the whole desktop at device pixels; null unless taken
    QString problem; // why it failed, in words for the user
};

// Asks the portal for a non-interactive screenshot; `done` runs once, on a later turn of the event loop. The
// portal's file is read and then removed: it holds the whole desktop, and only the selected pixels may stay. A
// file that is no picture is left alone, and a picture that does not fit the screens' layout is not used.
void take(std::function<void(Outcome)> done);

// Returns the part of `desktop` (a picture of `desktopRect`, in logical coordinates) that shows `screenRect`. The
// scale comes from the picture's size, never from a device-pixel ratio: the portal decides the resolution. A null
// image when the screen lies outside the picture.
QImage screenPart(const QImage& desktop, const QRect& desktopRect, const QRect& screenRect);
} // namespace PortalScreenshot

// The capture's preparation in a portal session: the picture comes before the pickers, and the portal's answer
// is the permission.
namespace PortalCapture {
// Takes the desktop picture for the next selection, then runs `proceed`, also when the portal refused (the capture
// flow then finds the permission missing and says so). When no picture came (no portal, an unreadable or
// mismatched one) the heads-up message says why and `proceed` does not run. Dropped while an earlier preparation
// is in flight.
void prepare(std::function<void()> proceed);
// False once the portal has refused or the user cancelled its prompt, until it grants again. Asks nothing.
bool granted();
// Asks the portal once, so that its permission prompt appears; the picture is thrown away.
void askPermission();
// The picture the last preparation took, consumed screen by screen by PortalScreenGrabber; null when none waits.
QImage& frozenDesktop();
} // namespace PortalCapture

// Serves each screen's part of the picture PortalCapture::prepare took. Without one, every grab fails, which the
// capture flow reports as a region it could not capture.
class PortalScreenGrabber final : public ScreenGrabber
{
public:
    std::optional<ScreenShot> grab(QScreen* screen) override;
};
