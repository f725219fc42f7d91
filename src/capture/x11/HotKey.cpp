#include "capture/x11/HotKey.h"

#include "capture/HotKeyConfig.h"

#include <QGuiApplication>
#include <QMetaObject>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace {
constexpr xcb_keysym_t numLockSym = 0xff7f, superLSym = 0xffeb, superRSym = 0xffec, altLSym = 0xffe9, altRSym = 0xffea;

xcb_connection_t* connection()
{
    auto* x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

struct ModifierMasks
{
    std::uint16_t numLock = XCB_MOD_MASK_2;
    std::uint16_t super = XCB_MOD_MASK_4;
    std::uint16_t alt = XCB_MOD_MASK_1;
};

// Finds which of Mod1…Mod5 carry NumLock, Super and Alt in the server's current modifier map; the usual
// assignment is only a convention that keyboard tools may change.
ModifierMasks modifierMasks(xcb_connection_t* c, xcb_key_symbols_t* symbols)
{
    ModifierMasks masks;
    auto freeReply = [](void* reply) { std::free(reply); };
    std::unique_ptr<xcb_get_modifier_mapping_reply_t, decltype(freeReply)> reply{
        xcb_get_modifier_mapping_reply(c, xcb_get_modifier_mapping(c), nullptr), freeReply};
    if (!reply)
        return masks;
    const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(reply.get());
    const int perModifier = reply->keycodes_per_modifier;
    bool foundNumLock = false, foundSuper = false, foundAlt = false;
    for (int mod = 3; mod < 8; ++mod) { // Mod1 … Mod5
        const auto bit = static_cast<std::uint16_t>(1u << mod);
        for (int i = 0; i < perModifier; ++i) {
            const xcb_keycode_t code = codes[mod * perModifier + i];
            if (code == 0)
                continue;
            const xcb_keysym_t sym = xcb_key_symbols_get_keysym(symbols, code, 0);
            if (sym == numLockSym && !foundNumLock)
                masks.numLock = bit, foundNumLock = true;
            else if ((sym == superLSym || sym == superRSym) && !foundSuper)
                masks.super = bit, foundSuper = true;
            else if ((sym == altLSym || sym == altRSym) && !foundAlt)
                masks.alt = bit, foundAlt = true;
        }
    }
    return masks;
}
} // namespace

X11HotKey::X11HotKey()
{
    if (qApp)
        qApp->installNativeEventFilter(this);
}

X11HotKey::~X11HotKey()
{
    unregister();
    if (qApp)
        qApp->removeNativeEventFilter(this);
}

void X11HotKey::registerKey(std::uint32_t keyCode, std::uint32_t modifiers, std::function<void()> handler)
{
    unregister();
    m_handler = std::move(handler);
    xcb_connection_t* c = connection();
    const std::optional<HotKeyConfig::Key> key = HotKeyConfig::key(keyCode);
    if (!c || !key)
        return;
    // Qt opens the display's default screen; with Xinerama or RandR all monitors share its one root window.
    m_root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;

    std::unique_ptr<xcb_key_symbols_t, decltype(&xcb_key_symbols_free)> symbols{xcb_key_symbols_alloc(c),
                                                                                xcb_key_symbols_free};
    if (!symbols)
        return;
    const ModifierMasks masks = modifierMasks(c, symbols.get());
    m_modifiers = 0;
    if (modifiers & HotKeyConfig::shift)
        m_modifiers |= XCB_MOD_MASK_SHIFT;
    if (modifiers & HotKeyConfig::control)
        m_modifiers |= XCB_MOD_MASK_CONTROL;
    if (modifiers & HotKeyConfig::option)
        m_modifiers |= masks.alt;
    if (modifiers & HotKeyConfig::command)
        m_modifiers |= masks.super;
    m_relevantMask = XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL | masks.alt | masks.super;

    std::unique_ptr<xcb_keycode_t, decltype(&std::free)> keycodes{
        xcb_key_symbols_get_keycode(symbols.get(), key->keysym), &std::free};
    if (!keycodes)
        return;
    // A grab matches the modifier state exactly, so each lock combination needs its own.
    const std::uint16_t lockVariants[] = {0, XCB_MOD_MASK_LOCK, masks.numLock,
                                          static_cast<std::uint16_t>(masks.numLock | XCB_MOD_MASK_LOCK)};
    struct Pending
    {
        Grab grab;
        xcb_void_cookie_t cookie;
    };
    std::vector<Pending> pending;
    for (const xcb_keycode_t* code = keycodes.get(); *code != XCB_NO_SYMBOL; ++code) {
        m_keycodes.push_back(*code);
        for (const std::uint16_t lock : lockVariants) {
            const auto mods = static_cast<std::uint16_t>(m_modifiers | lock);
            pending.push_back(
                {{*code, mods},
                 xcb_grab_key_checked(c, 1, m_root, mods, *code, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC)});
        }
    }
    // Checked requests: a BadAccess (another client holds the combination) comes back here instead of as a
    // warning from Qt's error handler, and is dropped, as a refused registration should be.
    for (Pending& p : pending) {
        if (xcb_generic_error_t* error = xcb_request_check(c, p.cookie))
            std::free(error);
        else
            m_grabs.push_back(p.grab);
    }
    xcb_flush(c);
}

void X11HotKey::unregister()
{
    xcb_connection_t* c = connection();
    if (c) {
        for (const Grab& grab : m_grabs)
            xcb_ungrab_key(c, grab.keycode, m_root, grab.modifiers);
        xcb_flush(c);
    }
    m_grabs.clear();
    m_keycodes.clear();
}

bool X11HotKey::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
    if (m_grabs.empty() || eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) != XCB_KEY_PRESS)
        return false;
    const auto* press = static_cast<const xcb_key_press_event_t*>(message);
    if (press->event != m_root || std::find(m_keycodes.begin(), m_keycodes.end(), press->detail) == m_keycodes.end()
        || (press->state & m_relevantMask) != m_modifiers)
        return false;
    // Run the handler after the event is done: it opens windows and grabs the keyboard itself.
    if (m_handler)
        QMetaObject::invokeMethod(qApp, m_handler, Qt::QueuedConnection);
    return true;
}
