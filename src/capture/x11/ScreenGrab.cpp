#include "capture/x11/ScreenGrab.h"

#include <QGuiApplication>
#include <QPixmap>

#include <xcb/xcb.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {
// Reads the root window's pixels under the screen straight from the X server. Qt keeps a screen's top-left corner
// in device pixels and scales only its size, so the device rectangle is the logical origin with the size times
// the screen's own ratio. No value for pixel layouts other than the usual 32-bit little-endian true colour.
std::optional<QImage> rootPixels(const QScreen& screen)
{
    auto* x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* c = x11 ? x11->connection() : nullptr;
    if (!c)
        return std::nullopt;
    const xcb_setup_t* setup = xcb_get_setup(c);
    const xcb_screen_t* xscreen = xcb_setup_roots_iterator(setup).data;
    if (setup->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST
        || (xscreen->root_depth != 24 && xscreen->root_depth != 32))
        return std::nullopt;

    const QRect logical = screen.geometry();
    const qreal ratio = screen.devicePixelRatio();
    const int width = int(std::lround(logical.width() * ratio));
    const int height = int(std::lround(logical.height() * ratio));
    if (width <= 0 || height <= 0 || width > 32767 || height > 32767)
        return std::nullopt;
    auto freeReply = [](void* reply) { std::free(reply); };
    std::unique_ptr<xcb_get_image_reply_t, decltype(freeReply)> reply{
        xcb_get_image_reply(c,
                            xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, xscreen->root, std::int16_t(logical.x()),
                                          std::int16_t(logical.y()), std::uint16_t(width), std::uint16_t(height), ~0u),
                            nullptr),
        freeReply};
    if (!reply || xcb_get_image_data_length(reply.get()) < width * height * 4)
        return std::nullopt;
    QImage image(width, height, QImage::Format_RGB32); // B, G, R, X in memory: the server's order here
    const std::uint8_t* data = xcb_get_image_data(reply.get());
    for (int y = 0; y < height; ++y) {
        std::uint8_t* line = image.scanLine(y);
        std::memcpy(line, data + std::size_t(y) * width * 4, std::size_t(width) * 4);
        // The server leaves the fourth byte as the client drew it, often 0; QImage's RGB32 promises 0xFF there,
        // and a 0 would read as fully transparent, turning the whole capture white.
        for (int x = 0; x < width; ++x)
            line[4 * x + 3] = 0xFF;
    }
    return image;
}
} // namespace

std::optional<ScreenShot> X11ScreenGrabber::grab(QScreen* screen)
{
    if (!screen)
        return std::nullopt;
    std::optional<QImage> image = rootPixels(*screen);
    if (!image) {
        const QPixmap pixmap = screen->grabWindow(0);
        if (pixmap.isNull())
            return std::nullopt;
        image = pixmap.toImage().convertToFormat(QImage::Format_RGB32);
    }
    if (image->isNull())
        return std::nullopt;
    return ScreenShot{screen, screen->geometry(), std::move(*image)};
}
