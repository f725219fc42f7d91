#include "capture/Selection.h"

#include <algorithm>
#include <cmath>

namespace Selection {
Box between(double startX, double startY, double currentX, double currentY)
{
    return Box{std::min(startX, currentX), std::min(startY, currentY), std::abs(startX - currentX),
               std::abs(startY - currentY)};
}

bool isLargeEnough(const Box& box)
{
    return box.width >= minimumSide && box.height >= minimumSide;
}

std::optional<PixelBox> devicePixels(const Box& box, double screenWidth, double screenHeight, int imageWidth,
                                     int imageHeight)
{
    if (screenWidth <= 0 || screenHeight <= 0 || imageWidth <= 0 || imageHeight <= 0)
        return std::nullopt;
    const double scaleX = imageWidth / screenWidth;
    const double scaleY = imageHeight / screenHeight;
    // Round the edges, not the size, so two boxes that touch in points touch in pixels too.
    const double left = std::clamp(std::round(box.x * scaleX), 0.0, double(imageWidth));
    const double top = std::clamp(std::round(box.y * scaleY), 0.0, double(imageHeight));
    const double right = std::clamp(std::round((box.x + box.width) * scaleX), 0.0, double(imageWidth));
    const double bottom = std::clamp(std::round((box.y + box.height) * scaleY), 0.0, double(imageHeight));
    if (right <= left || bottom <= top)
        return std::nullopt;
    return PixelBox{int(left), int(top), int(right - left), int(bottom - top)};
}
} // namespace Selection
