#!/usr/bin/python3
"""Drives the real program on its own Xvfb as a user does: mouse clicks at the
buttons, keys typed into its dialogs and boxes, the window's close request.
Results are read only from outside: saved files, the clipboard, window titles
and the exit status.

    /usr/bin/python3 kestrune_e2e.py --exe PATH [--only NAME ...] [--list]
    /usr/bin/python3 kestrune_e2e.py --exe kestrune.exe --wine build-win/wine-run.sh ...

With --wine the program is the Windows one, run under Wine through the cross
build's script; rows that do not apply to one system say why (SYSTEMS).

Another file can add a scenario: import this module, append (name, function)
to SCENARIOS and call main(). A function takes a Session and raises Failed."""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time

APP = "Kestrune Domain Extractor"
MAIN = APP + " 2021"
ERROR = "Application Error"
LOAD = "Load List(s) - Hold Ctrl to select multiple list files"
SAVE = "Save"
NON_ASCII = "üïé"  # Latin-1 letters, whose keysyms are their code points
LIMIT = 30.0  # seconds for anything to show; generous for the sanitizer build
SKIP = 77     # CTest's SKIP_RETURN_CODE

# Button number -> rectangle in twips (left, top, width, height), as laid out.
BUTTONS = {1: (120, 2990, 3840, 405), 4: (4080, 2990, 3840, 405), 8: (120, 3500, 3840, 405),
           9: (4080, 3500, 3840, 405), 2: (120, 4010, 7800, 405), 6: (120, 7380, 3840, 405),
           7: (4080, 7380, 3840, 405), 5: (120, 7890, 3840, 405), 3: (4080, 7890, 3840, 405)}
# List number -> rectangle in twips: 1 the input list, 2 the result list.
LISTS = {1: (120, 120, 7800, 2780), 2: (120, 4515, 7800, 2780)}
DRAG_SOURCE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "drag_source.py")


class Failed(Exception):
    pass


class Skipped(Exception):
    """A scenario this machine cannot run (it says why); never a pass."""


def check(condition, message):
    if not condition:
        raise Failed(message)


def poll(what, probe, limit=LIMIT, interval=0.05):
    end = time.monotonic() + limit
    while True:
        value = probe()
        if value:
            return value
        if time.monotonic() > end:
            raise Failed("gave up waiting for " + what)
        time.sleep(interval)


def run(*args, **kw):
    return subprocess.run(list(args), capture_output=True, text=True, **kw)


def clipboard_manager(display, stuck):
    """Owns CLIPBOARD_MANAGER as a desktop's manager does: on SAVE_TARGETS it
    fetches the text and takes over CLIPBOARD, then serves it. While `stuck`
    is set it takes the request and never answers."""
    from Xlib import display as xdisplay
    try:
        d = xdisplay.Display(display)
        serve_clipboard(d, stuck)
    except Exception:  # the server went away at the end of the run
        pass


def serve_clipboard(d, stuck):
    """Text of any size moves in INCR steps both ways: python-xlib knows no
    BIG-REQUESTS, so one ChangeProperty carries at most STEP bytes."""
    from Xlib import X, Xatom
    from Xlib.protocol import event as xevent
    atom = d.intern_atom
    manager, clipboard, save_targets = atom("CLIPBOARD_MANAGER"), atom("CLIPBOARD"), atom("SAVE_TARGETS")
    targets, utf8, held_prop, incr = atom("TARGETS"), atom("UTF8_STRING"), atom("KESTRUNE_HELD"), atom("INCR")
    step = 0xFFFF * 4 - 24
    win = d.screen().root.create_window(0, 0, 1, 1, 0, X.CopyFromParent, event_mask=X.PropertyChangeMask)
    win.set_selection_owner(manager, X.CurrentTime)
    d.flush()
    held, pending, received, sending = None, None, None, {}

    def notify(req, prop):
        req.requestor.send_event(xevent.SelectionNotify(time=req.time, requestor=req.requestor, selection=req.selection,
                                                        target=req.target, property=prop))
        d.flush()

    def saved(text):
        nonlocal held, pending
        if text is not None:
            held = text
            win.set_selection_owner(clipboard, X.CurrentTime)
        pending.requestor.change_property(pending.property, atom("NULL"), 32, [])
        notify(pending, pending.property)
        pending = None

    while True:
        e = d.next_event()
        if e.type == X.SelectionRequest:
            prop = e.property or e.target
            if e.selection == manager and e.target == save_targets:
                if stuck.is_set():
                    continue
                pending = e
                win.convert_selection(clipboard, utf8, held_prop, X.CurrentTime)
                d.flush()
                continue
            if e.selection == clipboard and held is not None and e.target in (targets, utf8, Xatom.STRING):
                if e.target == targets:
                    e.requestor.change_property(prop, Xatom.ATOM, 32, [targets, utf8, Xatom.STRING])
                elif len(held) > step:
                    e.requestor.change_attributes(event_mask=X.PropertyChangeMask)
                    e.requestor.change_property(prop, incr, 32, [len(held)])
                    sending[(e.requestor.id, prop)] = [e.requestor, e.target, 0]
                else:
                    e.requestor.change_property(prop, e.target, 8, held)
            else:
                prop = X.NONE
            notify(e, prop)
        elif e.type == X.PropertyNotify and e.state == X.PropertyDelete and (e.window.id, e.atom) in sending:
            requestor, target, offset = sending[(e.window.id, e.atom)]
            chunk = held[offset:offset + step]
            requestor.change_property(e.atom, target, 8, chunk)  # the empty one ends the transfer
            if chunk:
                sending[(e.window.id, e.atom)][2] += len(chunk)
            else:
                del sending[(e.window.id, e.atom)]
            d.flush()
        elif (e.type == X.PropertyNotify and e.state == X.PropertyNewValue and e.window.id == win.id
              and e.atom == held_prop and received is not None):
            chunk = win.get_full_property(held_prop, X.AnyPropertyType).value
            win.delete_property(held_prop)
            d.flush()
            if chunk:
                received += chunk
            else:
                text, received = received, None
                saved(text)
        elif e.type == X.SelectionNotify and pending is not None:
            if e.property == X.NONE:
                saved(None)
                continue
            got = win.get_full_property(held_prop, X.AnyPropertyType)
            if got.property_type == incr:
                received = b""
                win.delete_property(held_prop)  # asks for the first step
                d.flush()
            else:
                saved(got.value)


class Display:
    """One Xvfb with a clipboard manager, shared by the scenarios of one run."""

    def __init__(self):
        # -noreset: the server would otherwise start afresh, forgetting the
        # keys below and refusing clients meanwhile, whenever its last client
        # leaves. It writes its display number once it takes clients.
        r, w = os.pipe()
        self.server = subprocess.Popen(["Xvfb", "-displayfd", str(w), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
                                        "-noreset"], pass_fds=[w], stderr=subprocess.DEVNULL)
        os.close(w)
        with os.fdopen(r) as f:
            self.name = ":" + f.readline().strip()
        self.type_letters(NON_ASCII)
        self.manager_stuck = threading.Event()
        threading.Thread(target=clipboard_manager, args=(self.name, self.manager_stuck), daemon=True).start()

    def type_letters(self, letters):
        """Gives letters keys of their own before any program starts: xdotool
        would otherwise remap a key for each one while typing, which a
        program may read with the old map."""
        from Xlib import display as xdisplay
        d = xdisplay.Display(self.name)
        first = d.display.info.min_keycode
        keymap = d.get_keyboard_mapping(first, d.display.info.max_keycode - first + 1)
        free = [first + i for i, syms in enumerate(keymap) if not any(syms)]
        for code, letter in zip(free, letters):
            d.change_keyboard_mapping(code, [(ord(letter), ord(letter.upper()))])
        d.sync()
        d.close()

    def close(self):
        self.server.terminate()
        self.server.wait()


class Session:
    """The program started in a fresh folder, which its dialogs open in."""

    def __init__(self, display, exe, wine=None):
        self.display = display.name
        self.manager_stuck = display.manager_stuck
        self.dir = tempfile.mkdtemp(prefix="kestrune-e2e-")
        os.makedirs(os.path.join(self.dir, ".bin"))
        opener = os.path.join(self.dir, ".bin", "xdg-open")
        with open(opener, "w") as f:
            f.write("#!/bin/sh\nexit 0\n")
        os.chmod(opener, 0o755)
        self.env = dict(os.environ, DISPLAY=self.display, HOME=self.dir, XDG_CONFIG_HOME=os.path.join(self.dir, ".config"),
                        PATH=os.path.join(self.dir, ".bin") + ":" + os.environ.get("PATH", ""))
        self.env.pop("QT_QPA_PLATFORM", None)
        self.exe = exe
        self.wine = wine
        self.windows_system = bool(wine)
        self.proc = None
        self.last_click = None

    def start(self, prefix=()):
        self.last_click = None
        # A file, not a pipe: a program that fills an unread pipe stops.
        self.log = open(os.path.join(self.dir, ".bin", "log"), "w+")
        runner = [self.wine] if self.wine else []
        if self.wine:
            # Windows' dialogs open in the folder last used, remembered in the
            # registry; forgotten here, they open in the current folder.
            subprocess.run([self.wine, "reg", "delete", r"HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\ComDlg32",
                            "/f"], env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.proc = subprocess.Popen(list(prefix) + runner + [self.exe], cwd=self.dir, env=self.env,
                                     stdout=self.log, stderr=subprocess.STDOUT)
        self.main = self.wait_window(MAIN)
        return self

    def xdo(self, *args):
        return run("xdotool", *args, env=self.env).stdout.strip()

    def windows(self, title):
        out = self.xdo("search", "--onlyvisible", "--name", "^" + title.replace("(", "\\(").replace(")", "\\)") + "$")
        return out.split()

    def wait_window(self, title):
        """Polls for a window. Now and then Qt drops a click that comes
        straight after a box closes; the click that was to open this window
        is repeated every few seconds meanwhile (a repeat that comes while its
        box is up meets a blocked window and does nothing)."""
        if self.proc.poll() is not None:
            self._ended(title)
        clicked = time.monotonic()

        def found():
            nonlocal clicked
            if self.proc.poll() is not None:
                self._ended(title)
            wid = (self.windows(title) or [None])[0]
            if not wid and self.last_click and time.monotonic() - clicked > 3:
                self.click(self.last_click)
                clicked = time.monotonic()
            return wid
        wid = poll("window %r" % title, found)
        self.last_click = None
        return wid

    def _ended(self, title):
        raise Failed("the program ended (%s) while waiting for %r:\n%s" % (self.proc.returncode, title, self.output()))

    def wait_gone(self, wid):
        poll("window %s to go" % wid, lambda: wid not in self.xdo("search", "--onlyvisible", "--name", ".").split())

    def geometry(self, wid):
        vals = dict(line.split("=") for line in self.xdo("getwindowgeometry", "--shell", wid).splitlines())
        check("X" in vals, "window %s is gone" % wid)
        return int(vals["X"]), int(vals["Y"]), int(vals["WIDTH"]), int(vals["HEIGHT"])

    def click(self, button):
        self.last_click = button
        x, y, _, _ = self.geometry(self.main)
        left, top, width, height = ((t + 7) // 15 for t in BUTTONS[button])
        self.xdo("windowfocus", "--sync", self.main)
        self.xdo("mousemove", str(x + left + width // 2), str(y + top + height // 2), "click", "1")

    def list_point(self, number, dx, dy):
        """A point of a list, dx and dy pixels from its top left corner, on the screen."""
        x, y, _, _ = self.geometry(self.main)
        left, top, _, _ = ((t + 7) // 15 for t in LISTS[number])
        return x + left + dx, y + top + dy

    def focus_list(self, number):
        """Clicks a list below its last row (it holds only a few): the list
        takes the focus and no row is picked."""
        _, _, width, height = ((t + 7) // 15 for t in LISTS[number])
        self.xdo("windowfocus", "--sync", self.main)
        self.xdo("mousemove", *map(str, self.list_point(number, width // 2, height - 12)), "click", "1")

    def selected_bands(self, number):
        """The runs of selected rows a list shows, read from its pixels near
        its right edge: each (top, bottom) in pixels from the list's top, in
        the highlight's blue."""
        from Xlib import X, display as xdisplay
        _, _, width, height = ((t + 7) // 15 for t in LISTS[number])
        left, top, _, _ = ((t + 7) // 15 for t in LISTS[number])
        d = xdisplay.Display(self.display)
        try:
            data = d.create_resource_object("window", int(self.main)).get_image(left + width - 30, top, 1, height,
                                                                                X.ZPixmap, 0xFFFFFFFF).data
        finally:
            d.close()
        blue = [data[i] > data[i + 2] + 60 for i in range(0, len(data), 4)]  # BGRX
        bands, start = [], None
        for y, b in enumerate(blue + [False]):
            if b and start is None:
                start = y
            elif not b and start is not None:
                bands.append((start, y - 1))
                start = None
        # The focus ring round the list is of the same blue, a line or two thick.
        return [band for band in bands if band[1] - band[0] >= 5]

    def open_menu(self, *xdo):
        """Runs xdotool with the arguments (keys, a click) to open a context
        menu, waits until it shows and returns its window."""
        before = set(self.xdo("search", "--onlyvisible", "--name", ".*").split())
        self.xdo(*xdo)
        return poll("the context menu", lambda: (set(self.xdo("search", "--onlyvisible", "--name", ".*").split())
                                                 - before - {self.main} or [None]).pop())

    def choose(self, menu, key):
        """Presses a menu item's underlined letter and waits for the menu to close."""
        self.xdo("key", key)
        self.wait_gone(menu)

    def drag(self, kind, items, number=1, taken=True):
        """Drags files or text from a GTK window, as a file manager hands
        them, onto a list, pressing, moving and releasing the real pointer.
        Returns what the source was told: "dropped COPY", "failed ...".
        A drag the list should take is released once the list has answered
        that it would, as a user lets go when the pointer shows it; one it
        should refuse is released where it is."""
        source = subprocess.Popen(["/usr/bin/python3", DRAG_SOURCE, kind] + list(items), env=self.env,
                                  stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        said = []
        threading.Thread(target=lambda: said.extend(iter(source.stdout.readline, "")), daemon=True).start()
        try:
            poll("the drag source", lambda: "ready\n" in said)
            wid = self.wait_window("kestrune-drag-source")
            sx, sy, sw, sh = self.geometry(wid)
            _, _, width, height = ((t + 7) // 15 for t in LISTS[number])
            tx, ty = self.list_point(number, width // 2, height // 2)
            self.xdo("mousemove", str(sx + sw // 2), str(sy + sh // 2), "mousedown", "1")
            for i in range(1, 21):
                self.xdo("mousemove", str(sx + sw // 2 + (tx - sx - sw // 2) * i // 20),
                         str(sy + sh // 2 + (ty - sy - sh // 2) * i // 20))
            self.xdo("mousemove", str(tx + 2), str(ty + 2))
            if taken:
                # The source sends one position at a time and the next only
                # once answered: a small move keeps one on its way.
                nudge = [0]

                def answered():
                    if any(line.startswith("accepted") for line in said):
                        return True
                    nudge[0] ^= 1
                    self.xdo("mousemove", str(tx + 2 + nudge[0]), str(ty + 2))
                    return False
                poll("the list to answer the drag", answered, interval=0.2)
            self.xdo("mouseup", "1")
            ended = poll("the drag to end", lambda: [line.strip() for line in said
                                                     if line.startswith(("dropped", "failed"))])
            return ended[0]
        finally:
            source.terminate()
            source.wait()

    def pick(self, dialog, rows):
        """Clicks rows of the file dialog's list, Ctrl held from the second on.
        Qt's own dialog at its first size lists files from 70 px below its top,
        18 px a row."""
        x, y, _, _ = self.geometry(dialog)
        # Qt lists a folder in the background: wait until the last row wanted shows text.
        poll("the dialog to list row %d" % max(rows), lambda: self.dark_pixels(dialog, 125, 64 + 18 * max(rows), 60, 12))
        for i, row in enumerate(rows):
            at = [str(x + 60 + 85), str(y + 70 + 18 * row)]
            if i == 0:
                self.xdo("mousemove", *at, "click", "1")
            else:
                self.xdo("keydown", "ctrl", "mousemove", *at, "click", "1", "keyup", "ctrl")

    def dark_pixels(self, wid, left, top, width, height):
        from Xlib import X, display as xdisplay
        d = xdisplay.Display(self.display)
        try:
            data = d.create_resource_object("window", int(wid)).get_image(left, top, width, height, X.ZPixmap,
                                                                          0xFFFFFFFF).data
        finally:
            d.close()
        return any(data[i] < 0x80 and data[i + 1] < 0x80 and data[i + 2] < 0x80 for i in range(0, len(data), 4))

    def open_paths(self):
        """The files the program holds open, read from /proc, each with how
        far into it the program has read or written."""
        fds = "/proc/%d/fd" % self.proc.pid
        paths = {}
        try:
            for fd in os.listdir(fds):
                try:
                    path = os.readlink(os.path.join(fds, fd))
                    with open("/proc/%d/fdinfo/%s" % (self.proc.pid, fd)) as info:
                        paths[path] = int(info.readline().split()[1])  # "pos:\t<n>"
                except (OSError, IndexError, ValueError):
                    pass
        except OSError:
            pass
        return paths

    def enter_and_hold(self, title, opened, action, text=None):
        """Types text into a dialog or box and presses Enter, then runs action
        the moment the program holds open a file, new to it, that
        opened(path, position) accepts. The key goes through this script's
        own connection and the watch starts as soon as the server has it: a
        load or save of a few million rows lasts tens of milliseconds, about
        as long as xdotool takes to return. The program is held still while
        action runs, so what action does reaches it mid-way however slow
        this script."""
        import signal
        from Xlib import X, XK
        from Xlib.ext import xtest
        self.answer(title, text=text, closes=False)
        before = self.open_paths()

        def enter(d):
            code = d.keysym_to_keycode(XK.string_to_keysym("Return"))
            xtest.fake_input(d, X.KeyPress, code)
            xtest.fake_input(d, X.KeyRelease, code)
        self.x_input(enter)
        poll("the program to open the file",
             lambda: any(opened(p, at) for p, at in self.open_paths().items() if p not in before), LIMIT, 0)
        os.kill(self.proc.pid, signal.SIGSTOP)
        try:
            action()
        finally:
            os.kill(self.proc.pid, signal.SIGCONT)

    def yes_then_mid_save(self, action):
        """Answers the overwrite box with Yes, then runs action once the save
        has opened its new file (in its folder or the temporary one)."""
        tmp = tempfile.gettempdir()
        self.enter_and_hold(APP, lambda p, _: p.startswith(tmp) and not os.path.isdir(p), action)

    def x_input(self, send):
        """Sends X input through a connection of this script's, and returns
        once the server has taken it: the program gets it even while held still."""
        from Xlib import display as xdisplay
        d = xdisplay.Display(self.display)
        try:
            send(d)
            d.sync()
        finally:
            d.close()

    def close_request(self, d):
        from Xlib import X
        from Xlib.protocol import event as xevent
        win = d.create_resource_object("window", int(self.main))
        win.send_event(xevent.ClientMessage(window=win, client_type=d.intern_atom("WM_PROTOCOLS"),
                                            data=(32, [d.intern_atom("WM_DELETE_WINDOW"), X.CurrentTime, 0, 0, 0])))

    def restart_unprivileged(self):
        """The program again, as a user whom file permissions bind (root is not)."""
        self.close()
        prefix = ("setpriv", "--reuid=65534", "--regid=65534", "--clear-groups") if os.geteuid() == 0 else ()
        self.start(prefix)

    def answer(self, title, *keys, text=None, closes=True):
        """Waits for a dialog or box, types text into it, presses keys, waits
        for it to close; returns its geometry."""
        wid = self.wait_window(title)
        geometry = self.geometry(wid)
        self.xdo("windowfocus", "--sync", wid)
        if text is not None:
            self.xdo("key", "--clearmodifiers", "ctrl+a", "BackSpace")
            self.xdo("type", "--delay", "15", text)
        if keys:
            self.xdo("key", "--delay", "30", *keys)
        if closes:
            self.wait_gone(wid)
        return geometry

    def settle(self):
        """Returns once the program has finished what it was doing: the input
        box opens only when no handler runs and no box is open."""
        check(not self.windows(APP), "a box is open that should not be")
        self.click(1)
        self.answer(APP, "Escape")

    def load(self, text):
        self.click(4)
        self.answer(LOAD, "Return", text=text)

    def save(self, button, text):
        self.click(button)
        self.answer(SAVE, "Return", text=text)

    def extract(self):
        self.click(2)
        self.answer(APP, "Return")

    def close(self):
        """The window's close button: WM_DELETE_WINDOW, then the exit status.
        Now and then Qt drops a close request that comes straight after a box
        closes, so the request is repeated while the window stays."""
        from Xlib import X, display as xdisplay
        from Xlib.protocol import event as xevent
        d = xdisplay.Display(self.display)
        win = d.create_resource_object("window", int(self.main))
        message = xevent.ClientMessage(window=win, client_type=d.intern_atom("WM_PROTOCOLS"),
                                       data=(32, [d.intern_atom("WM_DELETE_WINDOW"), X.CurrentTime, 0, 0, 0]))

        def ended():
            if self.proc.poll() is not None:
                return True
            if self.main in self.windows(MAIN):
                win.send_event(message)
                d.flush()
            try:
                self.proc.wait(1)
            except subprocess.TimeoutExpired:
                return False
            return True
        try:
            poll("the program to end after the close request", ended)
        finally:
            d.close()
        out = self.output()
        check(self.proc.returncode == 0, "exit status %s:\n%s" % (self.proc.returncode, out))

    def output(self):
        self.log.seek(0)
        return self.log.read()[-4000:]

    def path(self, name):
        return os.path.join(self.dir, name)

    def write(self, name, data):
        with open(self.path(name), "wb") as f:
            f.write(data if isinstance(data, bytes) else data.encode())

    def read(self, name):
        with open(self.path(name), "rb") as f:
            return f.read()

    def files(self):
        return sorted(n for n in os.listdir(self.dir) if not n.startswith("."))

    def native(self, path):
        """A folder as the user types it on the program's system: Wine shows this machine's root as Z:."""
        return "Z:" + path.replace("/", "\\") if self.windows_system else path

    def from_x(self, text):
        """Text copied by the program as X hands it on: Wine's bridge turns CR LF into LF."""
        return text.replace("\r\n", "\n") if self.windows_system else text

    def clipboard(self):
        out = subprocess.run(["xclip", "-o", "-selection", "clipboard"], capture_output=True, env=self.env).stdout
        return out.decode("utf-8", "replace")

    def set_clipboard(self, text):
        subprocess.run(["xclip", "-i", "-selection", "clipboard"], input=text, text=True, env=self.env, check=True)

    def end(self):
        if self.proc and self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()
        if self.proc:
            self.log.close()
        shutil.rmtree(self.dir, ignore_errors=True)


def lines(*rows):
    return "".join(r + "\r\n" for r in rows).encode()


LIST_A = "ann@alpha.example\r\nbeta.example\r\n"
LIST_B = "bob@gamma.example\r\n"
SAVED_A = {6: lines("alpha.example", "beta.example"), 7: b"alpha.example,beta.example"}


def loaded_a(s):
    s.write("a.txt", LIST_A)
    s.load("a.txt")
    s.extract()


def load_extract_save(s):
    loaded_a(s)
    s.save(6, "out.txt")
    s.settle()
    check(s.read("out.txt") == SAVED_A[6], repr(s.read("out.txt")))
    s.close()


def entry_box(s):
    """A typed entry is added; Escape and an empty answer add nothing."""
    s.click(1)
    s.answer(APP, "Return", text="cat@delta.example")
    s.click(1)
    s.answer(APP, "Escape", text="dog@never.example")
    s.click(1)
    s.answer(APP, "Return")
    s.extract()
    copied(s, "delta.example\r\n")


def copied(s, expected):
    s.click(5)
    s.answer(APP, "Return")
    check(s.clipboard() == s.from_x(expected), "clipboard %r" % s.clipboard()[:200])


def long_and_broken_paste(s):
    """Pasted text of any length stays whole; a pasted line break is the blank the field shows."""
    long = "d" * 40000 + ".example"
    for pasted, expected in (("ann@" + long, long + "\r\n"), ("ann@alpha.example\nbob@gamma.example", None)):
        s.set_clipboard(pasted)
        s.click(1)
        s.answer(APP, "ctrl+v", "Return")
        s.click(3)
        s.extract()
        s.click(8)
        s.click(5)
        s.answer(APP, "Return")
        text = s.clipboard()
        if expected:
            check(text == expected, "entry cut to %d characters" % len(text))
        else:
            check(text.count("\n") == 1 and text.endswith("\r\n"), "one entry became %r" % text)


COLUMN = "ann@alpha.example\r\nbeta.example\r\nbob@gamma.example\r\n"
COLUMN_DOMAINS = "alpha.example\r\nbeta.example\r\ngamma.example\r\n"


def paste_column(s):
    """A column copied from a spreadsheet, ending in CR LF, pastes as its three
    entries with Ctrl+V, Shift+Insert, and "Paste" on the context menu opened
    with Shift+F10, the Menu key and the right button."""
    s.set_clipboard(COLUMN)
    s.focus_list(1)
    s.xdo("key", "--delay", "30", "ctrl+v", "shift+Insert")
    s.choose(s.open_menu("key", "shift+F10"), "p")
    s.choose(s.open_menu("key", "Menu"), "p")
    x, y = s.list_point(1, 100, 40)
    s.choose(s.open_menu("mousemove", str(x), str(y), "click", "3"), "p")
    s.extract()
    copied(s, COLUMN_DOMAINS * 5)


SIX = ["ann@alpha.example", "beta.example", "bob@gamma.example", "  cy@delta.example  ", "https://www.eps.example",
       "dee@zeta.example"]


def select_and_copy(s):
    """Rows 2 to 4 picked with a click and Shift+click copy as their three
    texts, blanks kept; Ctrl+click adds a row; Ctrl+A then Ctrl+C on the
    result list copies it whole. The clipboard is read back from outside."""
    s.write("six.txt", "".join(r + "\r\n" for r in SIX))
    s.load("six.txt")
    s.focus_list(1)
    s.xdo("key", "Home")
    band = poll("the first row to show selected", lambda: s.selected_bands(1))[0]
    row_top, row_height = band[0], band[1] - band[0] + 1

    def row_click(row, *keys):
        x, y = s.list_point(1, 100, row_top + row * row_height + row_height // 2)
        s.xdo("mousemove", str(x), str(y), *[a for k in keys for a in ("keydown", k)], "click", "1",
              *[a for k in keys for a in ("keyup", k)])
    row_click(1)
    row_click(3, "shift")
    s.xdo("key", "ctrl+c")
    want = s.from_x("".join(r + "\r\n" for r in SIX[1:4]))
    poll("rows 2 to 4 on the clipboard (%r)" % (band,), lambda: s.clipboard() == want)
    row_click(5, "ctrl")
    s.xdo("key", "ctrl+c")
    want = s.from_x("".join(r + "\r\n" for r in SIX[1:4] + SIX[5:]))
    poll("rows 2 to 4 and 6 on the clipboard", lambda: s.clipboard() == want)
    s.extract()
    s.focus_list(2)
    s.xdo("key", "--delay", "30", "ctrl+a", "ctrl+c")
    want = s.from_x("alpha.example\r\nbeta.example\r\ngamma.example\r\ndelta.example  \r\neps.example\r\n"
                    "zeta.example\r\n")
    poll("the whole result list on the clipboard", lambda: s.clipboard() == want)


def paste_million(s):
    """1,000,000 lines pasted (ended by LF, as a Unix tool writes them) arrive
    whole and in order: Ctrl+A and Ctrl+C in the input list give back every
    one of them, ended by CR LF as the program's copies are."""
    text = "".join("u%d@h%d.example\n" % (i, i) for i in range(1000000))
    s.set_clipboard(text)
    s.focus_list(1)
    s.xdo("key", "ctrl+v")

    # Until the paste is in, a copy takes the rows in so far: copy again, but
    # only once the last copy has come out (or nothing came for a while), so
    # that copies never pile up in a program still busy pasting.
    end = time.monotonic() + 8 * LIMIT
    got, asked = "", None
    while got.count("\r\n") < 1000000:
        check(time.monotonic() < end, "gave up waiting for the pasted rows copied back (%d lines)" % got.count("\n"))
        if asked is None or "\r\n" in got or time.monotonic() - asked > LIMIT / 2:
            s.xdo("key", "--delay", "30", "ctrl+a", "ctrl+c")
            asked = time.monotonic()
        time.sleep(1)
        before, got = got, s.clipboard()
        if got == before:
            got = ""  # the same copy again: wait for the next
    want = text.replace("\n", "\r\n")
    check(got == want, "%d lines came back, %s" % (got.count("\n"), "in order" if want.startswith(got[:1000])
                                                     else "not in order"))


def drop_files(s):
    """Files dragged from a file manager load as the load dialog loads them,
    in the order given, with "File not found" for one gone missing; the
    drop is taken as a copy, never a move."""
    s.write("a.txt", LIST_A)
    s.write("b.txt", LIST_B)
    uris = ["file://" + s.path(n).replace(" ", "%20") for n in ("b.txt", "gone.txt", "a.txt")]
    said = s.drag("uris", uris)
    check(said == "dropped COPY", "the source was told %r" % said)
    s.answer(APP, "Return")  # File not found
    s.extract()
    copied(s, "gamma.example\r\nalpha.example\r\nbeta.example\r\n")
    check(s.files() == ["a.txt", "b.txt"], "files %s" % s.files())


def drop_text_and_folder(s):
    """Dragged text goes in as a paste; a dragged folder is refused and adds nothing."""
    os.mkdir(s.path("folder"))
    said = s.drag("uris", ["file://" + s.path("folder")], taken=False)
    check(said.startswith("failed"), "a folder was %r" % said)
    said = s.drag("text", ["x@one.example\ny@two.example\n"])
    check(said == "dropped COPY", "the source was told %r" % said)
    s.extract()
    copied(s, "one.example\r\ntwo.example\r\n")


def load_several_typed(s):
    """Quoted names load in the order typed; a missing one gets one box."""
    s.write("a b.txt", LIST_B)
    s.write("ünï.txt", "eve@epsilon.example\r\n")
    s.click(4)
    s.answer(LOAD, "Return", text='"ünï.txt" "gone.txt" "a b.txt"')
    s.answer(APP, "Return")  # File not found
    s.extract()
    copied(s, "epsilon.example\r\ngamma.example\r\n")


def load_typed_folders(s):
    """The folder shown, and another folder, open when typed; a name typed next loads from there."""
    os.mkdir(s.path("sub dir"))
    s.write("sub dir/b.txt", LIST_B)
    s.write("a.txt", LIST_A)
    s.click(4)
    s.answer(LOAD, "Return", text=s.native(s.dir), closes=False)
    s.answer(LOAD, "Return", text="sub dir", closes=False)
    s.answer(LOAD, "Return", text="b.txt")
    s.extract()
    copied(s, "gamma.example\r\n")


def home_as_tilde(s):
    """~ at the start of a typed name or folder is the home folder, whichever folder the dialog shows."""
    os.mkdir(s.path("sub"))
    s.write("a.txt", LIST_A)
    s.write("sub/b.txt", LIST_B)
    s.click(4)
    s.answer(LOAD, "Return", text="sub", closes=False)
    s.answer(LOAD, "Return", text="~/a.txt")
    s.click(4)
    s.answer(LOAD, "Return", text="~", closes=False)
    s.answer(LOAD, "Return", text="sub/b.txt")
    s.extract()
    s.save(6, "~/saved.txt")  # the dialog shows sub/, where the last load was
    s.settle()
    check(s.read("saved.txt") == lines("alpha.example", "beta.example", "gamma.example"), "files %s" % s.files())


def load_cancel_start_empty(s):
    """Cancel loads nothing; Start and copy on empty lists each answer with a box and change nothing."""
    s.set_clipboard("before")
    s.click(4)
    s.answer(LOAD, "Escape")
    s.click(2)
    s.answer(APP, "Return")  # No Email/Url(s) added.
    copied(s, "before")
    s.close()
    check(s.clipboard() == "before", "clipboard changed")


def load_picked(s, second="b.txt", rows=(0, 2), expected="alpha.example\r\nbeta.example\r\nzeta.example\r\n"):
    """Several files picked with Ctrl+click in the dialog's list, whatever their names hold."""
    s.write("a.txt", LIST_A)
    s.write(second, LIST_B)
    s.write("c.txt", "cy@zeta.example\r\n")
    s.click(4)
    wid = s.wait_window(LOAD)
    s.pick(wid, list(rows))
    s.answer(LOAD, "Return")
    s.extract()
    copied(s, expected)


def load_too_many_picked(s):
    """10,000 files picked with Ctrl+A take far more than the dialog's 30000-character
    name buffer: one "too many files" box, and nothing is loaded. So do names typed
    into the field that take more."""
    folder = s.path("many")
    os.mkdir(folder)
    for i in range(10000):
        with open(os.path.join(folder, "f%05d.txt" % i), "wb") as f:
            f.write(b"x%d@many.example\r\n" % i)
    # Typed (here pasted) names: the value they make is what counts, the folder and
    # each name with its NUL, 39,026 characters here. (Names of files that exist
    # would have Qt's dialog look each up as the text changes.)
    s.set_clipboard(" ".join('"%s"' % s.path("no such list %05d, named at length.txt" % i) for i in range(1000)))
    s.click(4)
    s.answer(LOAD, "ctrl+v", "Return")
    s.answer(APP, "Return")  # You've selected too many files to add.
    s.set_clipboard("before")
    s.click(4)
    wid = s.wait_window(LOAD)
    s.answer(LOAD, "Return", text="many", closes=False)
    # Qt lists a folder in the background, a batch at a time: Ctrl+A selects
    # what is listed. The listing holds the folder open until it has them all.
    poll("the dialog to list the folder", lambda: folder in s.open_paths(), LIMIT, 0.001)
    poll("the dialog to finish listing", lambda: folder not in s.open_paths(), LIMIT, 0.01)
    s.pick(wid, [0])
    s.xdo("key", "ctrl+a")
    s.answer(LOAD, "Return")
    s.answer(APP, "Return")  # You've selected too many files to add.
    s.extract()  # No Email/Url(s) added.
    copied(s, "before")


def load_folders_picked(s):
    """A folder picked in the list opens with Open; so does one typed, after
    which a click on a file picks it at once."""
    os.makedirs(s.path("sub/deeper"))
    s.write("sub/deeper/b.txt", LIST_B)
    s.click(4)
    wid = s.wait_window(LOAD)
    s.pick(wid, [0])
    s.answer(LOAD, "Return", closes=False)
    s.xdo("key", "alt+n")  # the name field, as its label's underlined letter says
    s.answer(LOAD, "Return", text=s.path("sub/deeper"), closes=False)
    s.pick(wid, [0])
    s.answer(LOAD, "Return")
    s.extract()
    copied(s, "gamma.example\r\n")


def typed_patterns(s):
    """A pattern typed as the name narrows the list, to load and to save."""
    s.write("b.csv", LIST_B)
    s.click(4)
    wid = s.wait_window(LOAD)
    s.answer(LOAD, "Return", text="*.csv", closes=False)
    s.pick(wid, [0])
    s.answer(LOAD, "Return")
    s.extract()
    s.click(6)
    s.answer(SAVE, "Return", text="*.csv", closes=False)
    s.answer(SAVE, "Return", text="out.csv")
    s.settle()
    check(s.files() == ["b.csv", "out.csv"], "files %s" % s.files())
    check(s.read("out.csv") == lines("gamma.example"), repr(s.read("out.csv")))


def saves(s, button):
    """New name, existing name answered No then Yes (Enter), a typed folder, Cancel, no extension."""
    loaded_a(s)
    os.mkdir(s.path("sub"))
    s.write("old.txt", "old")
    for name, answer in (("new.txt", None), ("old.txt", "n"), ("old.txt", "Return"), ("plain", None)):
        s.save(button, name)
        if answer:
            s.answer(APP, answer)
        s.settle()
    s.click(button)
    s.answer(SAVE, "Return", text="sub", closes=False)
    s.answer(SAVE, "Return", text="in.txt")
    s.click(button)
    s.answer(SAVE, "Escape", text="cancelled.txt")
    s.settle()
    want = SAVED_A[button]
    check(s.files() == ["a.txt", "new.txt", "old.txt", "plain", "sub"], "files %s" % s.files())
    for name in ("new.txt", "old.txt", "plain", "sub/in.txt"):
        check(s.read(name) == want, "%s holds %r" % (name, s.read(name)))
    s.close()


def save_after_multi_load(s):
    """The save dialog after a several-file load proposes the folder: Enter opens it."""
    s.write("a.txt", LIST_A)
    s.write("b.txt", LIST_B)
    s.load('"a.txt" "b.txt"')
    s.extract()
    s.click(6)
    s.answer(SAVE, "Return", closes=False)
    s.answer(SAVE, "Return", text="multi.txt")
    s.settle()
    check(s.read("multi.txt") == lines("alpha.example", "beta.example", "gamma.example"), repr(s.read("multi.txt")))


def quotes_in_names(s):
    """A name holding a double quote is that file, to load and to save."""
    s.write('l"q.txt', LIST_B)
    s.write("q.txt", "keep")
    s.load('l"q.txt')
    s.extract()
    s.save(6, 'o"q.txt')
    s.settle()
    check(s.read('o"q.txt') == lines("gamma.example"), "saved %s" % s.files())
    check(s.read("q.txt") == b"keep", "another file was written")


def error_box(s):
    """A failed save reports in the "Application Error" box, wide enough for its title."""
    loaded_a(s)
    s.save(6, "no such folder\\x.txt" if s.windows_system else "no such folder/x.txt")  # Windows' dialog refuses "/"
    wid = s.wait_window(ERROR)
    if os.environ.get("KESTRUNE_E2E_SHOT") and shutil.which("import"):
        run("import", "-window", "root", os.environ["KESTRUNE_E2E_SHOT"], env=s.env)
    s.answer(ERROR, "Return")
    # "Done.": without a window manager no title bar shows, so the width is
    # checked against an ample 9 px a letter of the title.
    s.click(2)
    _, _, width, _ = s.answer(APP, "Return")
    check(width >= 9 * len(APP), "a %d px box for its title" % width)


def copy_close_paste(s, rows=0, stuck=False):
    """Copied text outlives the program: the clipboard manager takes it at exit,
    also a text longer than one X request (16 MiB), which moves in steps. A
    manager that never answers keeps the closed program a bounded time, though
    the root window's properties keep changing, as window managers change them."""
    if rows:
        s.write("big.txt", "".join("a@%013d.example\r\n" % i for i in range(rows)))
        s.load("big.txt")
        s.settle()
        s.extract()
        want = "".join("%013d.example\r\n" % i for i in range(rows))
    else:
        loaded_a(s)
        want = "alpha.example\r\nbeta.example\r\n"
    s.click(5)
    s.answer(APP, "Return")
    if stuck:
        s.manager_stuck.set()
        with RootPropertyTicks(s.display):
            closed = time.monotonic()
            try:
                s.close()
            finally:
                s.manager_stuck.clear()
            took = time.monotonic() - closed
        check(took < 15, "the program ended %.1f s after the close" % took)
        return
    s.close()
    poll("the clipboard to hold the results", lambda: s.clipboard() == s.from_x(want), 10)


class RootPropertyTicks:
    """Changes a property of the root window once a second, as window managers do."""

    def __init__(self, display):
        self.display, self.stop = display, threading.Event()

    def tick(self):
        from Xlib import Xatom, display as xdisplay
        d = xdisplay.Display(self.display)
        root, name, n = d.screen().root, d.intern_atom("_KESTRUNE_TICK"), 0
        while not self.stop.wait(1.0 if n else 0):
            n += 1
            root.change_property(name, Xatom.INTEGER, 32, [n])
            d.flush()
        d.close()

    def __enter__(self):
        self.thread = threading.Thread(target=self.tick, daemon=True)
        self.thread.start()
        return self

    def __exit__(self, *exc):
        self.stop.set()
        self.thread.join()


def save_over_in_locked_folder(s):
    """A writable file in a folder that refuses new files is replaced in place."""
    s.write("a.txt", LIST_A)
    s.write("old.txt", "old and longer than the results " * 4)
    os.chmod(s.path("old.txt"), 0o666)
    os.chmod(s.dir, 0o555)
    try:
        s.restart_unprivileged()
        s.load("a.txt")
        s.extract()
        s.save(6, "old.txt")
        s.answer(APP, "Return")
        s.settle()
        check(s.read("old.txt") == SAVED_A[6], "old.txt holds %r" % s.read("old.txt"))
    finally:
        os.chmod(s.dir, 0o755)


def saves_keep_the_file(s):
    """A save writes into the file it replaces: every name of a file with two
    reads the results, and a file of another owner keeps owner, group and mode."""
    loaded_a(s)
    s.write("old.txt", "old")
    os.link(s.path("old.txt"), s.path("second name.txt"))
    inode = os.stat(s.path("old.txt")).st_ino
    s.save(6, "old.txt")
    s.answer(APP, "Return")
    s.settle()
    check(s.read("second name.txt") == SAVED_A[6] and os.stat(s.path("old.txt")).st_ino == inode,
          "the second name holds %r" % s.read("second name.txt"))
    if s.windows_system:
        return  # a file's owner there is its security descriptor's
    if os.geteuid() != 0:
        raise Skipped("the file of another owner needs root to make (the rest passed)")
    s.write("owned.txt", "old")
    os.chown(s.path("owned.txt"), 65534, 65534)
    os.chmod(s.path("owned.txt"), 0o664)
    s.save(7, "owned.txt")
    s.answer(APP, "Return")
    s.settle()
    st = os.stat(s.path("owned.txt"))
    check((st.st_uid, st.st_gid, st.st_mode & 0o7777) == (65534, 65534, 0o664) and s.read("owned.txt") == SAVED_A[7],
          "owned.txt is now %d:%d %o" % (st.st_uid, st.st_gid, st.st_mode & 0o7777))


def save_on_a_small_disk(s):
    """A file written in place (its folder takes no new file) whose new rows do
    not fit on the disk stays byte for byte, and the save says it failed."""
    small = s.path("small")
    os.mkdir(small)
    if run("mount", "-t", "tmpfs", "-o", "size=1m,mode=0755", "tmpfs", small).returncode != 0:
        raise Skipped("needs root to mount a 1 MiB tmpfs")
    locked = os.path.join(small, "locked")
    try:
        os.mkdir(locked)
        old = b"".join(b"old%06d.example\r\n" % i for i in range(40000))  # 720 KB
        with open(os.path.join(locked, "old.txt"), "wb") as f:
            f.write(old)
        os.chmod(os.path.join(locked, "old.txt"), 0o666)
        os.chmod(locked, 0o555)
        s.write("list.txt", "".join("u%d@h%d.example\r\n" % (i, i) for i in range(200000)))
        os.chmod(s.dir, 0o755)
        leftovers = set(os.listdir(tempfile.gettempdir()))
        s.restart_unprivileged()
        s.load("list.txt")
        s.extract()
        s.save(6, "small/locked/old.txt")
        s.answer(APP, "Return")
        s.answer(ERROR, "Return")
        s.settle()
        with open(os.path.join(locked, "old.txt"), "rb") as f:
            now = f.read()
        check(now == old, "the old file now holds %d bytes" % len(now))
        left = [n for n in set(os.listdir(tempfile.gettempdir())) - leftovers if n.startswith("old.txt")]
        check(not left, "left behind: %s" % left)
        s.close()
    finally:
        os.chmod(locked, 0o755)
        run("umount", "-l", small)


# UTF-8, Windows-1252 (accents, curly quotes, a byte 1252 leaves undefined) and a stray 0xFF.
LEGACY = (b"ann@mail.example\r\nj\xc3\xb6ran@b\xc3\xbccher.example\r\njos\xe9@caf\xe9.example\r\n"
          b"http://www.\x93q\x94.example\r\nx@odd\x81.example\r\nstray@\xff.example")


def legacy_bytes(s):
    """Lines that are not UTF-8 are saved with their own bytes; the clipboard reads them as Windows-1252."""
    s.write("legacy.txt", LEGACY)
    s.load("legacy.txt")
    s.extract()
    s.save(6, "out.txt")
    s.settle()
    want = (b"mail.example\r\nb\xc3\xbccher.example\r\ncaf\xe9.example\r\n"
            b"\x93q\x94.example\r\nodd\x81.example\r\n\xff.example\r\n")
    check(s.read("out.txt") == want, repr(s.read("out.txt")))
    if s.windows_system:
        # Windows-1252 is the system's code page there: every line is its text, 0x81 as Windows reads it.
        copied(s, "mail.example\r\nb\u00c3\u00bccher.example\r\ncaf\u00e9.example\r\n"
                  "\u201cq\u201d.example\r\nodd\u0081.example\r\n\u00ff.example\r\n")
        return
    copied(s, "mail.example\r\nb\u00fccher.example\r\ncaf\u00e9.example\r\n"
              "\u201cq\u201d.example\r\nodd\ufffd.example\r\n\u00ff.example\r\n")


def marked_files(s):
    """A UTF-8 byte-order mark is no part of the first entry; UTF-16 files, either order, read as text."""
    s.write("utf8.txt", b"\xef\xbb\xbfbomurl.example\r\n")
    text = "j\u00f6ran@b\u00fccher.example\r\nwww.\u20ac.example\n"
    s.write("le.txt", b"\xff\xfe" + text.encode("utf-16-le"))
    s.write("be.txt", b"\xfe\xff" + text.encode("utf-16-be"))
    for name in ("utf8.txt", "le.txt", "be.txt"):
        s.load(name)
    s.extract()
    s.save(6, "out.txt")
    s.settle()
    # Saved as text in the system's code page.
    domains = "b\u00fccher.example\r\n\u20ac.example\r\n\r\n".encode("cp1252" if s.windows_system else "utf-8")
    check(s.read("out.txt") == b"bomurl.example\r\n" + domains * 2, repr(s.read("out.txt")))


BIG = 3000000  # rows: a save or load of them lasts long enough to be interrupted


def big_list(s):
    s.write("big.txt", "".join("u%d@h%d.example\r\n" % (i, i) for i in range(BIG)))


def save_interrupted_in_place(s):
    """In a folder that refuses new files, an existing file is replaced in
    place, yet a save that cannot finish leaves it exactly as it was: the
    result list cleared mid-save, then the window closed mid-save."""
    big_list(s)
    old = lines(*("old%d.example" % i for i in range(1000)))
    s.write("old.txt", old)
    os.chmod(s.path("old.txt"), 0o666)
    os.chmod(s.dir, 0o555)
    leftovers = set(os.listdir(tempfile.gettempdir()))
    try:
        s.restart_unprivileged()
        s.load("big.txt")
        s.extract()
        s.save(6, "old.txt")
        s.wait_window(APP)
        x, y, _, _ = s.geometry(s.main)
        left, top, width, height = ((t + 7) // 15 for t in BUTTONS[3])
        s.xdo("mousemove", str(x + left + width // 2), str(y + top + height // 2))
        from Xlib import X
        from Xlib.ext import xtest

        def click(d):
            xtest.fake_input(d, X.ButtonPress, 1)
            xtest.fake_input(d, X.ButtonRelease, 1)
        s.yes_then_mid_save(lambda: s.x_input(click))
        s.answer(ERROR, "Return")
        s.settle()
        check(s.read("old.txt") == old, "clearing mid-save left %d bytes" % len(s.read("old.txt")))
        s.load("big.txt")
        s.extract()
        s.save(7, "old.txt")
        s.yes_then_mid_save(lambda: s.x_input(s.close_request))
        s.close()
        check(s.read("old.txt") == old, "closing mid-save left %d bytes" % len(s.read("old.txt")))
        check(s.files() == ["big.txt", "old.txt"], "files %s" % s.files())
        left = [n for n in set(os.listdir(tempfile.gettempdir())) - leftovers if n.startswith("old.txt")]
        check(not left, "left behind: %s" % left)
    finally:
        os.chmod(s.dir, 0o755)


def load_growing_file(s):
    """A load takes what the file held when it was opened, though another program keeps appending."""
    big_list(s)
    big = s.path("big.txt")
    os.chmod(s.dir, 0o777)
    s.restart_unprivileged()
    s.click(4)

    def grow():
        with open(big, "ab") as f:
            f.write(b"late@grown.example\r\n" * 500000)
    # Once the program has read from the file, it has taken its size.
    s.enter_and_hold(LOAD, lambda p, at: p == big and at > 0, grow, text="big.txt")
    s.settle()
    s.extract()
    s.save(6, "out.txt")
    poll("the save to be put in place", lambda: "out.txt" in s.files())  # it lets events run
    saved = s.read("out.txt")
    check(saved.count(b"\n") == BIG and b"grown" not in saved, "%d rows, grown ones among them: %s"
          % (saved.count(b"\n"), b"grown" in saved))


def keyboard_only(s):
    """Tab walks the window in its order and Enter, keypad Enter or Space
    presses the focused button. The one click gives the input list the focus,
    which runs nothing."""
    x, y, _, _ = s.geometry(s.main)
    s.xdo("windowfocus", "--sync", s.main)
    s.xdo("mousemove", str(x + 260), str(y + 100), "click", "1")
    s.xdo("key", "--delay", "30", "Tab", "Tab", "Tab", "Tab", "Return", "Tab", "KP_Enter")  # samples, extract
    s.answer(APP, "Return")  # "Done."
    s.xdo("key", "--delay", "30", "Tab", "Tab", "space")  # the focus is back on "Start Extracting"
    s.answer(SAVE, "Return", text="keys.txt")
    s.settle()
    want = lines("postfree.example", "kestrune.example", "sendwave-marketing.example")
    check(s.read("keys.txt") == want, repr(s.read("keys.txt")))
    s.close()


# One file of each kind of bytes an address list comes in: Windows-1252, UTF-8,
# and the five bytes Windows-1252 leaves undefined.
ANSI_FILES = (
    ("w1252.txt", b"jos\xe9@caf\xe9.example\r\nhttp://www.\x93q\x94.example\r\nx@\x80\x9f\xa0\xff.example\r\n"),
    ("utf8.txt", b"j\xc3\xb6ran@b\xc3\xbccher.example\r\nhttps://www.\xe4\xbe\x8b.jp\r\n"),
    ("undefined.txt", b"x@\x81\x8d\x8f\x90\x9d.example\r\n"),
)
ANSI_DOMAINS = (b"caf\xe9.example", b"\x93q\x94.example", b"\x80\x9f\xa0\xff.example", b"b\xc3\xbccher.example",
                b"\xe4\xbe\x8b.jp", b"\x81\x8d\x8f\x90\x9d.example")


def ansi_files_saved_back(s):
    """Each kind of bytes is saved back byte for byte by both saves, whatever the system's code page."""
    for name, data in ANSI_FILES:
        s.write(name, data)
        s.load(name)
    s.extract()
    for button, name, want in ((6, "out.txt", b"".join(d + b"\r\n" for d in ANSI_DOMAINS)),
                               (7, "out.csv", b",".join(ANSI_DOMAINS))):
        s.save(button, name)
        s.settle()
        check(s.read(name) == want, "%s holds %r" % (name, s.read(name)))


def shift_jis_at_sign_byte(s):
    """On code page 932 a double-byte character whose second byte is 0x40, "@", is one
    character: the domain is cut at the real "@" signs. Lines that are no Shift-JIS text
    byte for byte (a stray or lone lead byte, characters with two codes) keep their bytes."""
    s.close()
    s.env["LC_ALL"] = "ja_JP.UTF-8"  # Wine's ANSI code page is then 932
    s.start()
    s.write("sjis.txt", b"\x83\x40x@b\x83\x40c.jp\r\na@\x83\x40.example\r\n"  # 0x83 0x40 is one katakana letter
            b"def@x\x81.jp\r\nabc\x81\r\n\x88\x9f@\xee\xe0\xed\x95.jp\r\n")
    s.load("sjis.txt")
    s.extract()
    s.save(6, "out.txt")
    s.settle()
    check(s.read("out.txt") == b"b\x83\x40c.jp\r\n\x83\x40.example\r\nx\x81.jp\r\nabc\x81\r\n\xee\xe0\xed\x95.jp\r\n",
          repr(s.read("out.txt")))


def load_from_drive_top(s):
    """Several files of a drive's top folder: its name ends in a backslash, which the joined paths do not double."""
    top = os.path.join(run(s.wine, "--prefix").stdout.strip(), "drive_c")
    names = ["kestrune-e2e-%d-%s.txt" % (os.getpid(), n) for n in "ab"]
    try:
        for name, text in zip(names, (LIST_A, LIST_B)):
            with open(os.path.join(top, name), "wb") as f:
                f.write(text.encode())
        s.click(4)
        s.answer(LOAD, "Return", text="C:\\", closes=False)
        s.answer(LOAD, "Return", text=" ".join('"%s"' % n for n in names))
        s.extract()
        copied(s, "alpha.example\r\nbeta.example\r\ngamma.example\r\n")
    finally:
        for name in names:
            if os.path.exists(os.path.join(top, name)):
                os.remove(os.path.join(top, name))


def sanitized(exe):
    """Whether the program is the sanitizer build: AddressSanitizer reserves terabytes of address space for
    its shadow, so no address-space limit leaves it room to start."""
    with open(exe, "rb") as f:
        return b"__asan_init" in f.read()


def write_repeated(path, block, size):
    """A file of about `size` bytes made of one block of lines again and again: big, and quick to write."""
    with open(path, "wb") as f:
        for _ in range(max(1, size // len(block))):
            f.write(block)


def out_of_memory_box(s):
    """Answers the one error box a click gives ("Out of memory"), which no other box accompanies."""
    s.wait_window(ERROR)
    check(not s.windows(APP), "another box came with the error box")
    s.answer(ERROR, "Return")


def run_in_2_gb(s):
    """With 2 GB of address space, as a Windows session whose memory is spent meets it: a file of 1.2 GB and
    40 million addresses loads; "Start Extracting" then says "Out of memory" once a click, before the old
    results go; the window answers; closing it ends the program at once. Results that need memory of their
    own run out midway: one box, and the domains made so far stay."""
    if sanitized(s.exe):
        raise Skipped("AddressSanitizer reserves terabytes of address space: no limit of 2 GB leaves it room")
    write_repeated(s.path("big.txt"), b"".join(b"u%07d@h%07d.example\r\n" % (i, i) for i in range(100000)),
                   1200 * 1000 * 1000)
    s.close()
    s.start(("prlimit", "--as=%d" % (2 << 30)))
    s.load("big.txt")
    s.settle()
    for _ in range(2):
        s.click(2)
        out_of_memory_box(s)
        s.answer(APP, "Return")  # Done.
        s.settle()
    os.remove(s.path("big.txt"))
    # Domains that are no part of their entries ("www." comes out of their middle), a kilobyte each.
    write_repeated(s.path("long.txt"), b"".join(b"p%d.www.%s\r\n" % (i, b"x" * 1000) for i in range(1000)),
                   900 * 1000 * 1000)
    s.click(8)  # Clear List
    s.load("long.txt")
    s.settle()
    s.click(2)
    out_of_memory_box(s)
    s.answer(APP, "Return")  # Done.
    s.settle()
    closed = time.monotonic()
    s.close()
    took = time.monotonic() - closed
    check(took < 15, "the program ended %.1f s after the close" % took)


def cgroup_memory_dir():
    """The folder of this process's memory cgroup (unified hierarchy, or v1's memory controller) and which
    hierarchy it is, where a child cgroup can be made there; else None."""
    with open("/proc/self/cgroup") as f:
        lines = [l.strip().split(":", 2) for l in f if l.strip()]
    with open("/proc/self/mountinfo") as f:
        mounts = [l.split() for l in f]

    def mount_of(kind):
        for m in mounts:
            dash = m.index("-")
            if kind == "cgroup2" and m[dash + 1] == "cgroup2":
                return m[4]
            if kind == "memory" and m[dash + 1] == "cgroup" and "memory" in m[dash + 3].split(","):
                return m[4]
        return None
    for hid, controllers, path in lines:
        if hid == "0" and not controllers and mount_of("cgroup2"):
            folder = mount_of("cgroup2") + path
            with open(os.path.join(folder, "cgroup.controllers")) as f:
                if "memory" in f.read().split() and os.access(folder, os.W_OK):
                    return folder, 2
        if "memory" in controllers.split(",") and mount_of("memory"):
            folder = mount_of("memory") + path
            if os.access(folder, os.W_OK):
                return folder, 1
    return None


def load_under_a_cgroup_limit(s):
    """Under a memory limit the kernel enforces (a cgroup's, as a desktop without swap has it), a file larger
    than the room left is refused with "Out of memory" before a line of it is added, and the program lives; so
    is /proc/self/pagemap typed as a name, a file that tells no size and never ends. Then a small file loads."""
    found = cgroup_memory_dir()
    if not found:
        raise Skipped("no memory cgroup this user may make a child of (the address-space row covers the limit alone)")
    parent, version = found
    child = os.path.join(parent, "kestrune-e2e-%d" % os.getpid())
    os.mkdir(child)
    try:
        if version == 2:
            try:
                with open(os.path.join(parent, "cgroup.subtree_control"), "w") as f:
                    f.write("+memory")
            except OSError:
                pass
        limit_file = os.path.join(child, "memory.max" if version == 2 else "memory.limit_in_bytes")
        usage_file = os.path.join(child, "memory.current" if version == 2 else "memory.usage_in_bytes")
        write_repeated(s.path("big.txt"), b"".join(b"u%07d@h%07d.example\r\n" % (i, i) for i in range(100000)),
                       400 * 1000 * 1000)
        s.write("a.txt", LIST_A)
        s.close()
        if sanitized(s.exe):
            # AddressSanitizer keeps freed memory aside to catch its later use, and the cgroup counts it.
            s.env["ASAN_OPTIONS"] = ":".join(o for o in (s.env.get("ASAN_OPTIONS"), "quarantine_size_mb=0") if o)
        # The program is moved into the child before it starts; the kernel's limit binds it alone.
        s.start(("sh", "-c", 'echo $$ > "$0/cgroup.procs" && exec "$@"', child))
        s.settle()
        with open(usage_file) as f:
            used = int(f.read())
        with open(limit_file, "w") as f:
            f.write(str(used + (250 << 20)))
        s.load("big.txt")
        out_of_memory_box(s)
        s.click(4)
        s.answer(LOAD, "Return", text="/proc/self/pagemap")
        out_of_memory_box(s)
        s.load("a.txt")
        s.extract()
        copied(s, "alpha.example\r\nbeta.example\r\n")
        s.close()
    finally:
        if s.proc and s.proc.poll() is None:
            s.proc.kill()
            s.proc.wait()
        for name in os.listdir(s.dir):
            if name.endswith(".txt") and os.path.getsize(s.path(name)) > (1 << 20):
                os.remove(s.path(name))
        for _ in range(100):  # the cgroup goes once its last process has
            try:
                os.rmdir(child)
                break
            except OSError:
                time.sleep(0.1)


def load_2400_picked(s):
    """2,400 files picked in the load dialog make a value of 26,428 characters (folder NUL name NUL ...), under
    the 30,000 the dialog hands over: every file loads, though the name field's quoted names take 31,199."""
    folder = s.path("m")  # the folder's name and 2,400 names of 10 with their NULs: 26,428 when it takes 28
    os.mkdir(folder)
    for i in range(2400):
        with open(os.path.join(folder, "f%05d.txt" % i), "wb") as f:
            f.write(b"x%d@many.example\r\n" % i)
    s.click(4)
    wid = s.wait_window(LOAD)
    s.answer(LOAD, text="m", closes=False)
    # Qt lists a folder in the background, a batch at a time, and Ctrl+A selects what is listed: the
    # listing holds the folder open until it has them all. Enter goes through this script's own
    # connection, so that the watch starts as soon as the server has it.
    from Xlib import X, XK
    from Xlib.ext import xtest

    def enter(d):
        code = d.keysym_to_keycode(XK.string_to_keysym("Return"))
        xtest.fake_input(d, X.KeyPress, code)
        xtest.fake_input(d, X.KeyRelease, code)
    s.x_input(enter)
    poll("the dialog to list the folder", lambda: folder in s.open_paths(), LIMIT, 0)
    poll("the dialog to finish listing", lambda: folder not in s.open_paths(), LIMIT, 0.01)
    s.pick(wid, [0])
    s.xdo("key", "ctrl+a")
    s.answer(LOAD, "Return")
    s.settle()
    s.extract()
    s.save(6, "out.txt")
    s.settle()
    saved = s.read("out.txt")
    check(saved.count(b"\r\n") == 2400 and saved.count(b"many.example") == 2400,
          "%d rows saved of 2,400 files (a value of %d characters)" % (saved.count(b"\r\n"), len(folder) + 11 * 2400))


def save_over_a_file_in_use(s):
    """A file another program holds open, sharing reading and writing but not its deletion (a log tool; on
    Linux, a file mounted over), cannot be replaced by a new one: the save tries again a moment, then writes
    every row into the old file itself."""
    rows = 50000
    s.write("list.txt", "".join("u%d@h%d.example\r\n" % (i, i) for i in range(rows)))
    s.write("held.txt", "old " * 100000)
    stop = s.path(".bin/let-go")
    holder = None
    if s.windows_system:
        helper = os.environ.get("KESTRUNE_HOLD_OPEN")
        if not helper:
            raise Skipped("KESTRUNE_HOLD_OPEN names no program to hold the file (tests/support/hold_open.cpp)")
        holder = subprocess.Popen([s.wine, helper, s.native(s.path("held.txt")), s.native(stop)], env=s.env,
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        poll("the file to be held", lambda: os.path.exists(stop + ".held") or holder.poll() is not None)
        check(holder.poll() is None, "the holding program ended (%s)" % holder.returncode)
    elif run("mount", "--bind", s.path("held.txt"), s.path("held.txt")).returncode != 0:
        raise Skipped("needs root to mount a file over itself, where renaming over it gives EBUSY")
    try:
        s.load("list.txt")
        s.extract()
        s.save(6, "held.txt")
        s.answer(APP, "Return")  # overwrite it
        s.settle()
        want = lines(*("h%d.example" % i for i in range(rows)))
        check(s.read("held.txt") == want, "held.txt holds %d bytes, not %d" % (len(s.read("held.txt")), len(want)))
        check(s.files() == ["held.txt", "list.txt"], "files %s" % s.files())
    finally:
        if holder:
            open(stop, "w").close()
            holder.wait(LIMIT)
        else:
            run("umount", s.path("held.txt"))


SCENARIOS = [
    ("load_extract_save", load_extract_save),
    ("entry_box", entry_box),
    ("long_and_broken_paste", long_and_broken_paste),
    ("paste_column", paste_column),
    ("select_and_copy", select_and_copy),
    ("paste_million", paste_million),
    ("drop_files", drop_files),
    ("drop_text_and_folder", drop_text_and_folder),
    ("load_several_typed", load_several_typed),
    ("load_typed_folders", load_typed_folders),
    ("home_as_tilde", home_as_tilde),
    ("load_cancel_start_empty", load_cancel_start_empty),
    ("load_picked", load_picked),
    ("load_picked_quoted", lambda s: load_picked(s, 'b"q.txt', (0, 1, 2), "alpha.example\r\nbeta.example\r\n"
                                                 "gamma.example\r\nzeta.example\r\n")),
    ("load_too_many_picked", load_too_many_picked),
    ("load_folders_picked", load_folders_picked),
    ("typed_patterns", typed_patterns),
    ("save_text", lambda s: saves(s, 6)),
    ("save_comma", lambda s: saves(s, 7)),
    ("save_after_multi_load", save_after_multi_load),
    ("quotes_in_names", quotes_in_names),
    ("error_box", error_box),
    ("copy_close_paste", copy_close_paste),
    ("copy_close_paste_23mb", lambda s: copy_close_paste(s, 1000000)),
    ("copy_close_stuck_manager", lambda s: copy_close_paste(s, 1000000, stuck=True)),
    ("save_over_in_locked_folder", save_over_in_locked_folder),
    ("saves_keep_the_file", saves_keep_the_file),
    ("save_on_a_small_disk", save_on_a_small_disk),
    ("legacy_bytes", legacy_bytes),
    ("marked_files", marked_files),
    ("save_interrupted_in_place", save_interrupted_in_place),
    ("load_growing_file", load_growing_file),
    ("keyboard_only", keyboard_only),
    ("ansi_files_saved_back", ansi_files_saved_back),
    ("shift_jis_at_sign_byte", shift_jis_at_sign_byte),
    ("load_from_drive_top", load_from_drive_top),
    ("run_in_2_gb", run_in_2_gb),
    ("load_under_a_cgroup_limit", load_under_a_cgroup_limit),
    ("load_2400_picked", load_2400_picked),
    ("save_over_a_file_in_use", save_over_a_file_in_use),
]

# Where a row runs: on both systems unless marked here with the one it runs
# on and why it does not apply to the other.
SYSTEMS = {
    "load_picked_quoted": ("linux", 'clicks rows in Qt\'s own dialog, and a Windows file name cannot hold "'),
    "load_too_many_picked": ("linux", "clicks rows where Qt's own dialog lists them; Wine's dialog crashes on a "
                                      "selection too long for the buffer, where Windows says FNERR_BUFFERTOOSMALL"),
    "load_folders_picked": ("linux", "clicks rows where Qt's own dialog lists them; Windows shows the system's dialog"),
    "home_as_tilde": ("linux", "~ as the home folder is Qt's dialog's; Windows shows the system's dialog"),
    "typed_patterns": ("linux", "clicks rows where Qt's own dialog lists them; Windows shows the system's dialog"),
    "copy_close_stuck_manager": ("linux", "the hand-over of a text longer than one X request is the X11 build's own"),
    "copy_close_paste_23mb": ("linux", "the stepwise hand-over of a text longer than one X request is the X11 "
                                       "build's own; under Wine the clipboard is Wine's"),
    "save_interrupted_in_place": ("linux", "closes a folder by POSIX permissions, runs as another user (setpriv) "
                                           "and watches the program's open files in /proc"),
    "load_growing_file": ("linux", "runs as another user (setpriv) and watches the program's open files in /proc"),
    "load_picked": ("linux", "clicks the rows where Qt's own dialog lists them; Windows shows the system's dialog"),
    "quotes_in_names": ("linux", 'a Windows file name cannot hold "'),
    "long_and_broken_paste": ("linux", "Wine's X clipboard bridge cuts a long paste (seen at 40,009 characters) "
                                       "before the program sees it"),
    "paste_million": ("linux", "Wine's X clipboard bridge cuts long pastes (see long_and_broken_paste); one of 26 MB "
                               "did not finish within ten minutes there"),
    "shift_jis_at_sign_byte": ("windows", "needs the ANSI code page 932, which Wine takes from LC_ALL"),
    "load_from_drive_top": ("windows", "a drive's top folder, C:\\, is Windows'"),
    "save_on_a_small_disk": ("linux", "mounts a tmpfs and runs as another user (setpriv)"),
    "run_in_2_gb": ("linux", "sets the limit with prlimit on the Linux program; Windows' commit limit is not "
                             "Wine's to set"),
    "load_under_a_cgroup_limit": ("linux", "cgroups are Linux's"),
    "load_2400_picked": ("linux", "clicks rows where Qt's own dialog lists them; Windows shows the system's dialog"),
    "save_over_in_locked_folder": ("linux", "closes a folder by POSIX permissions and runs as another user (setpriv); "
                                            "Wine wants its prefix to belong to the user running it"),
}


def preflight():
    missing = [t for t in ("Xvfb", "xdotool", "xclip") if not shutil.which(t)]
    try:
        import Xlib  # noqa: F401
    except ImportError:
        missing.append("python3-xlib")
    return missing


def main(argv=None):
    parser = argparse.ArgumentParser()
    parser.add_argument("--exe")
    parser.add_argument("--wine", help="the cross build's wine-run.sh: the program is kestrune.exe under Wine")
    parser.add_argument("--only", nargs="+", action="extend", default=[])
    parser.add_argument("--list", action="store_true")
    # K/N: every N-th scenario from the K-th on, so that N runs side by side
    # cover the table and a new row can never be left out of every run.
    parser.add_argument("--shard", default="0/1")
    args = parser.parse_args(argv)
    names = [n for n, _ in SCENARIOS]
    if args.list:
        print("\n".join(names))
        return 0
    unknown = [n for n in args.only if n not in names]
    if unknown or not args.exe:
        parser.error("unknown scenario(s): %s" % " ".join(unknown) if unknown else "--exe is required")
    missing = preflight()
    if missing:
        print("skipped: missing " + ", ".join(missing))
        return SKIP
    system = "windows" if args.wine else "linux"
    display = Display()
    failures = 0
    if args.wine:
        # Wine draws on the display its server met first: start it afresh on this one.
        run(args.wine, "--wait")
    try:
        shard, shards = (int(x) for x in args.shard.split("/"))
        for index, (name, scenario) in enumerate(SCENARIOS):
            if args.only and name not in args.only:
                continue
            if not args.only and index % shards != shard:
                continue
            only = SYSTEMS.get(name)
            if only and only[0] != system:
                print("SKIP %s on %s: %s" % (name, system, only[1]), flush=True)
                continue
            session = Session(display, os.path.abspath(args.exe), args.wine and os.path.abspath(args.wine))
            began = time.monotonic()
            try:
                scenario(session.start())
                print("PASS %s (%.1f s)" % (name, time.monotonic() - began), flush=True)
            except Skipped as e:
                print("SKIP %s: %s" % (name, e), flush=True)
            except Failed as e:
                failures += 1
                if display.server.poll() is not None:
                    e = Failed("%s\n(the X server ended: %s)" % (e, display.server.returncode))
                if os.environ.get("KESTRUNE_E2E_SHOTS") and shutil.which("import"):
                    run("import", "-window", "root", os.path.join(os.environ["KESTRUNE_E2E_SHOTS"], name + ".png"),
                        env=session.env)
                print("FAIL %s: %s" % (name, e), flush=True)
            finally:
                session.end()
    finally:
        if args.wine:
            run(args.wine, "--wait")
        display.close()
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
