#include "capture/qt/RegionPicker.h"

#include "capture/Selection.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace {
constexpr qreal outlineWidth = 1.5;
const QColor darkening(0, 0, 0, qRound(0.28 * 255));
} // namespace

RegionPicker::RegionPicker(ScreenShot shot, Finish onFinish)
    : QWidget(nullptr, Qt::Window | Qt::WindowStaysOnTopHint | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint)
    , m_shot(std::move(shot))
    , m_onFinish(std::move(onFinish))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Ambrel region picker")); // for accessibility tools and the end-to-end tests
    setAttribute(Qt::WA_OpaquePaintEvent);                  // the frozen picture covers every pixel
    setCursor(Qt::CrossCursor);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    // The picture was taken at device pixels; telling QPainter so maps it 1:1 onto this screen's pixels.
    if (m_shot.geometry.width() > 0)
        m_shot.image.setDevicePixelRatio(qreal(m_shot.image.width()) / m_shot.geometry.width());
    if (m_shot.screen)
        setScreen(m_shot.screen);
    setGeometry(m_shot.geometry);
}

std::optional<QRectF> RegionPicker::selection() const
{
    if (!m_start || !m_current)
        return std::nullopt;
    const Selection::Box box = Selection::between(m_start->x(), m_start->y(), m_current->x(), m_current->y());
    return QRectF(box.x, box.y, box.width, box.height);
}

void RegionPicker::cancel()
{
    finish(std::nullopt);
}

void RegionPicker::finish(std::optional<QRectF> localRect)
{
    if (!m_onFinish)
        return;
    Finish onFinish = std::move(m_onFinish);
    m_onFinish = nullptr;
    const bool accepted =
        localRect
        && Selection::isLargeEnough({localRect->x(), localRect->y(), localRect->width(), localRect->height()});
    if (accepted)
        onFinish(this, localRect->translated(m_shot.geometry.topLeft()));
    else
        onFinish(this, std::nullopt);
}

void RegionPicker::takeKeyboard()
{
    m_wantsKeyboard = true;
    update();
}

void RegionPicker::paintEvent(QPaintEvent*)
{
    if (m_wantsKeyboard) { // the first paint means the window is mapped
        m_wantsKeyboard = false;
        grabKeyboard();
        setFocus(Qt::ActiveWindowFocusReason);
    }
    QPainter painter(this);
    painter.drawImage(QRectF(rect()), m_shot.image);
    QRegion dark(rect());
    const std::optional<QRectF> box = selection();
    if (box)
        dark -= box->toAlignedRect();
    painter.setClipRegion(dark);
    painter.fillRect(rect(), darkening);
    painter.setClipping(false);
    if (box && !box->isEmpty()) {
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(palette().color(QPalette::Highlight), outlineWidth));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(*box);
    }
}

void RegionPicker::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_start = event->position();
    m_current = m_start;
    update();
}

void RegionPicker::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_start)
        return;
    m_current = event->position();
    update();
}

void RegionPicker::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_start)
        return;
    // The last drag position counts, not the release point.
    finish(selection());
}

void RegionPicker::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape)
        cancel();
}
