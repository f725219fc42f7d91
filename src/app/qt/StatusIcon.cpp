#include "app/qt/StatusIcon.h"

#include <QFont>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QPixmap>

namespace StatusIcon {
namespace {
// The selection's four corners, in the 16-unit square of ambrel-symbolic.svg.
void drawCorners(QPainter& painter)
{
    QPainterPath corners;
    corners.moveTo(1.75, 5), corners.lineTo(1.75, 1.75), corners.lineTo(5, 1.75);
    corners.moveTo(11, 1.75), corners.lineTo(14.25, 1.75), corners.lineTo(14.25, 5);
    corners.moveTo(14.25, 11), corners.lineTo(14.25, 14.25), corners.lineTo(11, 14.25);
    corners.moveTo(5, 14.25), corners.lineTo(1.75, 14.25), corners.lineTo(1.75, 11);
    painter.drawPath(corners);
}

QPixmap symbol(const QColor& color, int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 16.0, size / 16.0);
    painter.setPen(QPen(color, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    drawCorners(painter);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    // The table: a header bar, two row lines and three column lines.
    painter.drawRect(QRectF(4.5, 4.75, 7, 1.5));
    painter.drawRect(QRectF(4.5, 7.25, 7, 1));
    painter.drawRect(QRectF(4.5, 9.75, 7, 1));
    for (const qreal x : {4.5, 7.5, 10.5})
        painter.drawRect(QRectF(x, 4.75, 1, 6));
    return pixmap;
}

QPixmap tile(int size)
{
    // ambrel.svg: a 128-unit square.
    const QColor blue(0x2f, 0x6f, 0xde);
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 128.0, size / 128.0);
    painter.setPen(Qt::NoPen);
    painter.setBrush(blue);
    painter.drawRoundedRect(QRectF(8, 8, 112, 112), 24, 24);
    painter.setBrush(Qt::white);
    painter.drawRoundedRect(QRectF(32, 38, 64, 52), 4, 4);
    painter.setPen(QPen(blue, 3));
    painter.drawLine(QPointF(32, 55.5), QPointF(96, 55.5));
    painter.drawLine(QPointF(32, 72.5), QPointF(96, 72.5));
    painter.drawLine(QPointF(53.5, 38), QPointF(53.5, 90));
    painter.drawLine(QPointF(74.5, 38), QPointF(74.5, 90));
    painter.setBrush(Qt::NoBrush);
    painter.scale(8, 8); // the corners in the symbol's 16-unit square, which is where they sit on the tile
    painter.setPen(QPen(Qt::white, 0.75, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    QPainterPath corners;
    corners.moveTo(2.75, 4.75), corners.lineTo(2.75, 2.75), corners.lineTo(4.75, 2.75);
    corners.moveTo(11.25, 2.75), corners.lineTo(13.25, 2.75), corners.lineTo(13.25, 4.75);
    corners.moveTo(13.25, 11.25), corners.lineTo(13.25, 13.25), corners.lineTo(11.25, 13.25);
    corners.moveTo(4.75, 13.25), corners.lineTo(2.75, 13.25), corners.lineTo(2.75, 11.25);
    painter.drawPath(corners);
    return pixmap;
}
} // namespace

QIcon image()
{
    const QIcon themed = QIcon::fromTheme(QStringLiteral("ambrel-symbolic"));
    if (!themed.isNull() && !themed.availableSizes().isEmpty())
        return themed;
    return drawn(QGuiApplication::palette().color(QPalette::WindowText));
}

QIcon drawn(const QColor& color)
{
    QIcon icon;
    // Drawn at each size a tray may ask for, so that no size is a blurred copy.
    for (const int size : {16, 22, 24, 32, 48, 64})
        icon.addPixmap(symbol(color, size));
    return icon;
}

QIcon appIcon()
{
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(tile(size));
    return icon;
}
} // namespace StatusIcon
