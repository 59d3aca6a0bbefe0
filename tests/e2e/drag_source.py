"""A window titled "Vistrel drag source" whose button offers the files named
on the command line to drag (text/uri-list), as a file manager does: the
end-to-end tests drag from it onto the viewer with xdotool. Needs Debian's
python3 with python3-gi and gir1.2-gtk-3.0."""
import pathlib
import sys

import gi

gi.require_version("Gtk", "3.0")
from gi.repository import Gdk, Gtk  # noqa: E402


def say(line):
    print(line, flush=True)


uris = [pathlib.Path(path).absolute().as_uri() for path in sys.argv[1:]]
window = Gtk.Window(title="Vistrel drag source")
source = Gtk.Button(label="drag these files")
source.drag_source_set(Gdk.ModifierType.BUTTON1_MASK, [], Gdk.DragAction.COPY)
source.drag_source_add_uri_targets()
source.connect("drag-data-get", lambda widget, context, data, info, time: data.set_uris(uris))
source.connect("drag-end", lambda widget, context: say("ended"))
source.connect("drag-failed", lambda widget, context, result: say("cancelled") or False)
window.add(source)
window.set_default_size(200, 100)
window.move(700, 500)  # clear of the viewer's 640 x 480 window at the top-left
window.connect("destroy", Gtk.main_quit)
window.connect("map-event", lambda widget, event: say("ready") or False)
window.show_all()
Gtk.main()
