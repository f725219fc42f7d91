#include "ui/qt/OpenWindows.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <vector>

namespace {
std::vector<QPointer<QWidget>>& openWindows()
{
    static std::vector<QPointer<QWidget>> windows;
    // A window deleted while open leaves a null pointer behind; it no longer counts.
    std::erase_if(windows, [](const QPointer<QWidget>& window) { return window.isNull(); });
    return windows;
}

void bringForward(QWidget* window)
{
    window->raise();
    window->activateWindow();
}
} // namespace

namespace OpenWindows {
void show(QWidget* window)
{
    if (window == nullptr)
        return;
    if (window->findChild<WindowCloseObserver*>(QString(), Qt::FindDirectChildrenOnly) == nullptr)
        new WindowCloseObserver(window);
    auto& windows = openWindows();
    if (!isOpen(window))
        windows.emplace_back(window);
    if (window->isMinimized())
        window->showNormal();
    else
        window->show();
    bringForward(window);
    // Window managers often refuse the focus to a window mapped in the same turn of the event loop; ask again once
    // it exists on screen.
    QTimer::singleShot(0, window, [window = QPointer<QWidget>(window)] {
        if (window && window->isVisible())
            bringForward(window);
    });
}

void didClose(QWidget* window)
{
    std::erase_if(openWindows(), [window](const QPointer<QWidget>& open) { return open.data() == window; });
}

bool isOpen(const QWidget* window)
{
    const auto& windows = openWindows();
    return std::any_of(windows.begin(), windows.end(),
                       [window](const QPointer<QWidget>& open) { return open.data() == window; });
}

int openCount()
{
    return static_cast<int>(openWindows().size());
}
} // namespace OpenWindows

WindowCloseObserver::WindowCloseObserver(QWidget* window)
    : QObject(window)
{
    window->installEventFilter(this);
}

bool WindowCloseObserver::eventFilter(QObject* watched, QEvent* event)
{
    // Closing or hiding a window in code sends a non-spontaneous hide; the window manager's minimise sends a
    // spontaneous one, and a minimised window is still open.
    if (event->type() == QEvent::Hide && !event->spontaneous() && watched == parent())
        OpenWindows::didClose(static_cast<QWidget*>(watched));
    return QObject::eventFilter(watched, event);
}

void OpenWindows::placeNew(QWidget* window)
{
    window->setWindowIcon(QGuiApplication::windowIcon());
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = window->frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        window->move(frame.topLeft());
    }
}
