#include "ui/qt/HUD.h"

#include "capture/x11/Compositing.h"

#include <QCursor>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QPropertyAnimation>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include <cmath>

namespace {
constexpr qreal cornerRadius = 12;

QFont messageFont()
{
    QFont font = QGuiApplication::font();
    font.setPointSizeF(14);
    font.setWeight(QFont::Medium);
    return font;
}

class MessageWindow final : public QWidget
{
public:
    explicit MessageWindow(const QString& message)
        : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowTransparentForInput
                               | Qt::WindowDoesNotAcceptFocus | Qt::X11BypassWindowManagerHint)
        , m_message(message)
    {
        setWindowTitle(message); // what screen readers and window lists announce
        setAttribute(Qt::WA_TranslucentBackground);
        setAttribute(Qt::WA_ShowWithoutActivating);
        setAttribute(Qt::WA_DeleteOnClose);
        setFocusPolicy(Qt::NoFocus);
        setFont(messageFont());
        const QSize text = QFontMetrics(font()).size(Qt::TextSingleLine, m_message);
        // Fixed: a tiling compositor floats a window that cannot be resized instead of tiling it.
        setFixedSize(text.width() + 2 * HUD::paddingX, text.height() + 2 * HUD::paddingY);
        // Without a compositor the transparent corners would show as black squares: cut them off instead.
        if (QGuiApplication::platformName() == QLatin1String("xcb") && !X11::compositingManagerRunning()) {
            QPainterPath outline;
            outline.addRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);
            setMask(QRegion(outline.toFillPolygon().toPolygon()));
        }
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(24, 24, 26, 215));
        painter.drawRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);
        painter.setPen(Qt::white);
        painter.drawText(rect(), Qt::AlignCenter, m_message);
    }

private:
    QString m_message;
};

QPointer<QWidget>& currentWindow()
{
    static QPointer<QWidget> window;
    return window;
}

void animateOpacity(QWidget* window, qreal to, int ms, std::function<void()> done = {})
{
    auto* animation = new QPropertyAnimation(window, "windowOpacity", window);
    animation->setDuration(ms);
    animation->setEndValue(to);
    if (done)
        QObject::connect(animation, &QPropertyAnimation::finished, window, std::move(done));
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}
} // namespace

namespace HUD {
void show(const QString& message)
{
    if (QWidget* previous = currentWindow()) {
        // Its own timers die with it, so its pending fade-out can never reach the new window.
        previous->close();
        currentWindow() = nullptr;
    }
    QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;

    auto* window = new MessageWindow(message);
    const QRect area = screen->geometry();
    const int x = area.x() + (area.width() - window->width()) / 2;
    const int bottom = area.y() + area.height() - static_cast<int>(std::lround(0.18 * area.height()));
    window->move(x, bottom - window->height());
    window->setWindowOpacity(0);
    window->show();
    currentWindow() = window;

    animateOpacity(window, 1, fadeInMs);
    QTimer::singleShot(fadeOutStartMs, window, [window] {
        animateOpacity(window, 0, fadeOutMs, [window] {
            if (currentWindow() == window)
                currentWindow() = nullptr;
            window->close();
        });
    });
}

QWidget* current()
{
    return currentWindow();
}
} // namespace HUD
