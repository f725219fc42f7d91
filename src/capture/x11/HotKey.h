#pragma once

#include "capture/GlobalHotKey.h"

#include <QAbstractNativeEventFilter>

#include <cstdint>
#include <vector>

// The capture shortcut as a passive key grab on the root window, on Qt's own xcb connection: the presses then
// arrive in Qt's event loop, where a native event filter picks them out.
class X11HotKey final : public GlobalHotKey, public QAbstractNativeEventFilter
{
public:
    X11HotKey();
    ~X11HotKey() override;

    void registerKey(std::uint32_t keyCode, std::uint32_t modifiers, std::function<void()> handler) override;
    void unregister() override;
    // True while at least one grab is held; false when the X server refused every variant.
    bool isGrabbed() const { return !m_grabs.empty(); }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    struct Grab
    {
        std::uint8_t keycode;
        std::uint16_t modifiers;
    };
    std::vector<Grab> m_grabs;
    std::vector<std::uint8_t> m_keycodes;
    std::uint16_t m_modifiers = 0;    // the X modifier mask of the shortcut
    std::uint16_t m_relevantMask = 0; // Shift, Control, Alt and Super: Lock and NumLock must not matter
    std::uint32_t m_root = 0;
    std::function<void()> m_handler;
};
