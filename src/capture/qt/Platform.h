#pragma once

#include "capture/GlobalHotKey.h"
#include "capture/qt/ScreenGrabber.h"

#include <functional>
#include <memory>

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
