#!/usr/bin/env python3
"""A stand-in for the desktop portal's screenshot interface, on the session bus it is started on: every
org.freedesktop.portal.Screenshot.Screenshot request is answered, on the request object the portal's
documentation names, with the picture whose path is the first argument. Prints "ready" once it owns its
name."""
import sys

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

PICTURE = sys.argv[1]


class Request(dbus.service.Object):
    @dbus.service.signal("org.freedesktop.portal.Request", signature="ua{sv}")
    def Response(self, code, results):
        pass


class Portal(dbus.service.Object):
    @dbus.service.method("org.freedesktop.portal.Screenshot", in_signature="sa{sv}", out_signature="o",
                         sender_keyword="sender")
    def Screenshot(self, _parent, options, sender=None):
        token = str(options.get("handle_token", "request"))
        path = "/org/freedesktop/portal/desktop/request/%s/%s" % (sender[1:].replace(".", "_"), token)
        request = Request(bus, path)
        results = dbus.Dictionary({"uri": dbus.String(GLib.filename_to_uri(PICTURE, None), variant_level=1)},
                                  signature="sv")
        # The answer follows the reply, as the portal's dialog would make it.
        GLib.timeout_add(100, lambda: request.Response(dbus.UInt32(0), results) and False)
        return dbus.ObjectPath(path)


DBusGMainLoop(set_as_default=True)
bus = dbus.SessionBus()
name = dbus.service.BusName("org.freedesktop.portal.Desktop", bus)
Portal(bus, "/org/freedesktop/portal/desktop")
print("ready", flush=True)
GLib.MainLoop().run()
