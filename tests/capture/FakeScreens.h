#pragma once

#include "capture/qt/ScreenGrabber.h"

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QScreen>

// A screen picture at `scale` device pixels per point: white, with a red square at points (10, 10)–(30, 30).
inline QImage fakeScreenImage(QSize points, qreal scale)
{
    QImage image(qRound(points.width() * scale), qRound(points.height() * scale), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.fillRect(QRectF(10 * scale, 10 * scale, 20 * scale, 20 * scale), Qt::red);
    return image;
}

// Serves fake pictures of the real (offscreen) screens, or fails every grab. A scale of 0 takes each screen's own
// device-pixel ratio, as a real grab does.
class FakeGrabber final : public ScreenGrabber
{
public:
    explicit FakeGrabber(bool works = true, qreal scale = 2)
        : m_works(works)
        , m_scale(scale)
    {}
    std::optional<ScreenShot> grab(QScreen* screen) override
    {
        ++grabs;
        if (!m_works)
            return std::nullopt;
        const qreal scale = m_scale > 0 ? m_scale : screen->devicePixelRatio();
        return ScreenShot{screen, screen->geometry(), fakeScreenImage(screen->geometry().size(), scale)};
    }
    int grabs = 0;

private:
    bool m_works;
    qreal m_scale;
};
