#include "capture/x11/ScreenGrab.h"

#include <QPixmap>

std::optional<ScreenShot> X11ScreenGrabber::grab(QScreen* screen)
{
    if (!screen)
        return std::nullopt;
    // Window 0 is the root window, taken at the screen's position; the pixmap has the screen's device pixels.
    const QPixmap pixmap = screen->grabWindow(0);
    if (pixmap.isNull())
        return std::nullopt;
    QImage image = pixmap.toImage().convertToFormat(QImage::Format_RGB32);
    if (image.isNull())
        return std::nullopt;
    return ScreenShot{screen, screen->geometry(), std::move(image)};
}
