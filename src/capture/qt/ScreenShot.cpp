#include "capture/Selection.h"
#include "capture/qt/ScreenGrabber.h"
#include "sources/qt/QtImage.h"

#include <QRectF>

std::optional<Image> ScreenShot::crop(const QRectF& globalRect) const
{
    const Selection::Box local{globalRect.x() - geometry.x(), globalRect.y() - geometry.y(), globalRect.width(),
                               globalRect.height()};
    const auto pixels =
        Selection::devicePixels(local, geometry.width(), geometry.height(), image.width(), image.height());
    if (!pixels)
        return std::nullopt;
    // copy() detaches the region from the whole screen's buffer, so only the region stays in memory.
    QImage region = image.copy(pixels->x, pixels->y, pixels->width, pixels->height);
    region.setDevicePixelRatio(1);
    Image result = QtImage::fromQImage(region);
    if (result.isNull())
        return std::nullopt;
    return result;
}
