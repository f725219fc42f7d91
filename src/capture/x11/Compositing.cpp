#include "capture/x11/Compositing.h"

#include <QGuiApplication>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>
#include <string>

namespace X11 {
bool compositingManagerRunning()
{
    auto* x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* c = x11 ? x11->connection() : nullptr;
    if (!c)
        return false;
    int screen = 0;
    if (const char* display = std::getenv("DISPLAY")) {
        const std::string text = display;
        const auto dot = text.rfind('.');
        if (dot != std::string::npos && text.find(':') < dot)
            screen = std::atoi(text.c_str() + dot + 1);
    }
    // The EWMH convention: a compositing manager owns the selection _NET_WM_CM_S<screen>.
    const std::string name = "_NET_WM_CM_S" + std::to_string(screen);
    auto freeReply = [](void* reply) { std::free(reply); };
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(freeReply)> atom{
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(name.size()), name.c_str()), nullptr),
        freeReply};
    if (!atom)
        return false;
    std::unique_ptr<xcb_get_selection_owner_reply_t, decltype(freeReply)> owner{
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, atom->atom), nullptr), freeReply};
    return owner && owner->owner != XCB_NONE;
}
} // namespace X11
