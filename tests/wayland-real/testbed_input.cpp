// A pointer device for the Wayland test bed: a wlroots virtual pointer, so the compositor gives its seat a
// pointer and delivers the events to whichever window is under it, as with a real mouse. Commands come one a
// line on standard input and each is answered "ok" once the compositor has taken it:
//   move X Y   (layout pixels of an output of size W×H given on the command line)
//   press | release   (the left button)
// usage: testbed_input WIDTH HEIGHT
//
// The protocol is described here by hand, as wayland-scanner would generate it, so that nothing but the client
// library is needed to build it.
#include <wayland-client.h>

#include <linux/input-event-codes.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <iostream>
#include <string>

namespace {
extern const wl_interface virtualPointerInterface;

const wl_interface* createTypes[] = {&wl_seat_interface, &virtualPointerInterface};
const wl_message managerRequests[] = {
    {"create_virtual_pointer", "?on", createTypes},
    {"destroy", "", nullptr},
};
const wl_interface managerInterface = {"zwlr_virtual_pointer_manager_v1", 1, 2, managerRequests, 0, nullptr};

const wl_interface* noTypes[8] = {};
const wl_message pointerRequests[] = {
    {"motion", "uff", noTypes},        {"motion_absolute", "uuuuu", noTypes}, {"button", "uuu", noTypes},
    {"axis", "uuf", noTypes},          {"frame", "", noTypes},                {"axis_source", "u", noTypes},
    {"axis_stop", "uu", noTypes},      {"axis_discrete", "uufi", noTypes},    {"destroy", "", noTypes},
};
const wl_interface virtualPointerInterface = {"zwlr_virtual_pointer_v1", 1, 9, pointerRequests, 0, nullptr};

enum Request : std::uint32_t
{
    motionAbsolute = 1,
    button = 2,
    frame = 4,
    destroy = 8,
};

struct Globals
{
    wl_seat* seat = nullptr;
    wl_proxy* manager = nullptr;
};

void global(void* data, wl_registry* registry, std::uint32_t name, const char* interface, std::uint32_t)
{
    auto* globals = static_cast<Globals*>(data);
    if (std::strcmp(interface, wl_seat_interface.name) == 0 && !globals->seat)
        globals->seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    else if (std::strcmp(interface, managerInterface.name) == 0)
        globals->manager = static_cast<wl_proxy*>(wl_registry_bind(registry, name, &managerInterface, 1));
}

void globalRemove(void*, wl_registry*, std::uint32_t) {}

std::uint32_t milliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return std::uint32_t(now.tv_sec * 1000 + now.tv_nsec / 1000000);
}
} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s WIDTH HEIGHT\n", argv[0]);
        return 2;
    }
    const auto width = std::uint32_t(std::atoi(argv[1]));
    const auto height = std::uint32_t(std::atoi(argv[2]));
    wl_display* display = wl_display_connect(nullptr);
    if (!display) {
        std::fprintf(stderr, "testbed_input: no Wayland display\n");
        return 1;
    }
    Globals globals;
    const wl_registry_listener listener{global, globalRemove};
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &listener, &globals);
    wl_display_roundtrip(display);
    if (!globals.manager) {
        std::fprintf(stderr, "testbed_input: the compositor offers no virtual pointer\n");
        return 1;
    }
    wl_proxy* pointer = wl_proxy_marshal_constructor(globals.manager, 0, &virtualPointerInterface, globals.seat,
                                                     nullptr);
    wl_display_roundtrip(display);
    std::cout << "ready" << std::endl;

    std::string command;
    while (std::cin >> command) {
        if (command == "move") {
            std::uint32_t x = 0, y = 0;
            std::cin >> x >> y;
            wl_proxy_marshal(pointer, motionAbsolute, milliseconds(), x, y, width, height);
        } else if (command == "press" || command == "release") {
            wl_proxy_marshal(pointer, button, milliseconds(), std::uint32_t(BTN_LEFT),
                             std::uint32_t(command == "press" ? WL_POINTER_BUTTON_STATE_PRESSED
                                                              : WL_POINTER_BUTTON_STATE_RELEASED));
        } else {
            std::cout << "unknown " << command << std::endl;
            continue;
        }
        wl_proxy_marshal(pointer, frame);
        if (wl_display_roundtrip(display) < 0) {
            std::fprintf(stderr, "testbed_input: the compositor went away\n");
            return 1;
        }
        std::cout << "ok" << std::endl;
    }
    wl_proxy_marshal(pointer, destroy);
    wl_proxy_destroy(pointer);
    wl_display_roundtrip(display);
    wl_display_disconnect(display);
    return 0;
}
