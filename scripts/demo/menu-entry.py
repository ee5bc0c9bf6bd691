#!/usr/bin/python3
"""Shows the package's menu entry as a desktop's menu would, and its icon at
every size of the icon theme, for the docs screenshot.

    menu-entry.py <unpacked package root>

The entry and the icons are read from the unpacked package (its usr/share is
put first on the data path), not drawn by this script."""
import os
import sys

root = os.path.abspath(sys.argv[1])
os.environ["XDG_DATA_DIRS"] = root + "/usr/share:" + os.environ.get("XDG_DATA_DIRS", "/usr/share")
# A menu lists an entry only when its Exec program is on the PATH.
os.environ["PATH"] = root + "/usr/bin:" + os.environ.get("PATH", "/usr/bin")

import gi  # noqa: E402

gi.require_version("Gtk", "3.0")
from gi.repository import Gio, GLib, Gtk  # noqa: E402

desktop_file = root + "/usr/share/applications/quilbex.desktop"
entry = Gio.DesktopAppInfo.new_from_filename(desktop_file)
# The names a Chinese desktop shows, read from the same entry.
keys = GLib.KeyFile()
keys.load_from_file(desktop_file, GLib.KeyFileFlags.KEEP_TRANSLATIONS)
name_zh = keys.get_locale_string("Desktop Entry", "Name", "zh_CN")
comment_zh = keys.get_locale_string("Desktop Entry", "Comment", "zh_CN")
theme = Gtk.IconTheme.get_default()

window = Gtk.Window(title="菜单项 Quilbex")
window.set_default_size(560, 0)
box = Gtk.Box(orientation=Gtk.Orientation.VERTICAL, spacing=14, margin=16)
window.add(box)

# The entry as a launcher lists it: icon, name, comment.
row = Gtk.Box(spacing=12)
row.pack_start(Gtk.Image.new_from_gicon(entry.get_icon(), Gtk.IconSize.DIALOG), False, False, 0)
text = Gtk.Box(orientation=Gtk.Orientation.VERTICAL, spacing=2)
name = Gtk.Label(xalign=0)
name.set_markup("<b>%s</b>   (zh_CN: <b>%s</b>)" % (entry.get_display_name(), name_zh))
text.pack_start(name, False, False, 0)
text.pack_start(Gtk.Label(label=entry.get_description(), xalign=0), False, False, 0)
text.pack_start(Gtk.Label(label=comment_zh, xalign=0), False, False, 0)
text.pack_start(Gtk.Label(label="Exec=%s  Categories=%s" % (entry.get_commandline(), entry.get_categories()),
                          xalign=0), False, False, 0)
row.pack_start(text, False, False, 0)
box.pack_start(row, False, False, 0)
box.pack_start(Gtk.Separator(), False, False, 0)

# The theme's icon at each installed size, side by side.
sizes = Gtk.Box(spacing=16)
for size in (16, 22, 24, 32, 48, 64, 128):
    info = theme.lookup_icon("quilbex", size, Gtk.IconLookupFlags.FORCE_SIZE)
    column = Gtk.Box(orientation=Gtk.Orientation.VERTICAL, spacing=4)
    column.pack_start(Gtk.Image.new_from_pixbuf(info.load_icon()), True, False, 0)
    column.pack_start(Gtk.Label(label="%d px" % size), False, False, 0)
    sizes.pack_start(column, False, False, 0)
box.pack_start(sizes, False, False, 0)

window.connect("destroy", Gtk.main_quit)
window.show_all()
Gtk.main()
