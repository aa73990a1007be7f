#!/usr/bin/python3
"""Reads both lists of the real window over AT-SPI, as a screen reader does.

    /usr/bin/python3 atspi_lists.py PATH/TO/kestrune

Starts its own D-Bus session, accessibility bus and Xvfb; loads the sample
entries and extracts with real clicks (xdotool), answers the "Done." box, then
reads the window, both lists and every row through pyatspi. It listens on the
bus as a screen reader does: each list announces rows arriving and leaving, a
list reached with Tab or Shift+Tab hands the focus to its current row in one
focus event, and each "Clear List" button says which list it clears. A
paste is heard as rows arriving, Ctrl+A read as every row selected, and the
context menu opened with Shift+F10 as its first item taking the focus. Like a
screen reader it listens to the keyboard, so the program gets its keys back
from the bridge without timestamps, and typed letters still find their rows.
Exits 77 (skipped) when a tool it needs is missing.
"""
import os
import shutil
import subprocess
import sys
import time

SKIP = 77
INNER = "KESTRUNE_ATSPI_INNER"
LAUNCHER = "/usr/libexec/at-spi-bus-launcher"
LIMIT = 60.0  # seconds for anything to appear; CI machines are slow and shared


def skip(why):
    print("SKIP: " + why)
    sys.exit(SKIP)


def pump():
    """Delivers the bus events that have arrived to the listener."""
    from gi.repository import GLib
    context = GLib.MainContext.default()
    while context.pending():
        context.iteration(False)


def poll(what, probe, limit=LIMIT):
    end = time.monotonic() + limit
    while time.monotonic() < end:
        pump()
        try:
            found = probe()
        except Exception:  # the tree changes under us while the program starts
            found = None
        if found:
            return found
        time.sleep(0.2)
    raise SystemExit("FAIL: timed out waiting for " + what)


def walk(node, depth=0):
    yield node
    if depth > 12:
        return
    for i in range(node.childCount if node.getRoleName() not in ("table", "list", "tree") else 0):
        child = node.getChildAtIndex(i)
        if child is not None:
            yield from walk(child, depth + 1)


def outer(exe):
    for tool in ("dbus-run-session", "Xvfb", "xdotool", "xclip"):
        if not shutil.which(tool):
            skip(tool + " is not installed")
    if not os.access(LAUNCHER, os.X_OK):
        skip("at-spi2-core is not installed")
    try:
        import pyatspi  # noqa: F401
    except ImportError:
        skip("python3-pyatspi is not installed")
    env = dict(os.environ, **{INNER: "1"})
    return subprocess.call(["dbus-run-session", "--", sys.executable, os.path.abspath(__file__), exe], env=env)


def press(node):
    """Clicks the middle of a control with the real pointer."""
    x, y, w, h = node.queryComponent().getExtents(0)  # screen coordinates
    subprocess.check_call(["xdotool", "mousemove", "--sync", str(x + w // 2), str(y + h // 2), "click", "1"])


def inner(exe):
    procs = []
    try:
        procs.append(subprocess.Popen([LAUNCHER, "--launch-immediately"]))
        read_fd, write_fd = os.pipe()
        procs.append(subprocess.Popen(["Xvfb", "-displayfd", str(write_fd), "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
                                      pass_fds=[write_fd]))
        os.close(write_fd)
        display = ":" + os.read(read_fd, 16).decode().strip()
        os.environ["DISPLAY"] = display
        env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_QPA_PLATFORM="xcb")
        env.pop("QT_SCALE_FACTOR", None)
        exe = os.path.abspath(exe)

        # Registered before the program starts, so that it sends these from the
        # first. Qt passes a removed child on only to those who also listen for
        # state changes, as screen readers do.
        import pyatspi
        heard = []

        def listener(event):
            try:
                heard.append((event.type, event.source.getRoleName(), event.source.name, event.detail1))
            except Exception as e:  # a source gone before it could be read
                heard.append((event.type, None, repr(e)))

        for kind in ("object:children-changed", "focus:", "object:state-changed:focused"):
            pyatspi.Registry.registerEventListener(listener, kind)
        # Keys pass through this listener before the program sees them, as
        # they pass through a screen reader's.
        keys = []
        pyatspi.Registry.registerKeystrokeListener(lambda event: keys.append(event.event_string) and False,
                                                   mask=pyatspi.allModifiers(),
                                                   kind=(pyatspi.KEY_PRESSED_EVENT, pyatspi.KEY_RELEASED_EVENT))
        procs.append(subprocess.Popen([exe], env=env, cwd=os.path.dirname(exe)))
        desktop = pyatspi.Registry.getDesktop(0)
        pid = procs[-1].pid

        def app():
            for i in range(desktop.childCount):
                a = desktop.getChildAtIndex(i)
                if a is not None and a.get_process_id() == pid and a.childCount > 0:
                    return a
            return None

        def frame():
            a = app()
            for i in range(a.childCount if a else 0):
                w = a.getChildAtIndex(i)
                if w.getRoleName() == "frame" and w.name:
                    return w
            return None

        window = poll("the main window as a named frame", frame)
        print("window:", window.getRoleName(), repr(window.name))

        def control(role, name):
            return lambda: next((n for n in walk(window) if n.getRoleName() == role and n.name == name), None)

        lists = {name: poll("list " + name, control("table", name)) for name in ("Email(s)", "Domain(s)")}
        for name, lst in lists.items():
            first = lst.getChildAtIndex(0)
            if (first.getRoleName(), first.name) != ("table column header", name):
                raise SystemExit("FAIL: %s starts with %s %r" % (name, first.getRoleName(), first.name))

        # The two "Clear List" buttons: same text, each described by the list it clears.
        def clear_buttons():
            found = [n for n in walk(window) if (n.getRoleName(), n.name) == ("push button", "Clear List")]
            return found if len(found) == 2 else None

        clear = {}
        for button in poll("both Clear List buttons", clear_buttons):
            said = [name for name in lists if name in button.description]
            print("Clear List described as", repr(button.description))
            if len(said) != 1:
                raise SystemExit("FAIL: a Clear List button is described as %r" % button.description)
            clear[said[0]] = button
        if len(clear) != 2:
            raise SystemExit("FAIL: both Clear List buttons name the same list")

        def announced(kind, name):
            """Waits for the list to announce a change of its children, then forgets what was heard."""
            poll("%s from %s" % (kind, name), lambda: ("object:children-changed:" + kind, "table", name) in [h[:3] for h in heard])
            heard.clear()

        press(poll("Load Sample Emails", control("push button", "Load Sample Emails")))
        entries = lists["Email(s)"]
        poll("the sample rows", lambda: entries.queryTable().nRows >= 3)
        announced("add", "Email(s)")
        press(poll("Start Extracting", control("push button", "Start Extracting")))

        def done_box():
            a = app()
            for i in range(a.childCount):
                w = a.getChildAtIndex(i)
                if any(n.getRoleName() == "label" and n.name == "Done." for n in walk(w)):
                    return w
            return None

        box = poll('the "Done." box', done_box)
        press(poll("the box's OK button", lambda: next(n for n in walk(box) if n.getRoleName() == "push button")))
        results = lists["Domain(s)"]
        poll("the box to close", lambda: done_box() is None)

        def rows(lst):
            table = lst.queryTable()
            # Every row's own cell, read as a child of the list as a screen reader walks it.
            cells = [lst.getChildAtIndex((r + 1) * table.nColumns) for r in range(table.nRows)]
            assert all(c.getRoleName() == "table cell" for c in cells), [c.getRoleName() for c in cells]
            return [c.name for c in cells]

        for name, lst in lists.items():
            header = lst.queryTable().getColumnHeader(0)
            if header is None or header.name != name:
                raise SystemExit("FAIL: column header of %s reads %r" % (name, header and header.name))
        emails = rows(entries)
        domains = rows(results)
        print("Email(s):", emails)
        print("Domain(s):", domains)
        if len(emails) != 3 or not all("@" in e for e in emails):
            raise SystemExit("FAIL: input rows read as %r" % emails)
        if domains != [e.split("@", 1)[1] for e in emails]:
            raise SystemExit("FAIL: result rows read as %r for %r" % (domains, emails))
        announced("add", "Domain(s)")

        # Into the result list from either side: the focus lands on its current
        # row, the first one when none was current, not on the list as a whole.
        wid = subprocess.check_output(["xdotool", "search", "--onlyvisible", "--pid", str(pid)]).split()[-1]
        subprocess.check_call(["xdotool", "windowfocus", "--sync", wid])
        def focus_events():
            return [h[1:3] for h in heard if h[0] == "focus:"]

        for neighbour, key in (("Start Extracting", "Tab"), ("Save Results As Text File", "shift+Tab")):
            poll("the focus on " + neighbour,
                 lambda: control("push button", neighbour)().queryComponent().grabFocus() and
                 focus_events()[-1:] == [("push button", neighbour)])
            heard.clear()
            subprocess.check_call(["xdotool", "key", key])
            # The row's focus event comes last, after anything else said of the list.
            row = poll("the first row focused after " + key,
                       lambda: focus_events()[-1:] == [("table cell", domains[0])]
                       and results.getChildAtIndex(results.queryTable().nColumns))
            states = row.getState()
            if not (states.contains(pyatspi.STATE_FOCUSED) and states.contains(pyatspi.STATE_SELECTED)):
                raise SystemExit("FAIL: after %s the first row is %s" % (key, states.getStates()))
            if focus_events() != [("table cell", domains[0])]:
                raise SystemExit("FAIL: %s into Domain(s) announced the focus on %r" % (key, focus_events()))
            print(key, "into Domain(s): one focus event, on", repr(row.name))

        # Type-ahead through the listener: each letter after a pause moves to
        # the next row starting with it. The pause is longer than any
        # keyboard input interval and starts only once the row has moved.
        for letter, domain in (("k", domains[1]), ("p", domains[0]), ("s", domains[2]), ("k", domains[1])):
            heard.clear()
            keys.clear()
            time.sleep(2.5)
            subprocess.check_call(["xdotool", "key", letter])
            poll("%r to move to %s" % (letter, domain), lambda: focus_events()[-1:] == [("table cell", domain)])
        if letter not in keys:
            raise SystemExit("FAIL: the keystroke listener heard %r, not the typed letters" % keys)
        print("type-ahead k, p, s, k through a keystroke listener: each letter found its row")

        # A paste into the input list is heard as rows arriving, as a load is;
        # Ctrl+A there is read as every row selected; the context menu opened
        # from the keyboard is heard as its first item taking the focus.
        subprocess.run(["xclip", "-i", "-selection", "clipboard"], input="p1@paste.example\r\np2@paste.example\r\n",
                       text=True, check=True)
        poll("the focus on Email(s)", lambda: entries.queryComponent().grabFocus() and
             focus_events()[-1:] == [("table cell", emails[0])])
        heard.clear()
        subprocess.check_call(["xdotool", "key", "ctrl+v"])
        poll("the pasted rows", lambda: entries.queryTable().nRows == 5)
        announced("add", "Email(s)")
        subprocess.check_call(["xdotool", "key", "ctrl+a"])
        poll("every row selected", lambda: entries.queryTable().nSelectedRows == 5)
        subprocess.check_call(["xdotool", "key", "shift+F10"])
        poll("the menu's first item focused", lambda: focus_events()[-1:] == [("menu item", "Copy")])
        # Keys reach the program only once the listener has let them pass: the
        # menu is closed when the focus is back on a row, and not before, or a
        # click meant for a button would land on the open menu's edge instead.
        heard.clear()
        subprocess.check_call(["xdotool", "key", "Escape"])
        poll("the focus back on Email(s) after Escape", lambda: focus_events()[-1:][0][0] == "table cell")
        print("paste heard as rows added; Ctrl+A read as 5 rows selected; Shift+F10 heard as the menu's \"Copy\"")

        # Each Clear List empties its own list, and the list says so.
        for name in ("Domain(s)", "Email(s)"):
            heard.clear()
            press(clear[name])
            poll(name + " emptied", lambda: lists[name].queryTable().nRows == 0)
            announced("remove", name)
        print("PASS")
        return 0
    finally:
        for p in reversed(procs):
            p.terminate()
        for p in procs:
            try:
                p.wait(timeout=10)
            except subprocess.TimeoutExpired:
                p.kill()


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    sys.exit(inner(sys.argv[1]) if os.environ.get(INNER) else outer(sys.argv[1]))
