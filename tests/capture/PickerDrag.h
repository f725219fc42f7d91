#pragma once

#include "capture/qt/RegionPicker.h"

#include <QApplication>
#include <QMouseEvent>

// Sends a left-button mouse event to a region picker at a point in its own coordinates, as the mouse would.
inline void mouse(QWidget* picker, QEvent::Type type, QPointF at)
{
    QMouseEvent event(type, at, picker->mapToGlobal(at), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(picker, &event);
}

// Drags a box over a region picker, in the picker's own coordinates.
inline void dragOver(QWidget* picker, QPointF from, QPointF to)
{
    mouse(picker, QEvent::MouseButtonPress, from);
    mouse(picker, QEvent::MouseMove, to);
    mouse(picker, QEvent::MouseButtonRelease, to);
}
