#!/usr/bin/python3
"""Asks the session's real Screenshot portal for a non-interactive screenshot, as Ambrel does, and prints the
response code and the file's path ("0 /path/to/file.png"). Exits 1 when no answer comes within the deadline.

usage: portal_screenshot.py [deadline in seconds]
"""
import sys

import dbus
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib


def main():
    deadline = float(sys.argv[1]) if len(sys.argv) > 1 else 20
    DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    token = "testbed%d" % GLib.get_monotonic_time()
    sender = bus.get_unique_name()[1:].replace(".", "_")
    path = "/org/freedesktop/portal/desktop/request/%s/%s" % (sender, token)
    loop = GLib.MainLoop()
    answer = []

    def on_response(response, results):
        answer.append((int(response), str(results.get("uri", ""))))
        loop.quit()

    bus.add_signal_receiver(on_response, signal_name="Response", dbus_interface="org.freedesktop.portal.Request",
                            path=path)
    portal = bus.get_object("org.freedesktop.portal.Desktop", "/org/freedesktop/portal/desktop")
    portal.Screenshot("", {"handle_token": token, "interactive": False, "modal": False},
                      dbus_interface="org.freedesktop.portal.Screenshot")
    GLib.timeout_add(int(deadline * 1000), loop.quit)
    loop.run()
    if not answer:
        print("no answer", file=sys.stderr)
        return 1
    response, uri = answer[0]
    print(response, uri[len("file://"):] if uri.startswith("file://") else uri)
    return 0


if __name__ == "__main__":
    sys.exit(main())
