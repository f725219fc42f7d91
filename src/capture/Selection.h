#pragma once

#include <optional>

// The geometry of a region selection. Points are the desktop's logical coordinates (origin top-left, y down, as
// Qt reports them); pixels are those of a screen's frozen image, which may be denser.
namespace Selection {
struct Box
{
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;
    bool operator==(const Box&) const = default;
};

struct PixelBox
{
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const PixelBox&) const = default;
};

// The smallest box a drag must span in both directions; anything smaller, a plain click included, cancels.
inline constexpr double minimumSide = 3.0;

// Returns the box between the point where the drag started and where it is now, whichever way it went.
Box between(double startX, double startY, double currentX, double currentY);
bool isLargeEnough(const Box& box);

// Returns the pixels of `box` (in points, relative to the screen's top-left corner) in the screen's frozen image.
// The scale comes from the image and the screen size in each direction, so a screen of 1.5 × density gets 1.5 ×
// pixels whatever the other screens use. The box is clipped to the image; no value when nothing is left.
std::optional<PixelBox> devicePixels(const Box& box, double screenWidth, double screenHeight, int imageWidth,
                                     int imageHeight);
} // namespace Selection
