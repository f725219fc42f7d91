#include "document/qt/AppActivation.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>

void AppActivation::show(QWidget* window)
{
    if (window == nullptr)
        return;
    if (window->isMinimized())
        window->showNormal();
    else
        window->show();
    window->raise();
    window->activateWindow();
    // Window managers often refuse focus to a window mapped in the same turn of the event loop; ask again once
    // it exists on screen.
    QTimer::singleShot(0, window, [window = QPointer<QWidget>(window)] {
        if (window) {
            window->raise();
            window->activateWindow();
        }
    });
}
