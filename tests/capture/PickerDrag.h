#pragma once

#include "capture/qt/RegionPicker.h"

#include <QApplication>
#include <QMouseEvent>

#include <utility>

// Drags a box over a region picker, in the picker's own coordinates, as the mouse would.
inline void dragOver(RegionPicker* picker, QPointF from, QPointF to)
{
    for (auto [type, at] : {std::pair{QEvent::MouseButtonPress, from}, std::pair{QEvent::MouseMove, to},
                            std::pair{QEvent::MouseButtonRelease, to}}) {
        QMouseEvent event(type, at, picker->mapToGlobal(at), Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(picker, &event);
    }
}
