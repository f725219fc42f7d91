#pragma once

#include "capture/qt/ScreenGrabber.h"

#include <QPointF>
#include <QRectF>
#include <QWidget>

#include <functional>
#include <optional>

// One screen's region picker: the screen's frozen picture, darkened, over the whole screen, in which the user
// drags a box. The box is cut out of the darkening and outlined. A frozen picture rather than a translucent
// window, because without a compositing manager X11 draws translucent windows over solid black.
class RegionPicker final : public QWidget
{
    Q_OBJECT

public:
    // `onFinish` gets the box in global logical coordinates, or nothing when cancelled or smaller than 3 × 3.
    using Finish = std::function<void(RegionPicker* from, std::optional<QRectF>)>;
    RegionPicker(ScreenShot shot, Finish onFinish);

    const ScreenShot& shot() const { return m_shot; }
    // The box being dragged, in this window's coordinates; no value before the mouse goes down.
    std::optional<QRectF> selection() const;
    void cancel();
    // Grabs the keyboard as soon as the window is on screen (X11 refuses a grab for an unmapped window).
    void takeKeyboard();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void finish(std::optional<QRectF> localRect);

    ScreenShot m_shot;
    Finish m_onFinish;
    std::optional<QPointF> m_start;
    std::optional<QPointF> m_current;
    bool m_wantsKeyboard = false;
};
