#!/usr/bin/python3
"""The real program on the desktops users run, each set up here afresh: GNOME's
mutter and KDE's kwin_wayland as headless Wayland compositors, with XWayland
(how the program runs there) and without it (Qt's Wayland plugin); scaled X
screens at 150 % and 200 %; no display at all. Results are read from outside:
window properties, screenshots, the X cursor, the clipboard through xclip and
wl-paste, the exit status and what the program prints.

    /usr/bin/python3 desktops_e2e.py --exe PATH [--only NAME ...] [--list]
    /usr/bin/python3 desktops_e2e.py --exe kestrune.exe --wine build-win/wine-run.sh ...

With --wine the rows of the Windows program run (a screen of 144 dpi);
a row a machine cannot run (no compositor installed) says so and is skipped."""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time
import traceback

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import kestrune_e2e as e2e  # noqa: E402
from kestrune_e2e import APP, BUTTONS, LIMIT, MAIN, SKIP, Failed, Skipped, check, poll, run  # noqa: E402

RESULTS = "postfree.example\r\nkestrune.example\r\nsendwave-marketing.example\r\n"  # the samples' domains
SIZE = (536, 561)  # the window's client area at 100 %
CANNOT = "Kestrune Domain Extractor cannot open its window"


def twips(t, scale):
    return round(t / 15 * scale)


class ScaledDisplay:
    """An Xvfb of its own whose desktop asks for `dpi` (Xft.dpi, as desktops set it)."""

    def __init__(self, width, height, dpi):
        from Xlib import Xatom, display as xdisplay
        r, w = os.pipe()
        self.server = subprocess.Popen(["Xvfb", "-displayfd", str(w), "-screen", "0", "%dx%dx24" % (width, height),
                                        "-nolisten", "tcp", "-noreset"], pass_fds=[w], stderr=subprocess.DEVNULL)
        os.close(w)
        with os.fdopen(r) as f:
            self.name = ":" + f.readline().strip()
        try:
            d = xdisplay.Display(self.name)
            d.screen().root.change_property(d.intern_atom("RESOURCE_MANAGER"), Xatom.STRING, 8,
                                            b"Xft.dpi:\t%d\n" % dpi)
            d.sync()
            d.close()
        except Exception:
            self.close()
            raise
        self.manager_stuck = None
        self.env = {}

    def close(self):
        self.server.terminate()
        self.server.wait()


class Compositor:
    """A headless Wayland compositor in a D-Bus session of its own, with
    XWayland or without. Its clients' environment is what it hands the
    command it starts, which waits until the compositor is to stop."""

    def __init__(self, kind, xwayland, width=1280, height=1024):
        self.kind = kind
        self.runtime = tempfile.mkdtemp(prefix="kestrune-wl-")
        os.chmod(self.runtime, 0o700)
        envfile = os.path.join(self.runtime, "env")
        waiter = os.path.join(self.runtime, "session.sh")
        with open(waiter, "w") as f:
            f.write('#!/bin/sh\nenv > "%s.tmp" && mv "%s.tmp" "%s"\nwhile [ -e "%s" ]; do sleep 0.2; done\n'
                    % ((envfile,) * 4))
        os.chmod(waiter, 0o755)
        env = dict(os.environ, XDG_RUNTIME_DIR=self.runtime)
        for name in ("DISPLAY", "WAYLAND_DISPLAY", "XAUTHORITY", "DBUS_SESSION_BUS_ADDRESS", "QT_QPA_PLATFORM"):
            env.pop(name, None)
        socket = "wayland-kestrune"
        if kind == "mutter":
            command = ["mutter", "--headless", "--wayland", "--virtual-monitor", "%dx%d" % (width, height),
                       "--wayland-display", socket] + ([] if xwayland else ["--no-x11"]) + ["--", waiter]
        else:
            env["KWIN_SCREENSHOT_NO_PERMISSION_CHECKS"] = "1"
            command = [self.kwin(), "--virtual", "--width", str(width), "--height", str(height), "--socket", socket,
                       "--no-lockscreen", "--no-global-shortcuts", "--no-kactivities"] + \
                (["--xwayland"] if xwayland else []) + ["--exit-with-session", waiter]
        self.log = open(os.path.join(self.runtime, "compositor.log"), "w+")
        self.proc = subprocess.Popen(["dbus-run-session", "--"] + command, env=env, stdout=self.log,
                                     stderr=subprocess.STDOUT, start_new_session=True)
        self.envfile = envfile
        try:
            poll("%s to start" % kind, lambda: os.path.exists(envfile) or self.ended())
            check(self.proc.poll() is None, "%s ended at once:\n%s" % (kind, self.output()))
        except Failed:
            self.close()
            raise
        with open(envfile) as f:
            given = dict(line.rstrip("\n").split("=", 1) for line in f if "=" in line)
        self.env = {k: given[k] for k in ("WAYLAND_DISPLAY", "DISPLAY", "XAUTHORITY", "DBUS_SESSION_BUS_ADDRESS",
                                          "XDG_RUNTIME_DIR") if given.get(k)}
        self.name = self.env.get("DISPLAY", "")
        self.manager_stuck = None

    def kwin(self):
        """kwin_wayland asks for a file capability that a container may not
        grant (exec then fails with EPERM): a copy without it runs alike. It
        must keep its name, by which it takes its own Qt platform."""
        try:
            if subprocess.run(["kwin_wayland", "--version"], capture_output=True).returncode == 0:
                return "kwin_wayland"
        except PermissionError:
            pass
        copy = os.path.join(self.runtime, "kwin", "kwin_wayland")
        os.makedirs(os.path.dirname(copy))
        shutil.copy(shutil.which("kwin_wayland"), copy)
        return copy

    def ended(self):
        return self.proc.poll() is not None

    def output(self):
        self.log.seek(0)
        return self.log.read()[-3000:]

    def close(self):
        if os.path.exists(self.envfile):
            os.remove(self.envfile)
        try:
            self.proc.wait(LIMIT)
        except subprocess.TimeoutExpired:
            os.killpg(self.proc.pid, 15)
            self.proc.wait()
        self.log.close()
        shutil.rmtree(self.runtime, ignore_errors=True)


class Keyboard:
    """Keys through mutter's remote-desktop service: a headless mutter has no
    input devices, and a Wayland program (wl-paste among them) needs a
    keyboard on the seat to be focused."""

    def __init__(self, compositor):
        from gi.repository import Gio, GLib
        self.GLib = GLib
        flags = Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT | Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION
        self.bus = Gio.DBusConnection.new_for_address_sync(compositor.env["DBUS_SESSION_BUS_ADDRESS"], flags,
                                                           None, None)
        self.path = self.call("/org/gnome/Mutter/RemoteDesktop", "org.gnome.Mutter.RemoteDesktop",
                              "CreateSession", None).unpack()[0]
        self.call(self.path, "org.gnome.Mutter.RemoteDesktop.Session", "Start", None)
        # The seat has a keyboard once the first key has been sent through it.
        self.key(0xffe1)  # Shift

    def call(self, path, interface, method, args):
        return self.bus.call_sync("org.gnome.Mutter.RemoteDesktop", path, interface, method, args, None, 0, 10000,
                                  None)

    def key(self, *keysyms):
        """Presses and releases each key; a tuple is a chord."""
        for k in keysyms:
            chord = k if isinstance(k, tuple) else (k,)
            for state in (True, False):
                for sym in (chord if state else reversed(chord)):
                    self.call(self.path, "org.gnome.Mutter.RemoteDesktop.Session", "NotifyKeyboardKeysym",
                              self.GLib.Variant("(ub)", (sym, state)))
            time.sleep(0.05)

    def close(self):
        self.call(self.path, "org.gnome.Mutter.RemoteDesktop.Session", "Stop", None)
        self.bus.close_sync(None)


class Session(e2e.Session):
    """The program started as the desktop starts it: the compositor's
    environment, and no platform asked for."""

    def __init__(self, display, exe, wine=None, extra=None):
        super().__init__(display, exe, wine)
        for name in ("WAYLAND_DISPLAY", "XAUTHORITY", "DBUS_SESSION_BUS_ADDRESS", "XDG_RUNTIME_DIR"):
            self.env.pop(name, None)
        self.env.update(display.env)
        self.env.update(extra or {})
        # This script's own X connections (python-xlib) authorize as the program does.
        self.xauthority = os.environ.get("XAUTHORITY")
        if display.env.get("XAUTHORITY"):
            os.environ["XAUTHORITY"] = display.env["XAUTHORITY"]

    def end(self):
        if os.environ.get("KESTRUNE_E2E_KEEP"):  # the session's folder, to look at afterwards
            kept = tempfile.mkdtemp(prefix="kestrune-kept-")
            shutil.copytree(self.dir, kept, dirs_exist_ok=True)
            print("kept", kept)
        super().end()
        if self.xauthority is None:
            os.environ.pop("XAUTHORITY", None)
        else:
            os.environ["XAUTHORITY"] = self.xauthority

    def geometry(self, wid):
        """The client area on the screen. xdotool counts a reparenting window
        manager's frame into the position (mutter's is one)."""
        from Xlib import display as xdisplay, error
        d = xdisplay.Display(self.display)
        try:
            win = d.create_resource_object("window", int(wid))
            size = win.get_geometry()
            origin = win.translate_coords(d.screen().root, 0, 0)
            return -origin.x, -origin.y, size.width, size.height
        except error.XError:
            raise Failed("window %s is gone" % wid)
        finally:
            d.close()

    def wl_paste(self):
        out = subprocess.run(["wl-paste", "--no-newline"], capture_output=True, env=self.env, timeout=LIMIT)
        return out.stdout.decode("utf-8", "replace")

    def property_atoms(self, wid, name):
        from Xlib import display as xdisplay
        d = xdisplay.Display(self.display)
        try:
            got = d.create_resource_object("window", int(wid)).get_full_property(d.intern_atom(name), 0)
            return [d.get_atom_name(a) for a in got.value] if got else []
        finally:
            d.close()

    def cardinals(self, wid, name):
        from Xlib import display as xdisplay
        d = xdisplay.Display(self.display)
        try:
            got = d.create_resource_object("window", int(wid)).get_full_property(d.intern_atom(name), 0)
            return list(got.value) if got else []
        finally:
            d.close()

    def samples_extracted_copied(self):
        s = self
        s.click(9)
        s.extract()
        s.click(5)
        s.answer(APP, "Return")


def described_window(s, width, height):
    """The described window as the window manager shows it: its size, the
    actions its title bar offers (minimise and close, no maximise), centred,
    frame and all."""
    x, y, w, h = s.geometry(s.main)
    check((w, h) == SIZE, "a %dx%d window" % (w, h))
    actions = s.property_atoms(s.main, "_NET_WM_ALLOWED_ACTIONS")
    check("_NET_WM_ACTION_CLOSE" in actions and "_NET_WM_ACTION_MINIMIZE" in actions, "actions %s" % actions)
    check(not any("MAXIMIZE" in a or "RESIZE" in a for a in actions), "the title bar offers %s" % actions)
    left, right, top, bottom = s.cardinals(s.main, "_NET_FRAME_EXTENTS") or [0, 0, 0, 0]
    check(top > 0, "no title bar: frame %s" % [left, right, top, bottom])
    frame = (x - left, y - top, w + left + right, h + top + bottom)
    want = ((width - frame[2]) // 2, (height - frame[3]) // 2)
    check(abs(frame[0] - want[0]) <= 1 and abs(frame[1] - want[1]) <= 1, "frame at %s, centred is %s" % (frame, want))


def through_xwayland(kind):
    def scenario(exe, wine):
        compositor = Compositor(kind, xwayland=True)
        keyboard = None
        s = Session(compositor, exe, wine)
        try:
            s.start()
            described_window(s, 1280, 1024)
            s.samples_extracted_copied()
            check(s.clipboard() == RESULTS, "an X11 program pastes %r" % s.clipboard()[:200])
            if kind == "mutter":
                keyboard = Keyboard(compositor)
            check(s.wl_paste() == RESULTS, "a Wayland program pastes %r" % s.wl_paste()[:200])
            s.close()
            if kind == "mutter":
                # GNOME keeps the clipboard when its owner ends (KDE leaves that to Klipper).
                poll("X11 programs to paste after the end", lambda: s.clipboard() == RESULTS, 10)
                poll("Wayland programs to paste after the end", lambda: s.wl_paste() == RESULTS, 10)
        finally:
            if keyboard:
                keyboard.close()
            s.end()
            compositor.close()
    return scenario


def without_xwayland(exe, wine):
    """A Wayland desktop without XWayland: the program runs on Qt's Wayland
    plugin, driven from the keyboard (a client cannot be clicked at a place
    there from outside), and its copy is pasted by Wayland programs, also
    after it ends. Its protocol log shows when each window is up."""
    if not os.path.exists("/usr/lib/x86_64-linux-gnu/qt6/plugins/platforms/libqwayland-generic.so"):
        raise Skipped("Qt's Wayland plugin (qt6-wayland) is not installed")
    compositor = Compositor("mutter", xwayland=False)
    keyboard = Keyboard(compositor)
    s = Session(compositor, exe, wine, {"WAYLAND_DEBUG": "client"})
    s.env.pop("DISPLAY", None)
    try:
        trace = os.path.join(s.dir, ".bin", "log")
        s.log = open(trace, "w+")
        s.proc = subprocess.Popen([exe], cwd=s.dir, env=s.env, stdout=s.log, stderr=subprocess.STDOUT)
        seen, main_surface = [0], [None]

        def focused(title=None):
            """Waits for the keyboard to enter a new window of that title, or
            to come back to the main window."""
            def up():
                check(s.proc.poll() is None, "the program ended (%s)" % s.proc.returncode)
                with open(trace, errors="replace") as f:  # an offset of its own: the program writes on
                    text = f.read()
                at = text.find('set_title("%s")' % title, seen[0]) if title else seen[0]
                if at < 0:
                    return False
                for line in text[at:].splitlines(keepends=True):
                    at += len(line)
                    if "wl_keyboard@" in line and ".enter(" in line:
                        surface = line.split("wl_surface@")[1].split(",")[0]
                        if title or surface == main_surface[0]:
                            seen[0] = at
                            return surface
                return False
            surface = poll("window %r to take the keyboard" % (title or MAIN), up)
            if title == MAIN:
                main_surface[0] = surface
        focused(MAIN)
        tab, ret = 0xff09, 0xff0d
        # The first list has the focus; four Tabs reach "Load Sample Emails", one more "Start Extracting".
        keyboard.key(tab, tab, tab, tab, ret, tab, ret)
        focused(APP)
        keyboard.key(ret)  # "Done."
        focused()
        keyboard.key(tab, tab, tab, tab, ret)  # the result list, two saves, then "Copy Results To Clipboard"
        focused(APP)
        keyboard.key(ret)
        focused()
        check(s.wl_paste() == RESULTS, "a Wayland program pastes %r" % s.wl_paste()[:200])
        keyboard.key((0xffe9, 0xffc1))  # Alt+F4, the desktop's close
        try:
            s.proc.wait(LIMIT)
        except subprocess.TimeoutExpired:
            raise Failed("the program did not end on Alt+F4")
        check(s.proc.returncode == 0, "exit status %s" % s.proc.returncode)
        poll("Wayland programs to paste after the end", lambda: s.wl_paste() == RESULTS, 10)
    finally:
        keyboard.close()
        s.end()
        compositor.close()


def no_platform(case):
    """No window can be shown: the program says why and ends with status 1, never an abort."""
    def scenario(exe, wine):
        home = tempfile.mkdtemp(prefix="kestrune-e2e-")
        env = dict(os.environ, HOME=home)
        for name in ("DISPLAY", "WAYLAND_DISPLAY", "WAYLAND_SOCKET", "QT_QPA_PLATFORM"):
            env.pop(name, None)
        if case == "a compositor gone":
            env.update(WAYLAND_DISPLAY=os.path.join(home, "wayland-gone"), XDG_RUNTIME_DIR=home)
        elif case == "a platform that is not there":
            env.update(QT_QPA_PLATFORM="nonesuch")
        try:
            done = subprocess.run([exe], env=env, capture_output=True, text=True, timeout=LIMIT, cwd=home)
        finally:
            shutil.rmtree(home, ignore_errors=True)
        check(done.returncode == 1, "exit status %s:\n%s" % (done.returncode, done.stderr[-800:]))
        check(CANNOT in done.stderr, "it says %r" % done.stderr[-800:])
    return scenario


def frame_runs(image, width, scale, rect):
    """For each side of a list (left, top, width, height in pixels), the runs
    of frame-coloured device pixels across its edge, half-way along."""
    def pixel(x, y):
        i = (y * width + x) * 4
        return image[i + 2], image[i + 1], image[i]
    left, top, w, h = (v * scale for v in rect)
    colour = pixel(int(left + w / 2), round(top))
    check(colour != (255, 255, 255), "no frame line at the list's top-left: %s" % (colour,))
    sides = {"top": (left + w / 2, top, 0, 1), "bottom": (left + w / 2, top + h - 0.01, 0, -1),
             "left": (left, top + h / 2, 1, 0), "right": (left + w - 0.01, top + h / 2, -1, 0)}
    found = {}
    for name, (x, y, dx, dy) in sides.items():
        x, y = int(x) - 3 * dx, int(y) - 3 * dy
        hits = [i for i in range(8 + int(scale)) if pixel(x + i * dx, y + i * dy) == colour]
        runs = []
        for i in hits:
            if runs and runs[-1][1] == i - 1:
                runs[-1][1] = i
            else:
                runs.append([i, i])
        found[name] = [(a, b - a + 1) for a, b in runs]
    return found


def scaled(dpi, screen):
    """At 150 % or 200 % (Xft.dpi 144 or 192): the window scaled exactly, both
    lists' frames one line a side, as wide as a pixel there, and none doubled,
    the hand as large as the screen's pixels make it, and the window placed so
    that all of it that fits is on the screen: centred, or at the top when it is
    taller than the screen."""
    def scenario(exe, wine):
        scale = dpi / 96
        display = ScaledDisplay(screen[0], screen[1], dpi)
        s = Session(display, exe, wine)
        try:
            s.start()
            x, y, w, h = s.geometry(s.main)
            check((w, h) == (round(SIZE[0] * scale), round(SIZE[1] * scale)), "a %dx%d window" % (w, h))
            want = ((screen[0] - w) // 2, (screen[1] - h) // 2 if h <= screen[1] else 0)
            check(abs(x - want[0]) <= 1 and abs(y - want[1]) <= 1, "at %d,%d where %s was wanted" % (x, y, want))
            from Xlib import X, display as xdisplay
            d = xdisplay.Display(s.display)
            try:
                # What is on the screen of it: the window may reach below the screen.
                win, shown = d.create_resource_object("window", int(s.main)), min(h, screen[1] - y)
                poll("the lists to be drawn", lambda: win.get_image(0, 0, w, shown, X.ZPixmap, 0xFFFFFFFF).data[
                    (round(10 * scale) * w + round(100 * scale)) * 4] != 0)
                image = win.get_image(0, 0, w, shown, X.ZPixmap, 0xFFFFFFFF).data
            finally:
                d.close()
            line = max(1, round(scale))
            for name, rect in (("Email(s)", (8, 8, 520, 185)), ("Domain(s)", (8, 301, 520, 185))):
                for side, runs in frame_runs(image, w, scale, rect).items():
                    if os.environ.get("KESTRUNE_E2E_VERBOSE"):
                        print("  %s %s: %s" % (name, side, runs))
                    check(len(runs) == 1 and runs[0][1] == line and 3 <= runs[0][0] <= 4,
                          "the %s list's %s line: %s, where one of %d was wanted" % (name, side, runs, line))
            # The hand over a button, as the X server shows it.
            left, top, bw, bh = (twips(t, scale) for t in BUTTONS[1])
            s.xdo("mousemove", str(x + left + bw // 2), str(y + top + bh // 2))
            s.xdo("mousemove", str(x + left + bw // 2 + 1), str(y + top + bh // 2))

            def hand():
                d = xdisplay.Display(s.display)
                try:
                    d.xfixes_query_version()
                    image = d.xfixes_get_cursor_image(d.screen().root)
                    return (image.width, image.height) if image.cursor_serial and image.width >= 20 else None
                finally:
                    d.close()
            size = poll("the pointer over a button", hand)
            want = round(32 * scale)
            check(size == (want, want), "the hand is %dx%d, where %d was wanted" % (size + (want,)))
            s.close()
        finally:
            s.end()
            display.close()
    return scenario


class WineRegistry:
    """Values of the Windows registry in Wine's prefix for one row, the old
    ones put back afterwards. Wine reads them when its server starts: it is
    let end before and after."""

    def __init__(self, wine, values):
        self.wine, self.values, self.old = wine, values, []

    def reg(self, *args):
        return run(self.wine, "reg", *args)

    def __enter__(self):
        for key, name, kind, data in self.values:
            # "    NAME    REG_SZ    255 255 255": the value is all that follows its type.
            found = [line.split(kind, 1)[1].strip() for line in self.reg("query", key, "/v", name).stdout.splitlines()
                     if line.split()[:2] == [name, kind]]
            self.old.append((key, name, kind, found[0] if found else None))
            self.reg("add", key, "/v", name, "/t", kind, "/d", data, "/f")
        run(self.wine, "--wait")
        return self

    def __exit__(self, *exc):
        for key, name, kind, data in self.old:
            if data is None:
                self.reg("delete", key, "/v", name, "/f")
            else:
                self.reg("add", key, "/v", name, "/t", kind, "/d", data, "/f")
        run(self.wine, "--wait")


def window_image(s, width, height):
    """The window's pixels as the X server shows them, once drawn."""
    from Xlib import X, display as xdisplay
    d = xdisplay.Display(s.display)
    try:
        win = d.create_resource_object("window", int(s.main))
        grab = lambda: win.get_image(0, 0, width, height, X.ZPixmap, 0xFFFFFFFF).data  # noqa: E731
        poll("the window to be drawn", lambda: len(set(grab()[::4 * 997])) > 2)
        return grab()
    finally:
        d.close()


def pointer_size(s, x, y):
    """The X cursor's size with the pointer at x, y of the screen."""
    from Xlib import display as xdisplay
    s.xdo("mousemove", str(x), str(y))
    s.xdo("mousemove", str(x + 1), str(y))

    def shown():
        d = xdisplay.Display(s.display)
        try:
            d.xfixes_query_version()
            image = d.xfixes_get_cursor_image(d.screen().root)
            return (image.width, image.height) if image.width >= 20 else None
        finally:
            d.close()
    return poll("the pointer to change", shown)


def windows_144dpi(exe, wine):
    """Windows at 144 dpi (Wine's LogPixels): the window scaled exactly, both
    lists' frames one line a side, two device pixels wide, the hand 48 pixels."""
    if not wine:
        raise Skipped("the Windows program's")
    desktop = r"HKCU\Control Panel\Desktop"
    with WineRegistry(wine, [(desktop, "LogPixels", "REG_DWORD", "144")]):
        display = ScaledDisplay(1280, 1024, 96)
        s = Session(display, exe, wine)
        try:
            s.start()
            x, y, w, h = s.geometry(s.main)
            check((w, h) == (804, 842), "a %dx%d window" % (w, h))
            check(x >= 0 and y >= 0 and x + w <= 1280 and y + h <= 1024, "at %d,%d, off the screen" % (x, y))
            # Windows focuses the first list at once: Tab takes the focus ring to a button.
            s.xdo("windowfocus", "--sync", s.main)
            s.xdo("key", "Tab")
            image = window_image(s, w, h)
            for name, rect in (("Email(s)", (8, 8, 520, 185)), ("Domain(s)", (8, 301, 520, 185))):
                for side, runs in frame_runs(image, w, 1.5, rect).items():
                    check(len(runs) == 1 and runs[0][1] == 2 and 3 <= runs[0][0] <= 4,
                          "the %s list's %s line: %s, where one of 2 was wanted" % (name, side, runs))
            left, top, bw, bh = (twips(t, 1.5) for t in BUTTONS[1])
            size = pointer_size(s, x + left + bw // 2, y + top + bh // 2)
            check(size == (48, 48), "the hand is %dx%d, where 48 was wanted" % size)
            s.close()
        finally:
            s.end()
            display.close()


# Windows' "High Contrast Black" colours, as its control panel sets them.
HIGH_CONTRAST = {"Window": "0 0 0", "WindowText": "255 255 255", "ButtonFace": "0 0 0", "ButtonText": "255 255 255",
                 "Hilight": "26 235 255", "HilightText": "0 0 0", "GrayText": "63 242 63", "Menu": "0 0 0",
                 "MenuText": "255 255 255", "InfoWindow": "0 0 0", "InfoText": "255 255 255"}


def windows_high_contrast(exe, wine):
    """Windows in high-contrast colours: the window's surface is the system's
    window colour, not white, and the captions read 4.5:1 on their faces
    (Wine keeps its light theme then, where Windows turns its styles off)."""
    if not wine:
        raise Skipped("the Windows program's")
    colours = r"HKCU\Control Panel\Colors"
    with WineRegistry(wine, [(colours, k, "REG_SZ", v) for k, v in HIGH_CONTRAST.items()]):
        display = ScaledDisplay(1280, 1024, 96)
        s = Session(display, exe, wine)
        try:
            s.start()
            _, _, w, h = s.geometry(s.main)
            image = window_image(s, w, h)

            def pixel(x, y):
                i = (y * w + x) * 4
                return image[i + 2], image[i + 1], image[i]
            for at in ((2, 2), (268, 196), (268, 296), (530, 556)):
                check(pixel(*at) == (0, 0, 0), "the surface at %s is %s" % (at, pixel(*at)))
            for what, (left, top, width, height) in (("a button's caption", (8, 199, 256, 27)),
                                                     ("a list's header", (10, 10, 80, 16))):
                face = pixel(left + 4, top + height // 2)
                best = max(contrast(pixel(x, y), face) for x in range(left + 4, left + width - 4)
                           for y in range(top + 4, top + height - 4))
                check(best >= 4.5, "%s reads %.1f:1 on %s" % (what, best, face))
            s.close()
        finally:
            s.end()
            display.close()


def contrast(a, b):
    """WCAG's contrast ratio of two colours."""
    def luminance(c):
        v = [x / 255 for x in c]
        v = [x / 12.92 if x <= 0.04045 else ((x + 0.055) / 1.055) ** 2.4 for x in v]
        return 0.2126 * v[0] + 0.7152 * v[1] + 0.0722 * v[2]
    la, lb = sorted((luminance(a), luminance(b)))
    return (lb + 0.05) / (la + 0.05)


SCENARIOS = [
    ("mutter_xwayland", through_xwayland("mutter")),
    ("kwin_xwayland", through_xwayland("kwin")),
    ("mutter_without_xwayland", without_xwayland),
    ("no_display", no_platform("no display")),
    ("compositor_gone", no_platform("a compositor gone")),
    ("platform_missing", no_platform("a platform that is not there")),
    ("scaled_150", scaled(144, (1280, 1024))),
    ("scaled_200_on_1080_lines", scaled(192, (1920, 1080))),
    ("windows_144dpi", windows_144dpi),
    ("windows_high_contrast", windows_high_contrast),
]

# Which rows run where: the Linux program's on Linux, the Windows program's under Wine.
WINDOWS_ROWS = {"windows_144dpi", "windows_high_contrast"}

NEEDS = {"mutter_xwayland": ["mutter", "Xwayland", "wl-paste", "dbus-run-session"],
         "kwin_xwayland": ["kwin_wayland", "Xwayland", "wl-paste", "dbus-run-session"],
         "mutter_without_xwayland": ["mutter", "wl-paste", "dbus-run-session"]}


def main(argv=None):
    parser = argparse.ArgumentParser()
    parser.add_argument("--exe")
    parser.add_argument("--wine")
    parser.add_argument("--only", nargs="+", action="extend", default=[])
    parser.add_argument("--list", action="store_true")
    args = parser.parse_args(argv)
    names = [n for n, _ in SCENARIOS]
    if args.list:
        print("\n".join(names))
        return 0
    if not args.exe or any(n not in names for n in args.only):
        parser.error("--exe is required, and --only takes: " + " ".join(names))
    missing = e2e.preflight()
    if missing:
        print("skipped: missing " + ", ".join(missing))
        return SKIP
    import Xlib.protocol.display
    import Xlib.protocol.event
    failures = passes = 0
    for name, scenario in SCENARIOS:
        if args.only and name not in args.only:
            continue
        if (name in WINDOWS_ROWS) != bool(args.wine):
            continue
        absent = [t for t in NEEDS.get(name, []) if not shutil.which(t)]
        began = time.monotonic()
        # python-xlib keeps the X extensions' event numbers in one table for all
        # its connections: each row meets a server of its own, which numbers
        # them its own way.
        Xlib.protocol.display.Display.event_classes = Xlib.protocol.event.event_class.copy()
        try:
            if absent:
                raise Skipped("not installed: " + ", ".join(absent))
            scenario(os.path.abspath(args.exe), args.wine and os.path.abspath(args.wine))
            print("PASS %s (%.1f s)" % (name, time.monotonic() - began), flush=True)
            passes += 1
        except Skipped as e:
            print("SKIP %s: %s" % (name, e), flush=True)
        except Exception as e:  # a Failed check, or the driver's own fault: either fails the row
            failures += 1
            detail = "" if isinstance(e, Failed) else "\n" + traceback.format_exc()
            print("FAIL %s: %s%s" % (name, e, detail), flush=True)
    # Nothing that ran is no pass.
    return 1 if failures else 0 if passes else SKIP


if __name__ == "__main__":
    sys.exit(main())
