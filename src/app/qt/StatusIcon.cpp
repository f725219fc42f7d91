#include "app/qt/StatusIcon.h"

#include <QFont>
#include <QGuiApplication>
#include <QPainter>
#include <QPalette>
#include <QPixmap>

namespace StatusIcon {
QIcon image()
{
    for (const char* name : {"edit-find", "insert-text"}) {
        const QIcon themed = QIcon::fromTheme(QString::fromLatin1(name));
        if (!themed.isNull())
            return themed;
    }
    return drawn(QGuiApplication::palette().color(QPalette::WindowText));
}

QIcon drawn(const QColor& color)
{
    QIcon icon;
    // An 18 × 16 frame with a "T" in it, drawn at each size a tray may ask for so no size is a blurred copy.
    for (const qreal scale : {1.0, 2.0, 3.0}) {
        QPixmap pixmap(qRound(18 * scale), qRound(16 * scale));
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(scale, scale);
        painter.setPen(QPen(color, 1.3));
        painter.drawRoundedRect(QRectF(1.5, 1.5, 15, 13), 2, 2);
        QFont font = QGuiApplication::font();
        font.setPixelSize(10);
        font.setBold(true);
        painter.setFont(font);
        painter.drawText(QRectF(1.5, 1.5, 15, 13), Qt::AlignCenter, QStringLiteral("T"));
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}
} // namespace StatusIcon
