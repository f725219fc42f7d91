#include "ui/qt/OpenWindows.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QKeySequence>
#include <QPointer>
#include <QScreen>
#include <QShortcut>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cstdlib>
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
    if (window->findChild<WindowCloseObserver*>(QString(), Qt::FindDirectChildrenOnly) == nullptr) {
        new WindowCloseObserver(window);
        addCloseKeys(window);
    }
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
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return;
    QRect frame = window->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    std::vector<QRect> others;
    for (QWidget* other : QApplication::topLevelWidgets()) {
        const Qt::WindowType type = other->windowType();
        if (other != window && other->isVisible() && (type == Qt::Window || type == Qt::Dialog))
            others.push_back(other->frameGeometry());
    }
    frame.moveTopLeft(cascaded(frame, others, screen->availableGeometry()));
    window->move(frame.topLeft());
}

void OpenWindows::addCloseKeys(QWidget* window)
{
    // Ctrl+W is what Linux desktops use to close a window; Escape closes it as it does any dialog. Both only while the
    // window is active, so a key meant for another of the program's windows never closes this one.
    for (const QKeySequence& keys : {QKeySequence(Qt::CTRL | Qt::Key_W), QKeySequence(Qt::Key_Escape)}) {
        if (window->findChild<QShortcut*>(keys.toString()) != nullptr)
            continue;
        auto* shortcut = new QShortcut(keys, window, window, &QWidget::close, Qt::WindowShortcut);
        shortcut->setObjectName(keys.toString());
    }
}

QPoint OpenWindows::cascaded(const QRect& frame, const std::vector<QRect>& others, const QRect& screen)
{
    constexpr int step = 32;
    constexpr int near = 12;
    QRect place = frame;
    const auto covered = [&others](const QRect& r) {
        return std::any_of(others.begin(), others.end(), [&r](const QRect& other) {
            return std::abs(other.left() - r.left()) < near && std::abs(other.top() - r.top()) < near;
        });
    };
    for (int tries = 0; tries < 12 && covered(place); ++tries) {
        place.translate(step, step);
        // Off the bottom right: start again at the screen's top left rather than leave the screen.
        if (place.right() > screen.right() || place.bottom() > screen.bottom())
            place.moveTopLeft(screen.topLeft() + QPoint(step * (tries % 4), step * (tries % 4)));
    }
    return place.topLeft();
}
