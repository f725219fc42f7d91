#include "capture/qt/Platform.h"

#include "capture/portal/PortalHotKey.h"
#include "capture/portal/PortalScreenshot.h"
#include "capture/x11/HotKey.h"
#include "capture/x11/ScreenGrab.h"

#include <QGuiApplication>
#include <QString>
#include <QWindow>

#include <cstdlib>

namespace Platform {
Session session()
{
    const QString forced = QString::fromLocal8Bit(std::getenv("AMBREL_PLATFORM")).toLower();
    if (forced == QLatin1String("x11"))
        return Session::X11;
    if (forced == QLatin1String("wayland") || forced == QLatin1String("portal"))
        return Session::Wayland;
    if (forced == QLatin1String("none"))
        return Session::None;
    const QString name = QGuiApplication::platformName();
    if (name.startsWith(QLatin1String("wayland")))
        return Session::Wayland;
    if (name == QLatin1String("xcb")) {
        // Through XWayland the root window shows no Wayland window and a key grab sees only X11 windows' keys:
        // a Wayland session needs the portals even when Qt talks X11.
        if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
            || qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1String("wayland"))
            return Session::Wayland;
        return Session::X11;
    }
    return Session::None;
}

void prepareCapture(std::function<void()> proceed)
{
    if (session() == Session::Wayland)
        PortalCapture::prepare(std::move(proceed));
    else
        proceed();
}

std::unique_ptr<GlobalHotKey> makeHotKey(Shortcut shortcut)
{
    if (session() == Session::X11)
        return std::make_unique<X11HotKey>();
    if (session() == Session::Wayland) {
        if (shortcut == Shortcut::Document)
            return std::make_unique<PortalHotKey>(PortalHotKey::documentShortcutId,
                                                  QStringLiteral("Open the OCR a Document window"));
        return std::make_unique<PortalHotKey>();
    }
    return std::make_unique<NullGlobalHotKey>();
}

std::unique_ptr<ScreenGrabber> makeScreenGrabber()
{
    if (session() == Session::X11)
        return std::make_unique<X11ScreenGrabber>();
    if (session() == Session::Wayland)
        return std::make_unique<PortalScreenGrabber>();
    return std::make_unique<NullScreenGrabber>();
}
} // namespace Platform

namespace Permissions {
namespace {
// A window of ours that the user is working in; the heads-up message, which never takes the focus, is none.
bool ownWindowFocused()
{
    const QWindow* window = QGuiApplication::focusWindow();
    return window && window->isVisible()
           && !(window->flags() & (Qt::WindowDoesNotAcceptFocus | Qt::WindowTransparentForInput));
}

std::function<void()>& settingsOpener()
{
    static std::function<void()> opener;
    return opener;
}
} // namespace

bool screenRecordingIsAPermission()
{
    return Platform::session() == Platform::Session::Wayland;
}

bool screenRecordingGranted()
{
    switch (Platform::session()) {
    case Platform::Session::X11:
        return true;
    case Platform::Session::Wayland:
        return PortalCapture::granted();
    case Platform::Session::None:
        break;
    }
    return false;
}

void requestScreenRecording()
{
    // GNOME shows the portal's prompt only to a focused window: asked from the tray or a shortcut, it would refuse
    // unseen. So only a window of ours (the welcome window's "Grant") asks.
    if (Platform::session() == Platform::Session::Wayland && ownWindowFocused())
        PortalCapture::askPermission();
}

void openScreenRecordingSettings()
{
    // No desktop has a settings page for the screenshot portal's permission; the place to grant it is a window of
    // ours, from which the prompt can appear. Opened only when none of ours has the focus already.
    if (Platform::session() == Platform::Session::Wayland && !ownWindowFocused() && settingsOpener())
        settingsOpener()();
}

void setSettingsOpener(std::function<void()> opener)
{
    settingsOpener() = std::move(opener);
}
} // namespace Permissions

ShortcutStatus& ShortcutStatus::instance()
{
    static ShortcutStatus status;
    return status;
}

void ShortcutStatus::set(State state)
{
    if (state == m_state)
        return;
    m_state = state;
    emit changed();
    if (m_state == State::Binding)
        return;
    const std::vector<std::function<void()>> waiting = std::move(m_waiting);
    m_waiting.clear();
    for (const std::function<void()>& done : waiting)
        done();
}

QString ShortcutStatus::notice() const
{
    if (m_state != State::NotBound)
        return {};
    return QStringLiteral("The desktop did not bind the capture shortcut. Bind a desktop shortcut to "
                          "“ambrel --capture” instead.");
}

void ShortcutStatus::whenSettled(std::function<void()> done)
{
    if (m_state == State::Binding)
        m_waiting.push_back(std::move(done));
    else
        done();
}
