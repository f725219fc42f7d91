#!/usr/bin/python3
"""A stand-in for xdg-desktop-portal on a private session bus: the Screenshot and GlobalShortcuts interfaces as
Ambrel uses them, plus a control object through which the tests set the answers, read what was asked and emit
Activated. Prints "ready" once it owns its names.

usage: fake_portal.py <folder for screenshot files> [--no-shortcuts]
"""
import os
import shutil
import sys
import time

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

PORTAL = "org.freedesktop.portal.Desktop"
PATH = "/org/freedesktop/portal/desktop"
SCREENSHOT = "org.freedesktop.portal.Screenshot"
SHORTCUTS = "org.freedesktop.portal.GlobalShortcuts"
REQUEST = "org.freedesktop.portal.Request"
SESSION = "org.freedesktop.portal.Session"
CONTROL = "org.ambrel.FakePortal"


def sender_part(sender):
    return sender[1:].replace(".", "_")


class Request(dbus.service.Object):
    @dbus.service.signal(REQUEST, signature="ua{sv}")
    def Response(self, response, results):
        pass


class Session(dbus.service.Object):
    def __init__(self, bus, path, portal):
        super().__init__(bus, path)
        self.portal = portal
        self.path = path

    @dbus.service.method(SESSION, in_signature="", out_signature="")
    def Close(self):
        self.portal.calls.append("Close " + self.path)
        if self.portal.session == self.path:
            self.portal.session = None
        self.remove_from_connection()


class Portal(dbus.service.Object):
    def __init__(self, bus, folder, shortcuts):
        super().__init__(bus, PATH)
        self.bus = bus
        self.folder = folder
        self.shortcuts = shortcuts
        self.calls = []
        self.answer = 0
        self.png = ""
        self.written = ""
        self.session = None
        self.session_shortcuts = []
        self.count = 0
        # How the shortcuts portal binds: "bind" as documented (BindShortcuts binds), "session" as Plasma 5.27
        # (only the shortcuts given to CreateSession, BindShortcuts answers none), "nothing" (answers none).
        self.binding = "bind"
        # What a granted screenshot answers: "file" the picture, "missing" a file that is not there, "text" a
        # file that is no picture, "vanish" no answer and the portal leaves the bus.
        self.screenshot_mode = "file"

    def respond(self, path, response, results):
        request = Request(self.bus, path)

        def send():
            request.Response(dbus.UInt32(response), dbus.Dictionary(results, signature="sv"))
            request.remove_from_connection()
            return False

        GLib.idle_add(send)

    def handle(self, sender, options):
        return "%s/request/%s/%s" % (PATH, sender_part(sender), options.get("handle_token", "t%d" % self.count))

    # The properties clients read to learn what the portal offers.
    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        if name == "version" and (interface == SCREENSHOT or (interface == SHORTCUTS and self.shortcuts)):
            return dbus.UInt32(1)
        raise dbus.exceptions.DBusException("no such property", name="org.freedesktop.DBus.Error.UnknownProperty")

    @dbus.service.method(SCREENSHOT, in_signature="sa{sv}", out_signature="o", sender_keyword="sender")
    def Screenshot(self, parent, options, sender=None):
        self.count += 1
        self.calls.append("Screenshot interactive=%s" % bool(options.get("interactive", False)))
        path = self.handle(sender, options)
        results = {}
        if self.answer == 0 and self.screenshot_mode == "vanish":
            GLib.idle_add(self.vanish)
            return dbus.ObjectPath(path)
        if self.answer == 0:
            self.written = os.path.join(self.folder, "Screenshot %d.png" % self.count)
            if self.screenshot_mode == "file":
                shutil.copyfile(self.png, self.written)
            elif self.screenshot_mode == "text":
                with open(self.written, "w") as text:
                    text.write("not a picture\n")
            results["uri"] = dbus.String("file://" + self.written.replace(" ", "%20"))
        self.respond(path, self.answer, results)
        return dbus.ObjectPath(path)

    def vanish(self):
        # Leaves the bus as a crashed portal would, and comes back a moment later for the next test.
        self.bus.release_name(PORTAL)
        GLib.timeout_add(300, lambda: self.bus.request_name(PORTAL) and False)
        return False

    @dbus.service.method(SHORTCUTS, in_signature="a{sv}", out_signature="o", sender_keyword="sender")
    def CreateSession(self, options, sender=None):
        if not self.shortcuts:
            raise dbus.exceptions.DBusException("no such method", name="org.freedesktop.DBus.Error.UnknownMethod")
        self.count += 1
        session = "%s/session/%s/%s" % (PATH, sender_part(sender), options["session_handle_token"])
        Session(self.bus, session, self)
        self.session = session
        given = options.get("shortcuts", [])
        self.calls.append("CreateSession shortcuts=%s" % ",".join(str(i) for i, _ in given))
        self.session_shortcuts = list(given) if self.binding == "session" else []
        path = self.handle(sender, options)
        self.respond(path, 0, {"session_handle": dbus.String(session)})
        return dbus.ObjectPath(path)

    @dbus.service.method(SHORTCUTS, in_signature="oa(sa{sv})sa{sv}", out_signature="o", sender_keyword="sender")
    def BindShortcuts(self, session, shortcuts, parent, options, sender=None):
        self.count += 1
        for shortcut_id, properties in shortcuts:
            self.calls.append("BindShortcuts %s %s %s" % (session, shortcut_id,
                                                          properties.get("preferred_trigger", "-")))
        path = self.handle(sender, options)
        self.respond(path, 0, {"shortcuts": self.listing(shortcuts if self.binding == "bind" else [])})
        return dbus.ObjectPath(path)

    @dbus.service.method(SHORTCUTS, in_signature="oa{sv}", out_signature="o", sender_keyword="sender")
    def ListShortcuts(self, session, options, sender=None):
        self.count += 1
        self.calls.append("ListShortcuts %s" % session)
        path = self.handle(sender, options)
        self.respond(path, 0, {"shortcuts": self.listing(self.session_shortcuts if session == self.session else [])})
        return dbus.ObjectPath(path)

    @staticmethod
    def listing(shortcuts):
        return dbus.Array([dbus.Struct((i, {"description": p.get("description", ""),
                                            "trigger_description": p.get("preferred_trigger", "")}),
                                       signature="sa{sv}") for i, p in shortcuts], signature="(sa{sv})")

    @dbus.service.signal(SHORTCUTS, signature="osta{sv}")
    def Activated(self, session, shortcut_id, timestamp, options):
        pass

    @dbus.service.method(CONTROL, in_signature="us", out_signature="")
    def SetScreenshotAnswer(self, response, png):
        self.answer = int(response)
        self.png = str(png)

    @dbus.service.method(CONTROL, in_signature="s", out_signature="b")
    def EmitActivated(self, shortcut_id):
        if not self.session:
            return False
        self.Activated(dbus.ObjectPath(self.session), shortcut_id, dbus.UInt64(int(time.time() * 1000)),
                       dbus.Dictionary({}, signature="sv"))
        return True

    @dbus.service.method(CONTROL, in_signature="ss", out_signature="")
    def SetModes(self, binding, screenshot):
        self.binding = str(binding)
        self.screenshot_mode = str(screenshot)

    @dbus.service.method(CONTROL, in_signature="os", out_signature="")
    def EmitActivatedFor(self, session, shortcut_id):
        self.Activated(session, shortcut_id, dbus.UInt64(int(time.time() * 1000)), dbus.Dictionary({}, signature="sv"))

    @dbus.service.method(CONTROL, in_signature="", out_signature="as")
    def Calls(self):
        return dbus.Array(self.calls, signature="s")

    @dbus.service.method(CONTROL, in_signature="", out_signature="s")
    def LastScreenshotFile(self):
        return self.written


def main():
    if len(sys.argv) < 2:
        print("usage: fake_portal.py <folder> [--no-shortcuts]", file=sys.stderr)
        return 2
    DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    name = dbus.service.BusName(PORTAL, bus)
    portal = Portal(bus, sys.argv[1], "--no-shortcuts" not in sys.argv[2:])
    loop = GLib.MainLoop()
    # The test ends the fake by closing its standard input, or by killing it.
    GLib.io_add_watch(sys.stdin.fileno(), GLib.IO_HUP | GLib.IO_IN | GLib.IO_ERR, lambda *a: loop.quit() or False)
    print("ready", flush=True)
    loop.run()
    del name
    return 0


if __name__ == "__main__":
    sys.exit(main())
