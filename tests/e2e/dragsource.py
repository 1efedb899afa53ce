#!/usr/bin/env python3
"""A drag source of its own process, as a file manager is: a small GTK 3 window at the top left of the
screen whose button offers the files named on the command line as a text/uri-list. The test presses the
button, moves the pointer to the target and lets go (xdotool); the X11 drag protocol does the rest."""
import sys

import gi

gi.require_version("Gdk", "3.0")
gi.require_version("Gtk", "3.0")
from gi.repository import Gdk, GLib, Gtk  # noqa: E402

uris = [GLib.filename_to_uri(path, None) for path in sys.argv[1:]]

window = Gtk.Window(title="brivo drag source")
window.move(0, 0)
window.set_default_size(160, 80)
button = Gtk.Button(label="drag me")
button.drag_source_set(Gdk.ModifierType.BUTTON1_MASK, [], Gdk.DragAction.COPY)
button.drag_source_add_uri_targets()
button.connect("drag-data-get", lambda _w, _c, data, _i, _t: data.set_uris(uris))
# Said on standard output so that the test knows the drop was answered, whichever way.
button.connect("drag-end", lambda *_: print("drag-end", flush=True))
window.add(button)
window.connect("destroy", Gtk.main_quit)
window.show_all()
Gtk.main()
