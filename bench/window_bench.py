#!/usr/bin/python3
"""Times load, extract and save as text through the real program on its own
Xvfb, driven as a user drives it, against mawk with the same rule on the same
file.

    /usr/bin/python3 bench/window_bench.py --exe build/kestrune [--entries 5000000] [--runs 3]

Each step is timed by what shows from outside: the load from the moment the
program opens the file until it lets go of it, the extraction from the click
until the "Done." box, the save from the moment its file opens until the
saved file is in place. The time the two dialogs take to close and hand the
name over is shown apart. The driver's own polling adds a millisecond or two
to each. Runs of the program and of mawk alternate."""

import argparse
import os
import random
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
import kestrune_e2e as e2e  # noqa: E402

AWK = ('BEGIN{RS="\\r\\n";ORS="\\r\\n"}'
       '{ if (index($0,"@")) { split($0,p,"@"); print p[2] }'
       '  else { s=$0; gsub(/https:\\/\\//,"",s); gsub(/http:\\/\\//,"",s); gsub(/www\\./,"",s); print s } }')


def generate(path, n):
    """Mixed entries, as the bench makes them: addresses, web addresses with and
    without scheme and www., some empty lines."""
    rng = random.Random(20211)
    users = ["jordan", "alex.m", "sam_92", "info", "billing", "k.tanaka", "noreply", "ops"]
    hosts = ["example.com", "mail.example.org", "shop.example.net", "post.example", "site.example.co"]
    with open(path, "wb") as f:
        block = []
        for i in range(n):
            kind, user, host, ident = rng.randrange(20), rng.choice(users), rng.choice(hosts), rng.randrange(100000)
            if kind == 0:
                line = ""
            elif kind < 11:
                line = "%s@%d.%s" % (user, ident, host)
            elif kind < 14:
                line = "https://www.%d.%s/" % (ident, host)
            elif kind < 17:
                line = "http://%d.%s/p?q" % (ident, host)
            else:
                line = "www.%d.%s" % (ident, host)
            block.append(line)
            if len(block) == 100000:
                f.write(("\r\n".join(block) + "\r\n").encode())
                block = []
        if block:
            f.write(("\r\n".join(block) + "\r\n").encode())


def press_enter(s, title):
    """Enter in the dialog or box through the driver's own connection; returns when the server has it."""
    from Xlib import X, XK
    from Xlib.ext import xtest
    wid = s.wait_window(title)
    s.xdo("windowfocus", "--sync", wid)

    def enter(d):
        code = d.keysym_to_keycode(XK.string_to_keysym("Return"))
        xtest.fake_input(d, X.KeyPress, code)
        xtest.fake_input(d, X.KeyRelease, code)
    s.x_input(enter)


def type_name(s, title, text):
    wid = s.wait_window(title)
    s.xdo("windowfocus", "--sync", wid)
    s.xdo("key", "--clearmodifiers", "ctrl+a", "BackSpace")
    s.xdo("type", "--delay", "15", text)


def fast_poll(what, probe):
    return e2e.poll(what, probe, 600, 0.0005)


def window_run(s, entries):
    """One load, extraction and save; returns their times in seconds, and
    how long the two dialogs took to close and hand the name over."""
    s.click(4)
    type_name(s, e2e.LOAD, entries)
    start = time.monotonic()
    press_enter(s, e2e.LOAD)
    fast_poll("the load to start", lambda: entries in s.open_paths())
    opened = time.monotonic()
    fast_poll("the load to end", lambda: entries not in s.open_paths())
    load = time.monotonic() - opened
    dialogs = opened - start
    s.settle()

    s.click(2)
    start = time.monotonic()
    fast_poll('the "Done." box', lambda: s.windows(e2e.APP))
    extract = time.monotonic() - start
    s.answer(e2e.APP, "Return")

    out = s.path("out.txt")
    if os.path.exists(out):
        os.remove(out)
    s.click(6)
    type_name(s, e2e.SAVE, out)
    before = set(s.open_paths())
    start = time.monotonic()
    press_enter(s, e2e.SAVE)
    # The save's file, unnamed until it is put in place, opens in the folder.
    fast_poll("the save to start", lambda: any(p.startswith(s.dir) for p in set(s.open_paths()) - before))
    opened = time.monotonic()
    fast_poll("the saved file", lambda: os.path.exists(out))
    save = time.monotonic() - opened
    dialogs += opened - start
    s.settle()
    return load, extract, save, dialogs


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--exe", required=True)
    parser.add_argument("--entries", type=int, default=5000000)
    parser.add_argument("--runs", type=int, default=3)
    args = parser.parse_args()
    display = e2e.Display()
    s = e2e.Session(display, os.path.abspath(args.exe))
    try:
        entries = s.path("entries.txt")
        generate(entries, args.entries)
        print("entries: %d (%.1f MB file)" % (args.entries, os.path.getsize(entries) / 1e6))
        with open("/proc/cpuinfo") as f:
            model = next((l.split(":", 1)[1].strip() for l in f if l.startswith("model name")), "?")
        print("processor: %s" % model)
        print("%-4s %8s %8s %8s %8s %8s %6s %8s" % ("run", "load", "extract", "save", "sum", "mawk", "ratio",
                                                  "dialogs"))
        for run in range(args.runs):
            s.start()
            load, extract, save, dialogs = window_run(s, entries)
            s.close()
            start = time.monotonic()
            with open(s.path("awk.txt"), "wb") as out:
                subprocess.run(["mawk", AWK, entries], stdout=out, check=True)
            awk = time.monotonic() - start
            total = load + extract + save
            print("%-4d %8.0f %8.0f %8.0f %8.0f %8.0f %6.2f %8.0f" % (
                run + 1, load * 1e3, extract * 1e3, save * 1e3, total * 1e3, awk * 1e3, total / awk, dialogs * 1e3),
                flush=True)
            with open(s.path("out.txt"), "rb") as a, open(s.path("awk.txt"), "rb") as b:
                e2e.check(a.read() == b.read(), "the saved file differs from mawk's output")
    finally:
        s.end()
        display.close()


if __name__ == "__main__":
    main()
