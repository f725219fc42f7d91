#include "ui/qt/OpenWindows.h"

#include <QApplication>
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
    addCloseKeys(window);
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
} // namespace OpenWindows

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
