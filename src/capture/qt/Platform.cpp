#include "capture/qt/Platform.h"

#include "capture/x11/HotKey.h"
#include "capture/x11/ScreenGrab.h"

#include <QGuiApplication>
#include <QString>

#include <cstdlib>

namespace Platform {
Session session()
{
    const QString forced = QString::fromLocal8Bit(std::getenv("AMBREL_PLATFORM")).toLower();
    if (forced == QLatin1String("x11"))
        return Session::X11;
    if (forced == QLatin1String("wayland"))
        return Session::Wayland;
    if (forced == QLatin1String("none"))
        return Session::None;
    const QString name = QGuiApplication::platformName();
    if (name == QLatin1String("xcb"))
        return Session::X11;
    if (name.startsWith(QLatin1String("wayland")))
        return Session::Wayland;
    return Session::None;
}

std::unique_ptr<GlobalHotKey> makeHotKey()
{
    if (session() == Session::X11)
        return std::make_unique<X11HotKey>();
    return std::make_unique<NullGlobalHotKey>();
}

std::unique_ptr<ScreenGrabber> makeScreenGrabber()
{
    if (session() == Session::X11)
        return std::make_unique<X11ScreenGrabber>();
    return std::make_unique<NullScreenGrabber>();
}
} // namespace Platform

namespace Permissions {
bool screenRecordingGranted()
{
    // The Wayland portal, which does ask, is not wired yet: there the capture says what is missing.
    return Platform::session() == Platform::Session::X11;
}

void requestScreenRecording() {}

void openScreenRecordingSettings() {}
} // namespace Permissions
