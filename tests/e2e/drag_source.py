#!/usr/bin/python3
"""A small window that hands a drag what a file manager or an editor hands
it: local files as text/uri-list, or plain text. It offers to copy or to
move, as a file manager does.

    /usr/bin/python3 drag_source.py uris URI...
    /usr/bin/python3 drag_source.py text TEXT

Prints "ready" once it is on screen, "accepted ACTION" when a target under
the pointer has said it would take the drop, then "dropped ACTION" (the
action the target took) or "failed REASON" each time a drag ends. Needs python3-gi and
GTK 3's introspection data (gir1.2-gtk-3.0)."""
import sys

import gi

gi.require_version("Gtk", "3.0")
gi.require_version("Gdk", "3.0")
from gi.repository import Gdk, GLib, Gtk  # noqa: E402

TITLE = "kestrune-drag-source"


def main(kind, items):
    window = Gtk.Window(title=TITLE)
    window.set_default_size(200, 120)
    area = Gtk.EventBox()
    area.add(Gtk.Label(label="drag me"))
    window.add(area)
    if kind == "uris":
        targets = [Gtk.TargetEntry.new("text/uri-list", 0, 0)]
    else:
        targets = [Gtk.TargetEntry.new(t, 0, 1) for t in ("text/plain;charset=utf-8", "UTF8_STRING", "text/plain")]
    area.drag_source_set(Gdk.ModifierType.BUTTON1_MASK, targets, Gdk.DragAction.COPY | Gdk.DragAction.MOVE)

    def data_get(widget, context, data, info, time):
        if kind == "uris":
            data.set_uris(items)
        else:
            data.set_text(items[0], -1)

    def name(action):
        return "COPY" if action == Gdk.DragAction.COPY else "MOVE" if action == Gdk.DragAction.MOVE else str(int(action))

    def drag_begin(widget, context):
        # GTK drops on release only once the target has answered with an
        # action; released earlier, the drag fails as "no-target".
        context.connect("action-changed", lambda c, action: action and print("accepted", name(action), flush=True))

    def drag_end(widget, context):
        # Called after drag-failed too; only a drop the target took ends here first.
        if not failed[0]:
            action = context.get_selected_action()
            print("dropped", name(action), flush=True)
        failed[0] = False

    def drag_failed(widget, context, result):
        failed[0] = True
        print("failed", result.value_nick, flush=True)
        return True  # no animation of the icon flying back

    failed = [False]
    area.connect("drag-begin", drag_begin)
    area.connect("drag-data-get", data_get)
    area.connect("drag-end", drag_end)
    area.connect("drag-failed", drag_failed)
    window.connect("destroy", Gtk.main_quit)
    window.connect("map-event", lambda *a: GLib.idle_add(lambda: print("ready", flush=True) and False))
    window.show_all()
    Gtk.main()


if __name__ == "__main__":
    if len(sys.argv) < 3 or sys.argv[1] not in ("uris", "text"):
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2:])
