#!/usr/bin/python3
"""The real program on the desktops users run, each set up here afresh for its
row: GNOME's mutter and KDE's kwin_wayland as headless Wayland compositors,
with XWayland (how the program runs there) and without (Qt's Wayland plugin);
X screens at 150 % and 200 %; no display at all; under Wine, 144 dpi and
high-contrast colours. Results are read from outside: window properties,
screenshots, the X cursor, the clipboard through xclip and wl-paste, the exit
status and what the program prints.

    /usr/bin/python3 desktops_e2e.py --exe PATH [--only NAME ...] [--list]
    /usr/bin/python3 desktops_e2e.py --exe kestrune.exe --wine build-win/wine-run.sh ..."""

import argparse
import contextlib
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
SIZE = (536, 561)  # the client area at 100 %
LISTS = (("Email(s)", (8, 8, 520, 185)), ("Domain(s)", (8, 301, 520, 185)))
CANNOT = "Kestrune Domain Extractor cannot open its window"
TAB, RETURN, ALT, F4, SHIFT = 0xff09, 0xff0d, 0xffe9, 0xffc1, 0xffe1


@contextlib.contextmanager
def x11(name):
    from Xlib import display as xdisplay
    d = xdisplay.Display(name)
    try:
        yield d
    finally:
        d.close()


class ScaledDisplay:
    """An Xvfb of its own whose desktop asks for `dpi` (Xft.dpi, as desktops set it)."""

    def __init__(self, width, height, dpi=96):
        from Xlib import Xatom
        r, w = os.pipe()
        self.server = subprocess.Popen(["Xvfb", "-displayfd", str(w), "-screen", "0", "%dx%dx24" % (width, height),
                                        "-nolisten", "tcp", "-noreset"], pass_fds=[w], stderr=subprocess.DEVNULL)
        os.close(w)
        with os.fdopen(r) as f:
            self.name = ":" + f.readline().strip()
        self.size, self.env, self.manager_stuck = (width, height), {}, None
        try:
            with x11(self.name) as d:
                d.screen().root.change_property(d.intern_atom("RESOURCE_MANAGER"), Xatom.STRING, 8,
                                                b"Xft.dpi:\t%d\n" % dpi)
                d.sync()
        except Exception:
            self.close()
            raise

    def close(self):
        self.server.terminate()
        self.server.wait()


class Compositor:
    """A headless Wayland compositor in a D-Bus session of its own, with
    XWayland or without. Its clients' environment is what it hands the command
    it starts, which waits until the compositor is to stop."""

    def __init__(self, kind, xwayland):
        self.runtime = tempfile.mkdtemp(prefix="kestrune-wl-")
        os.chmod(self.runtime, 0o700)
        self.envfile = os.path.join(self.runtime, "env")
        waiter = os.path.join(self.runtime, "session.sh")
        with open(waiter, "w") as f:
            f.write('#!/bin/sh\nenv > "$0.env.tmp" && mv "$0.env.tmp" "%s"\nwhile [ -e "%s" ]; do sleep 0.2; done\n'
                    % (self.envfile, self.envfile))
        os.chmod(waiter, 0o755)
        env = dict(os.environ, XDG_RUNTIME_DIR=self.runtime)
        for name in ("DISPLAY", "WAYLAND_DISPLAY", "XAUTHORITY", "DBUS_SESSION_BUS_ADDRESS", "QT_QPA_PLATFORM"):
            env.pop(name, None)
        socket, self.size = "wayland-kestrune", (1280, 1024)
        if kind == "mutter":
            command = ["mutter", "--headless", "--wayland", "--virtual-monitor", "1280x1024", "--wayland-display",
                       socket] + ([] if xwayland else ["--no-x11"]) + ["--", waiter]
        else:
            command = [self.kwin(), "--virtual", "--width", "1280", "--height", "1024", "--socket", socket,
                       "--no-lockscreen", "--no-global-shortcuts", "--no-kactivities"] + \
                (["--xwayland"] if xwayland else []) + ["--exit-with-session", waiter]
        self.log = open(os.path.join(self.runtime, "compositor.log"), "w+")
        self.proc = subprocess.Popen(["dbus-run-session", "--"] + command, env=env, stdout=self.log,
                                     stderr=subprocess.STDOUT, start_new_session=True)
        try:
            poll("%s to start" % kind, lambda: os.path.exists(self.envfile) or self.proc.poll() is not None)
            check(self.proc.poll() is None, "%s ended at once:\n%s" % (kind, self.output()))
        except Failed:
            self.close()
            raise
        with open(self.envfile) as f:
            given = dict(line.rstrip("\n").split("=", 1) for line in f if "=" in line)
        self.env = {k: given[k] for k in ("WAYLAND_DISPLAY", "DISPLAY", "XAUTHORITY", "DBUS_SESSION_BUS_ADDRESS",
                                          "XDG_RUNTIME_DIR") if given.get(k)}
        self.name, self.manager_stuck = self.env.get("DISPLAY", ""), None

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
        self.path = self.call("/org/gnome/Mutter/RemoteDesktop", "CreateSession", None, "").unpack()[0]
        self.call(self.path, "Start")
        self.key(SHIFT)  # the seat has a keyboard once a key has been sent through it

    def call(self, path, method, args=None, interface=".Session"):
        return self.bus.call_sync("org.gnome.Mutter.RemoteDesktop", path, "org.gnome.Mutter.RemoteDesktop" + interface,
                                  method, args, None, 0, 10000, None)

    def key(self, *keysyms):
        """Presses and releases each key; a tuple is a chord."""
        for k in keysyms:
            chord = k if isinstance(k, tuple) else (k,)
            for sym, down in [(s, True) for s in chord] + [(s, False) for s in reversed(chord)]:
                self.call(self.path, "NotifyKeyboardKeysym", self.GLib.Variant("(ub)", (sym, down)))
            time.sleep(0.05)

    def close(self):
        self.call(self.path, "Stop")
        self.bus.close_sync(None)


class Session(e2e.Session):
    """The program started as the desktop starts it: the desktop's
    environment, and no platform asked for."""

    def __init__(self, display, exe, wine=None, extra=None):
        super().__init__(display, exe, wine)
        for name in ("WAYLAND_DISPLAY", "XAUTHORITY", "DBUS_SESSION_BUS_ADDRESS", "XDG_RUNTIME_DIR"):
            self.env.pop(name, None)
        self.env.update(display.env, **(extra or {}))
        self.screen = display.size
        # This script's own X connections (python-xlib) authorize as the program does.
        self.xauthority = os.environ.get("XAUTHORITY")
        if display.env.get("XAUTHORITY"):
            os.environ["XAUTHORITY"] = display.env["XAUTHORITY"]

    def end(self):
        super().end()
        os.environ.pop("XAUTHORITY", None)
        if self.xauthority is not None:
            os.environ["XAUTHORITY"] = self.xauthority

    def geometry(self, wid):
        """The client area on the screen. xdotool counts a reparenting window
        manager's frame (mutter's) into the position."""
        from Xlib import error
        with x11(self.display) as d:
            try:
                win = d.create_resource_object("window", int(wid))
                size, origin = win.get_geometry(), win.translate_coords(d.screen().root, 0, 0)
            except error.XError:
                raise Failed("window %s is gone" % wid)
            return -origin.x, -origin.y, size.width, size.height

    def values(self, name):
        """A property of the main window: its numbers, or the names of its atoms."""
        from Xlib import Xatom
        with x11(self.display) as d:
            got = d.create_resource_object("window", int(self.main)).get_full_property(d.intern_atom(name), 0)
            if not got:
                return []
            return [d.get_atom_name(a) for a in got.value] if got.property_type == Xatom.ATOM else list(got.value)

    def wl_paste(self):
        out = subprocess.run(["wl-paste", "--no-newline"], capture_output=True, env=self.env, timeout=LIMIT)
        return out.stdout.decode("utf-8", "replace")

    def image(self, width, height):
        """The window's pixels, as much of it as is on the screen, once drawn, as a function of x and y."""
        from Xlib import X
        shown = min(height, self.screen[1] - self.geometry(self.main)[1])
        with x11(self.display) as d:
            win = d.create_resource_object("window", int(self.main))
            grab = lambda: win.get_image(0, 0, width, shown, X.ZPixmap, 0xFFFFFFFF).data  # noqa: E731
            poll("the window to be drawn", lambda: len(set(grab()[::4 * 997])) > 2)
            data = grab()
        return lambda x, y: tuple(data[(y * width + x) * 4 + 2 - c] for c in range(3))

    def pointer(self, x, y):
        """The X cursor's size with the pointer moved to x, y of the screen."""
        self.xdo("mousemove", str(x), str(y))
        self.xdo("mousemove", str(x + 1), str(y))

        def shown():
            with x11(self.display) as d:
                d.xfixes_query_version()
                image = d.xfixes_get_cursor_image(d.screen().root)
                return (image.width, image.height) if image.width >= 20 else None
        return poll("the pointer to change", shown)


def through_xwayland(kind):
    """On a Wayland desktop the program runs through XWayland: the described
    size, a title bar offering minimise and close (no maximise or resizing),
    the frame centred; its copy pasted by X11 and Wayland programs, and after
    its end on mutter, which keeps clipboards (KDE leaves that to Klipper)."""
    def scenario(exe, wine):
        compositor = Compositor(kind, xwayland=True)
        s, keyboard = Session(compositor, exe, wine), None
        try:
            s.start()
            x, y, w, h = s.geometry(s.main)
            check((w, h) == SIZE, "a %dx%d window" % (w, h))
            actions = s.values("_NET_WM_ALLOWED_ACTIONS")
            check({"_NET_WM_ACTION_CLOSE", "_NET_WM_ACTION_MINIMIZE"} <= set(actions), "actions %s" % actions)
            check(not any("MAXIMIZE" in a or "RESIZE" in a for a in actions), "the title bar offers %s" % actions)
            left, right, top, bottom = s.values("_NET_FRAME_EXTENTS") or [0] * 4
            check(top > 0, "no title bar")
            frame, room = (x - left, y - top), (1280 - w - left - right, 1024 - h - top - bottom)
            check(all(abs(f - r // 2) <= 1 for f, r in zip(frame, room)), "the frame at %s" % (frame,))
            s.click(9)
            s.extract()
            s.click(5)
            s.answer(APP, "Return")
            check(s.clipboard() == RESULTS, "an X11 program pastes %r" % s.clipboard()[:200])
            keyboard = Keyboard(compositor) if kind == "mutter" else None
            check(s.wl_paste() == RESULTS, "a Wayland program pastes %r" % s.wl_paste()[:200])
            s.close()
            if kind == "mutter":
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
    from outside there), and its copy is pasted by Wayland programs, also
    after its end. Its protocol log shows which window has the keyboard."""
    compositor = Compositor("mutter", xwayland=False)
    keyboard = Keyboard(compositor)
    # Under the sanitizers leaks are looked for in the other rows: Qt's Wayland
    # plugin leaves its Wayland objects and its last clipboard offer to the end,
    # some in graphics libraries unloaded by then, which the checker cannot name.
    quiet = (os.environ.get("ASAN_OPTIONS", "") + ":detect_leaks=0").lstrip(":")
    s = Session(compositor, exe, wine, {"WAYLAND_DEBUG": "client", "ASAN_OPTIONS": quiet})
    s.env.pop("DISPLAY", None)
    trace = os.path.join(s.dir, ".bin", "log")
    seen, main_surface = [0], [None]

    def focused(title=None):
        """Waits for the keyboard to enter a new window of that title, or to come back to the main window."""
        def up():
            check(s.proc.poll() is None, "the program ended (%s)" % s.proc.returncode)
            with open(trace, errors="replace") as f:  # an offset of its own: the program writes on
                text = f.read()
            at = text.find('set_title("%s")' % title, seen[0]) if title else seen[0]
            for line in text[at:].splitlines(keepends=True) if at >= 0 else []:
                at += len(line)
                if "wl_keyboard@" in line and ".enter(" in line:
                    surface = line.split("wl_surface@")[1].split(",")[0]
                    if title or surface == main_surface[0]:
                        seen[0] = at
                        return surface
        surface = poll("window %r to take the keyboard" % (title or MAIN), up)
        main_surface[0] = surface if title == MAIN else main_surface[0]
    try:
        s.log = open(trace, "w+")
        s.proc = subprocess.Popen([exe], cwd=s.dir, env=s.env, stdout=s.log, stderr=subprocess.STDOUT)
        focused(MAIN)
        # The first list has the focus: four Tabs reach "Load Sample Emails", one more "Start Extracting".
        keyboard.key(TAB, TAB, TAB, TAB, RETURN, TAB, RETURN)
        focused(APP)
        keyboard.key(RETURN)  # "Done."
        focused()
        keyboard.key(TAB, TAB, TAB, TAB, RETURN)  # the result list, the two saves, "Copy Results To Clipboard"
        focused(APP)
        keyboard.key(RETURN)
        focused()
        check(s.wl_paste() == RESULTS, "a Wayland program pastes %r" % s.wl_paste()[:200])
        keyboard.key((ALT, F4))  # the desktop's close
        try:
            said = lambda: "".join(l for l in open(trace, errors="replace") if not l.startswith("["))[-3000:]  # noqa
            check(s.proc.wait(LIMIT) == 0, "exit status %s:\n%s" % (s.proc.returncode, said()))
        except subprocess.TimeoutExpired:
            raise Failed("the program did not end on Alt+F4")
        poll("Wayland programs to paste after the end", lambda: s.wl_paste() == RESULTS, 10)
    finally:
        keyboard.close()
        s.end()
        compositor.close()


def no_platform(case):
    """No window can be shown: the program says why and ends with status 1, never an abort."""
    def scenario(exe, wine):
        home = tempfile.mkdtemp(prefix="kestrune-e2e-")
        env = {k: v for k, v in os.environ.items()
               if k not in ("DISPLAY", "WAYLAND_DISPLAY", "WAYLAND_SOCKET", "QT_QPA_PLATFORM")}
        env.update({"a compositor gone": {"WAYLAND_DISPLAY": os.path.join(home, "wayland-gone")},
                    "a platform that is not there": {"QT_QPA_PLATFORM": "nonesuch"}}.get(case, {}), HOME=home)
        try:
            done = subprocess.run([exe], env=env, capture_output=True, text=True, timeout=LIMIT, cwd=home)
        finally:
            shutil.rmtree(home, ignore_errors=True)
        check(done.returncode == 1 and CANNOT in done.stderr, "status %s:\n%s" % (done.returncode, done.stderr[-800:]))
    return scenario


def frame_runs(pixel, scale, rect):
    """For each side of a list (left, top, width, height in pixels): where the
    frame's colour runs across the edge, half-way along, from three device
    pixels outside on."""
    left, top, w, h = (v * scale for v in rect)
    colour = pixel(int(left + w / 2), round(top))
    check(colour != (255, 255, 255), "no frame line at the list's top")
    sides = {"top": (left + w / 2, top, 0, 1), "bottom": (left + w / 2, top + h - 0.01, 0, -1),
             "left": (left, top + h / 2, 1, 0), "right": (left + w - 0.01, top + h / 2, -1, 0)}
    found = {}
    for name, (x, y, dx, dy) in sides.items():
        x, y, runs = int(x) - 3 * dx, int(y) - 3 * dy, []
        for i in (i for i in range(8 + int(scale)) if pixel(x + i * dx, y + i * dy) == colour):
            if runs and sum(runs[-1]) == i:
                runs[-1][1] += 1
            else:
                runs.append([i, 1])
        found[name] = runs
    return found


def scaled_window(s, scale, centred):
    """The window at a scale: sized exactly; on the screen (centred, or at the
    top where it is too high); both lists' frames one line a side, as wide as
    a pixel there, at their edge; the hand as large as the screen's pixels
    make it."""
    x, y, w, h = s.geometry(s.main)
    check((w, h) == (round(SIZE[0] * scale), round(SIZE[1] * scale)), "a %dx%d window" % (w, h))
    want = ((s.screen[0] - w) // 2, max(0, (s.screen[1] - h) // 2))
    check(abs(x - want[0]) <= 1 and abs(y - want[1]) <= 1 if centred else x >= 0 and y >= 0,
          "at %d,%d where %s was wanted" % (x, y, want))
    line, wrong = max(1, round(scale)), []

    def frames_whole():
        """Each side's frame as drawn now; a repaint may still be on its way."""
        pixel = s.image(w, h)
        wrong[:] = ["the %s list's %s line: %s, where one of %d was wanted" % (name, side, runs, line)
                    for name, rect in LISTS for side, runs in frame_runs(pixel, scale, rect).items()
                    if not (len(runs) == 1 and runs[0][1] == line and 3 <= runs[0][0] <= 4)]
        return not wrong
    try:
        poll("the lists' frames", frames_whole, 10)
    except Failed:
        raise Failed("; ".join(wrong))
    left, top, bw, bh = (round(t / 15 * scale) for t in BUTTONS[1])
    size, hand = s.pointer(x + left + bw // 2, y + top + bh // 2), round(32 * scale)
    check(size == (hand, hand), "the hand is %dx%d, where %d was wanted" % (size + (hand,)))


def scaled(dpi, screen):
    """At 150 % or 200 % (Xft.dpi 144 or 192)."""
    def scenario(exe, wine):
        display = ScaledDisplay(screen[0], screen[1], dpi)
        s = Session(display, exe, wine)
        try:
            scaled_window(s.start(), dpi / 96, centred=True)
            s.close()
        finally:
            s.end()
            display.close()
    return scenario


@contextlib.contextmanager
def wine_registry(wine, key, values):
    """Values of the Windows registry in Wine's prefix for one row, the old
    ones put back after it. Wine reads them when its server starts: it is let
    end before and after."""
    old = []
    for name, (kind, data) in values.items():
        # "    NAME    REG_SZ    255 255 255": the value is all that follows its type.
        found = [line.split(kind, 1)[1].strip() for line in run(wine, "reg", "query", key, "/v", name).stdout
                 .splitlines() if line.split()[:2] == [name, kind]]
        old.append((name, kind, found[0] if found else None))
        run(wine, "reg", "add", key, "/v", name, "/t", kind, "/d", data, "/f")
    run(wine, "--wait")
    try:
        yield
    finally:
        for name, kind, data in old:
            run(wine, "reg", *(["delete", key, "/v", name] if data is None else
                               ["add", key, "/v", name, "/t", kind, "/d", data]), "/f")
        run(wine, "--wait")


def windows_144dpi(exe, wine):
    """Windows at 144 dpi (Wine's LogPixels), focus ring away from the lists
    (Windows gives the first list the focus at once)."""
    with wine_registry(wine, r"HKCU\Control Panel\Desktop", {"LogPixels": ("REG_DWORD", "144")}):
        display = ScaledDisplay(1280, 1024)
        s = Session(display, exe, wine)
        try:
            s.start().xdo("windowfocus", "--sync", s.main)
            s.xdo("key", "Tab")
            scaled_window(s, 1.5, centred=False)
            s.close()
        finally:
            s.end()
            display.close()


# Windows' "High Contrast Black" colours, as its control panel sets them.
HIGH_CONTRAST = {"Window": "0 0 0", "WindowText": "255 255 255", "ButtonFace": "0 0 0", "ButtonText": "255 255 255",
                 "Hilight": "26 235 255", "HilightText": "0 0 0", "GrayText": "63 242 63", "Menu": "0 0 0",
                 "MenuText": "255 255 255", "InfoWindow": "0 0 0", "InfoText": "255 255 255"}


def contrast(a, b):
    """WCAG's contrast ratio of two colours."""
    def luminance(c):
        v = [x / 12.92 if x <= 0.04045 else ((x + 0.055) / 1.055) ** 2.4 for x in (x / 255 for x in c)]
        return 0.2126 * v[0] + 0.7152 * v[1] + 0.0722 * v[2]
    dark, light = sorted((luminance(a), luminance(b)))
    return (light + 0.05) / (dark + 0.05)


def windows_high_contrast(exe, wine):
    """Windows in high-contrast colours: the window's surface is the system's
    window colour, not white, and the captions read 4.5:1 on their faces
    (Wine keeps its light theme then, where Windows turns its styles off)."""
    colours = {k: ("REG_SZ", v) for k, v in HIGH_CONTRAST.items()}
    with wine_registry(wine, r"HKCU\Control Panel\Colors", colours):
        display = ScaledDisplay(1280, 1024)
        s = Session(display, exe, wine)
        try:
            pixel = s.image(*s.start().geometry(s.main)[2:])
            for at in ((2, 2), (268, 196), (268, 296), (530, 556)):
                check(pixel(*at) == (0, 0, 0), "the surface at %s is %s" % (at, pixel(*at)))
            for what, (left, top, w, h) in (("a button's caption", (8, 199, 256, 27)),
                                            ("a list's header", (10, 10, 80, 16))):
                face = pixel(left + 4, top + h // 2)
                best = max(contrast(pixel(x, y), face) for x in range(left + 4, left + w - 4)
                           for y in range(top + 4, top + h - 4))
                check(best >= 4.5, "%s reads %.1f:1 on %s" % (what, best, face))
            s.close()
        finally:
            s.end()
            display.close()


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

# The Windows program's rows, which run under --wine and only there.
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
        if (args.only and name not in args.only) or (name in WINDOWS_ROWS) != bool(args.wine):
            continue
        absent = [t for t in NEEDS.get(name, []) if not shutil.which(t)]
        began = time.monotonic()
        # python-xlib keeps the X extensions' event numbers in one table for all its
        # connections; each row meets a server of its own, which numbers them its way.
        Xlib.protocol.display.Display.event_classes = Xlib.protocol.event.event_class.copy()
        try:
            if absent:
                raise Skipped("not installed: " + ", ".join(absent))
            scenario(os.path.abspath(args.exe), args.wine and os.path.abspath(args.wine))
            print("PASS %s (%.1f s)" % (name, time.monotonic() - began), flush=True)
            passes += 1
        except Skipped as e:
            print("SKIP %s: %s" % (name, e), flush=True)
        except Exception as e:  # a failed check, or the driver's own fault: either fails the row
            failures += 1
            print("FAIL %s: %s%s" % (name, e, "" if isinstance(e, Failed) else "\n" + traceback.format_exc()),
                  flush=True)
    return 1 if failures else 0 if passes else SKIP  # nothing that ran is no pass


if __name__ == "__main__":
    sys.exit(main())
