#include "ui/qt/Glyphs.h"

#include "app/qt/StatusIcon.h"

#include <QFont>
#include <QGuiApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>

#include <cmath>
#include <numbers>

namespace Glyphs {
namespace {
// The colours the design gives these symbols whatever the palette: an orange pin, a green "granted" and an amber
// warning; everything else takes the text colour.
std::optional<QColor> ownColor(Symbol symbol)
{
    switch (symbol) {
    case Symbol::Pin:
        return QColor(0xf0, 0x8a, 0x24);
    case Symbol::CheckCircle:
        return QColor(0x2e, 0xa0, 0x43);
    case Symbol::Warning:
        return QColor(0xe5, 0xa5, 0x0a);
    default:
        return std::nullopt;
    }
}

void drawTable(QPainter& p)
{
    p.drawRoundedRect(QRectF(1.5, 2.5, 13, 11), 1.5, 1.5);
    p.drawLine(QPointF(1.5, 6.2), QPointF(14.5, 6.2));
    p.drawLine(QPointF(1.5, 9.9), QPointF(14.5, 9.9));
    p.drawLine(QPointF(6, 2.5), QPointF(6, 13.5));
}

// Draws a symbol in a 16 × 16 box with the painter's pen and brush colour.
void drawSymbol(QPainter& p, Symbol symbol, const QColor& color)
{
    const QPen pen(color, 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    switch (symbol) {
    case Symbol::Camera:
        p.drawRoundedRect(QRectF(1.5, 4.5, 13, 9.5), 2, 2);
        p.drawLine(QPointF(5.5, 4.5), QPointF(6.5, 2.5));
        p.drawLine(QPointF(6.5, 2.5), QPointF(9.5, 2.5));
        p.drawLine(QPointF(9.5, 2.5), QPointF(10.5, 4.5));
        p.drawEllipse(QPointF(8, 9.2), 2.6, 2.6);
        break;
    case Symbol::TextFinder:
        StatusIcon::drawn(color).paint(&p, QRect(0, 0, 16, 16));
        break;
    case Symbol::Document: {
        QPainterPath page;
        page.moveTo(3.5, 1.5);
        page.lineTo(9.5, 1.5);
        page.lineTo(12.5, 4.5);
        page.lineTo(12.5, 14.5);
        page.lineTo(3.5, 14.5);
        page.closeSubpath();
        p.drawPath(page);
        p.drawLine(QPointF(9.5, 1.5), QPointF(9.5, 4.5));
        p.drawLine(QPointF(9.5, 4.5), QPointF(12.5, 4.5));
        for (double y : {7.5, 10.0, 12.5})
            p.drawLine(QPointF(5.5, y), QPointF(y > 12 ? 8.5 : 10.5, y));
        break;
    }
    case Symbol::Batch:
        drawTable(p);
        p.setPen(Qt::NoPen);
        p.setBrush(color);
        for (double x : {9.0, 11.2, 13.4})
            p.drawEllipse(QPointF(x, 15), 0.9, 0.9);
        break;
    case Symbol::Table:
        drawTable(p);
        break;
    case Symbol::TextLines:
        for (auto [y, w] : {std::pair{3.5, 12.0}, {6.5, 9.0}, {9.5, 12.0}, {12.5, 7.0}})
            p.drawLine(QPointF(2, y), QPointF(2 + w, y));
        break;
    case Symbol::Search:
        p.drawEllipse(QPointF(6.5, 6.5), 4.5, 4.5);
        p.setPen(QPen(color, 2.0, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(10, 10), QPointF(14, 14));
        break;
    case Symbol::Trash: {
        p.drawLine(QPointF(2, 4), QPointF(14, 4));
        p.drawPolyline(QPolygonF({QPointF(6, 4), QPointF(6, 2), QPointF(10, 2), QPointF(10, 4)}));
        p.drawPolyline(QPolygonF({QPointF(3.5, 4), QPointF(4.5, 14.5), QPointF(11.5, 14.5), QPointF(12.5, 4)}));
        p.drawLine(QPointF(6.7, 7), QPointF(6.7, 12));
        p.drawLine(QPointF(9.3, 7), QPointF(9.3, 12));
        break;
    }
    case Symbol::History: {
        const QRectF face(2, 2.5, 12, 12);
        p.drawArc(face, 150 * 16, -300 * 16);
        // The arrow at the open end of the circle, pointing back the way the hands turn.
        const double a = 150 * std::numbers::pi / 180;
        const QPointF tip(8 + 6 * std::cos(a), 8.5 - 6 * std::sin(a));
        p.drawPolyline(QPolygonF({tip + QPointF(-2.2, -0.6), tip, tip + QPointF(0.6, -2.2)}));
        p.drawPolyline(QPolygonF({QPointF(8, 5), QPointF(8, 8.5), QPointF(10.5, 10)}));
        break;
    }
    case Symbol::Help: {
        p.drawEllipse(QPointF(8, 8), 6.5, 6.5);
        QFont font = QGuiApplication::font();
        font.setPixelSize(10);
        font.setBold(true);
        p.setFont(font);
        p.drawText(QRectF(1.5, 1.5, 13, 13), Qt::AlignCenter, QStringLiteral("?"));
        break;
    }
    case Symbol::Settings:
        p.drawEllipse(QPointF(8, 8), 2.2, 2.2);
        p.drawEllipse(QPointF(8, 8), 4.8, 4.8);
        p.setPen(QPen(color, 2.2, Qt::SolidLine, Qt::FlatCap));
        for (int i = 0; i < 8; ++i) {
            const double a = i * std::numbers::pi / 4;
            p.drawLine(QPointF(8 + 4.8 * std::cos(a), 8 + 4.8 * std::sin(a)),
                       QPointF(8 + 6.8 * std::cos(a), 8 + 6.8 * std::sin(a)));
        }
        break;
    case Symbol::Power:
        p.drawArc(QRectF(2, 2.5, 12, 12), 120 * 16, 300 * 16);
        p.drawLine(QPointF(8, 1.2), QPointF(8, 7.5));
        break;
    case Symbol::Pin: {
        p.setBrush(color);
        QPainterPath head;
        head.addRoundedRect(QRectF(4.5, 1.5, 7, 3), 1, 1);
        head.addPolygon(QPolygonF({QPointF(6, 4.5), QPointF(10, 4.5), QPointF(12, 9), QPointF(4, 9)}));
        p.drawPath(head.simplified());
        p.drawLine(QPointF(8, 9), QPointF(8, 15));
        break;
    }
    case Symbol::Check:
        p.setPen(QPen(color, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolyline(QPolygonF({QPointF(3, 8.5), QPointF(6.5, 12), QPointF(13, 4.5)}));
        break;
    case Symbol::CheckCircle:
        p.setPen(Qt::NoPen);
        p.setBrush(color);
        p.drawEllipse(QPointF(8, 8), 7, 7);
        p.setPen(QPen(Qt::white, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolyline(QPolygonF({QPointF(4.5, 8.3), QPointF(7, 10.8), QPointF(11.5, 5.5)}));
        break;
    case Symbol::Warning: {
        p.setBrush(color);
        p.setPen(QPen(color, 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolygon(QPolygonF({QPointF(8, 1.5), QPointF(15, 14), QPointF(1, 14)}));
        p.setPen(QPen(Qt::white, 1.8, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(8, 5.8), QPointF(8, 9.5));
        p.drawPoint(QPointF(8, 12));
        break;
    }
    // The document window's symbols were drawn for any size s; here s is the 16-unit box.
    case Symbol::Folder: {
        const qreal s = 16;
        QPainterPath folder;
        folder.moveTo(s * 0.1, s * 0.8);
        folder.lineTo(s * 0.1, s * 0.22);
        folder.lineTo(s * 0.38, s * 0.22);
        folder.lineTo(s * 0.48, s * 0.32);
        folder.lineTo(s * 0.9, s * 0.32);
        folder.lineTo(s * 0.9, s * 0.8);
        folder.closeSubpath();
        p.drawPath(folder);
        p.drawLine(QPointF(s * 0.1, s * 0.44), QPointF(s * 0.9, s * 0.44));
        break;
    }
    case Symbol::Clipboard: {
        const qreal s = 16;
        p.drawRoundedRect(QRectF(s * 0.18, s * 0.16, s * 0.64, s * 0.74), s * 0.08, s * 0.08);
        p.drawRoundedRect(QRectF(s * 0.36, s * 0.08, s * 0.28, s * 0.16), s * 0.05, s * 0.05);
        p.drawLine(QPointF(s * 0.32, s * 0.46), QPointF(s * 0.68, s * 0.46));
        p.drawLine(QPointF(s * 0.32, s * 0.64), QPointF(s * 0.58, s * 0.64));
        break;
    }
    case Symbol::Save: {
        const qreal s = 16;
        p.drawLine(QPointF(s * 0.5, s * 0.1), QPointF(s * 0.5, s * 0.6));
        QPainterPath head;
        head.moveTo(s * 0.3, s * 0.42);
        head.lineTo(s * 0.5, s * 0.62);
        head.lineTo(s * 0.7, s * 0.42);
        p.drawPath(head);
        QPainterPath tray;
        tray.moveTo(s * 0.12, s * 0.62);
        tray.lineTo(s * 0.12, s * 0.88);
        tray.lineTo(s * 0.88, s * 0.88);
        tray.lineTo(s * 0.88, s * 0.62);
        p.drawPath(tray);
        break;
    }
    case Symbol::Info: {
        const qreal s = 16;
        p.setPen(QPen(color, s * 0.1));
        p.drawEllipse(QRectF(s * 0.08, s * 0.08, s * 0.84, s * 0.84));
        p.setPen(Qt::NoPen);
        p.setBrush(color);
        p.drawEllipse(QPointF(s * 0.5, s * 0.3), s * 0.07, s * 0.07);
        p.drawRoundedRect(QRectF(s * 0.44, s * 0.43, s * 0.12, s * 0.33), s * 0.04, s * 0.04);
        break;
    }
    case Symbol::DropTarget: {
        const qreal s = 16;
        QPen pen(color, s * 0.055, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        p.setPen(pen);
        const qreal m = s * 0.06;
        const qreal arm = s * 0.22;
        const qreal r = s * 0.08;
        const QRectF box(m, m, s - 2 * m, s - 2 * m);
        QPainterPath corners;
        corners.moveTo(box.left(), box.top() + arm);
        corners.arcTo(QRectF(box.left(), box.top(), 2 * r, 2 * r), 180, -90);
        corners.lineTo(box.left() + arm, box.top());
        corners.moveTo(box.right() - arm, box.top());
        corners.arcTo(QRectF(box.right() - 2 * r, box.top(), 2 * r, 2 * r), 90, -90);
        corners.lineTo(box.right(), box.top() + arm);
        corners.moveTo(box.right(), box.bottom() - arm);
        corners.arcTo(QRectF(box.right() - 2 * r, box.bottom() - 2 * r, 2 * r, 2 * r), 0, -90);
        corners.lineTo(box.right() - arm, box.bottom());
        corners.moveTo(box.left() + arm, box.bottom());
        corners.arcTo(QRectF(box.left(), box.bottom() - 2 * r, 2 * r, 2 * r), 270, -90);
        corners.lineTo(box.left(), box.bottom() - arm);
        p.drawPath(corners);
        // The page, with a folded corner and three lines of text.
        const QRectF page(s * 0.30, s * 0.24, s * 0.40, s * 0.52);
        const qreal fold = s * 0.11;
        QPainterPath sheet;
        sheet.moveTo(page.left(), page.top());
        sheet.lineTo(page.right() - fold, page.top());
        sheet.lineTo(page.right(), page.top() + fold);
        sheet.lineTo(page.right(), page.bottom());
        sheet.lineTo(page.left(), page.bottom());
        sheet.closeSubpath();
        sheet.moveTo(page.right() - fold, page.top());
        sheet.lineTo(page.right() - fold, page.top() + fold);
        sheet.lineTo(page.right(), page.top() + fold);
        pen.setWidthF(s * 0.045);
        p.setPen(pen);
        p.drawPath(sheet);
        for (int i = 0; i < 3; ++i) {
            const qreal y = page.top() + page.height() * (0.42 + 0.18 * i);
            const qreal right = i == 2 ? page.left() + page.width() * 0.55 : page.right() - page.width() * 0.2;
            p.drawLine(QPointF(page.left() + page.width() * 0.2, y), QPointF(right, y));
        }
        break;
    }
    }
}

// Paints at whatever size is asked, so the symbol stays sharp at every scale.
class DrawnEngine final : public QIconEngine
{
public:
    DrawnEngine(Symbol symbol, std::optional<QColor> color)
        : m_symbol(symbol)
        , m_color(color)
    {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override
    {
        QColor color = m_color.value_or(QGuiApplication::palette().color(
            mode == QIcon::Disabled ? QPalette::Disabled : QPalette::Normal, QPalette::WindowText));
        if (mode == QIcon::Disabled && m_color)
            color.setAlphaF(0.4);
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        const qreal side = std::min(rect.width(), rect.height());
        painter->translate(rect.x() + (rect.width() - side) / 2, rect.y() + (rect.height() - side) / 2);
        painter->scale(side / 16, side / 16);
        drawSymbol(*painter, m_symbol, color);
        painter->restore();
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return scaledPixmap(size, mode, state, 1.0);
    }

    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override
    {
        QPixmap pixmap(size * scale);
        pixmap.fill(Qt::transparent);
        {
            QPainter painter(&pixmap);
            paint(&painter, QRect(QPoint(), pixmap.size()), mode, state);
        }
        pixmap.setDevicePixelRatio(scale);
        return pixmap;
    }

    QIconEngine* clone() const override { return new DrawnEngine(m_symbol, m_color); }
    QString key() const override { return QStringLiteral("AmbrelDrawn"); }

private:
    Symbol m_symbol;
    std::optional<QColor> m_color;
};
} // namespace

const char* themeName(Symbol symbol)
{
    switch (symbol) {
    case Symbol::Camera:
        return "camera-photo";
    case Symbol::Document:
        return "document-open";
    case Symbol::Batch:
        return "x-office-spreadsheet";
    case Symbol::Table:
        return "x-office-spreadsheet";
    case Symbol::TextLines:
        return "format-justify-left";
    case Symbol::Search:
        return "edit-find";
    case Symbol::Trash:
        return "edit-delete";
    case Symbol::History:
        return "document-open-recent";
    case Symbol::Help:
        return "help-contents";
    case Symbol::Settings:
        return "preferences-system";
    case Symbol::Power:
        return "application-exit";
    case Symbol::Warning:
        return "dialog-warning";
    case Symbol::Folder:
        return "document-open";
    case Symbol::Clipboard:
        return "edit-copy";
    case Symbol::Save:
        return "document-save";
    case Symbol::Info:
        return "dialog-information";
    case Symbol::TextFinder: // the application icon, which has its own fallback
    case Symbol::Pin:        // these keep the design's colours, which no theme promises
    case Symbol::Check:
    case Symbol::CheckCircle:
    case Symbol::DropTarget:
        return "";
    }
    return "";
}

QIcon icon(Symbol symbol)
{
    if (symbol == Symbol::TextFinder)
        return StatusIcon::image();
    const char* name = themeName(symbol);
    if (*name != '\0') {
        const QIcon themed = QIcon::fromTheme(QString::fromLatin1(name));
        if (!themed.isNull())
            return themed;
    }
    return drawn(symbol, ownColor(symbol));
}

QIcon drawn(Symbol symbol, std::optional<QColor> color)
{
    return QIcon(new DrawnEngine(symbol, color));
}
} // namespace Glyphs
