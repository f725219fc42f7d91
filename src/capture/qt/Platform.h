#pragma once

#include "capture/GlobalHotKey.h"
#include "capture/qt/ScreenGrabber.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

// Picks the implementations of the desktop services once, from the session; AMBREL_PLATFORM ("x11", "wayland" or
// "portal", "none") forces a choice.
namespace Platform {
enum class Session
{
    X11,
    Wayland,
    None, // offscreen, or a platform with no service implemented: every grab fails, no shortcut
};

// The program's two system-wide shortcuts.
enum class Shortcut
{
    Capture,
    Document, // "OCR a Document…"
};

Session session();
std::unique_ptr<GlobalHotKey> makeHotKey(Shortcut shortcut = Shortcut::Capture);
std::unique_ptr<ScreenGrabber> makeScreenGrabber();
// Runs `proceed` once the session is ready for a selection: at once on X11; on Wayland after the portal has taken
// the desktop picture the pickers show (or refused to). A call while the portal is still answering is dropped.
void prepareCapture(std::function<void()> proceed);
} // namespace Platform

// The permission to read the screen.
namespace Permissions {
// True where the desktop has a permission to read the screen at all (the portal on Wayland); X11 has none, so the
// windows say nothing about one there.
bool screenRecordingIsAPermission();
// True when a capture may read the screen: always on X11, which has no such permission.
bool screenRecordingGranted();
// Asks the desktop for the permission where it has one; nothing on X11.
void requestScreenRecording();
// Opens the desktop's screen-capture permission settings where it has them; nothing on X11.
void openScreenRecordingSettings();
// Where a session has no settings page for the permission, `opener` shows the window that can ask for it.
void setSettingsOpener(std::function<void()> opener);
} // namespace Permissions

// What became of the capture shortcut where the desktop, not Ambrel, binds it. A shortcut the desktop did not bind
// is told to the user (the settings window, the ready message) with the way around it. Main thread only.
class ShortcutStatus final : public QObject
{
    Q_OBJECT

public:
    enum class State
    {
        Own,      // Ambrel grabs the key itself (X11), or there is no shortcut to report on
        Binding,  // the desktop is asked
        Bound,    // the desktop confirmed it
        NotBound, // refused, bound something else, or no desktop service for shortcuts
    };

    static ShortcutStatus& instance();
    State state() const { return m_state; }
    void set(State state);
    // Empty unless the shortcut is not bound; then what to do instead.
    QString notice() const;
    // Runs `done` once the state is not Binding: at once, or when the answer comes.
    void whenSettled(std::function<void()> done);

signals:
    void changed();

private:
    State m_state = State::Own;
    std::vector<std::function<void()>> m_waiting;
};
