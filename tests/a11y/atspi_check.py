#!/usr/bin/python3
"""Reads the calculator's accessibility tree over AT-SPI, as a screen reader
does, and presses keys through the action interface.

Usage: atspi_check.py PID [TIMEOUT_SECONDS]

PID is the running program's process id: its application is looked up among
those registered on the accessibility bus. Exits 0 when every check holds;
prints one line per check and a closing count.
"""
import sys
import time
import warnings

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402

# Debian 12's libatspi marks some calls deprecated without offering the new
# names yet.
warnings.filterwarnings("ignore", category=DeprecationWarning)

R = Atspi.Role
BANNER_TEXTS = {"Click here to win solid  ", "Click here to win solid", "No draws!!!", "Just click 'n' win!"}

# name, AT-SPI roles accepted (Qt maps editable text to "text" or "entry")
EXPECTED = [
    ("Abacoria", {R.FRAME}),
    ("1", {R.PUSH_BUTTON}),
    ("0", {R.PUSH_BUTTON}),
    ("9", {R.PUSH_BUTTON}),
    ("Point", {R.PUSH_BUTTON}),
    ("Plus", {R.PUSH_BUTTON}),
    ("Minus", {R.PUSH_BUTTON}),
    ("Divide", {R.PUSH_BUTTON}),
    ("Multiply", {R.PUSH_BUTTON}),
    ("Equals", {R.PUSH_BUTTON}),
    ("Display", {R.TEXT, R.ENTRY}),
    ("10000!!", {R.LABEL, R.STATIC}),
    ("Visit my sponsers..", {R.LABEL, R.STATIC}),
]

passed = 0
failed = 0


def check(ok, what):
    global passed, failed
    if ok:
        passed += 1
        print(f"ok - {what}")
    else:
        failed += 1
        print(f"FAIL - {what}")
    return ok


def poll(fn, timeout, step=0.05):
    """fn() until it returns something true or the time is up; the last value."""
    end = time.monotonic() + timeout
    while True:
        try:
            value = fn()
        except GLib.Error:
            value = None
        if value or time.monotonic() >= end:
            return value
        time.sleep(step)


def find_app(pid):
    desktop = Atspi.get_desktop(0)
    for i in range(desktop.get_child_count()):
        app = desktop.get_child_at_index(i)
        if app is not None and app.get_process_id() == pid:
            return app
    return None


def walk(node):
    yield node
    for i in range(node.get_child_count()):
        child = node.get_child_at_index(i)
        if child is not None:
            yield from walk(child)


def named(app, name):
    app.clear_cache()
    return [n for n in walk(app) if n.get_name() == name and n.get_role() != R.APPLICATION]


def press(node):
    for i in range(Atspi.Action.get_n_actions(node)):
        if Atspi.Action.get_action_name(node, i) in ("Press", "press", "click"):
            return Atspi.Action.do_action(node, i)
    return False


def display_text(display):
    display.clear_cache()
    return Atspi.Text.get_text(display, 0, Atspi.Text.get_character_count(display))


def main():
    pid = int(sys.argv[1])
    timeout = float(sys.argv[2]) if len(sys.argv) > 2 else 20.0
    # The default (under a second a call) is short for a busy CI machine
    # running other tests beside this one.
    Atspi.set_timeout(10000, 30000)

    app = poll(lambda: find_app(pid), timeout)
    if not check(app is not None, f"application of process {pid} is on the accessibility bus"):
        return 1
    frame = poll(lambda: [n for n in named(app, "Abacoria") if n.get_role() == R.FRAME], timeout)
    check(bool(frame) and frame[0].get_state_set().contains(Atspi.StateType.SHOWING),
          "the window is a frame named Abacoria and showing")

    for name, roles in EXPECTED:
        nodes = named(app, name)
        got = [n.get_role_name() for n in nodes]
        check(len(nodes) == 1 and nodes[0].get_role() in roles, f"{name!r}: one node with role in "
              f"{sorted(Atspi.role_get_name(r) for r in roles)} (got {got})")

    display = named(app, "Display")
    if not check(len(display) == 1 and display[0].get_state_set().contains(Atspi.StateType.EDITABLE),
                 "the display is editable text"):
        return 1
    display = display[0]
    check(display_text(display) == "0", f"the display reads '0' at start (got {display_text(display)!r})")

    # The banner's name is its caption, which the timer rotates every second.
    banner = [n for n in walk(app) if n.get_role() in (R.LABEL, R.STATIC) and n.get_name() in BANNER_TEXTS]
    if check(len(banner) == 1, "one label carries a banner text as its name"):
        first = banner[0].get_name()

        def changed():
            banner[0].clear_cache()
            name = banner[0].get_name()
            return name if name != first else None

        later = poll(changed, 5.0)
        check(later in BANNER_TEXTS, f"the banner's name follows its caption ({first!r} -> {later!r})")

    # A screen reader learns of the change from an event, not by asking.
    heard = []

    def on_name_change(event):
        if event.source is not None and event.source.get_process_id() == pid:
            heard.append(event.source.get_name())

    listener = Atspi.EventListener.new(on_name_change)
    listener.register("object:property-change:accessible-name")
    context = GLib.MainContext.default()

    def banner_announced():
        while context.iteration(False):
            pass
        return any(name in BANNER_TEXTS for name in heard)

    check(poll(banner_announced, 5.0), f"the banner's new caption is announced as a name change (heard {heard})")
    listener.deregister("object:property-change:accessible-name")

    # Keys pressed through the action interface change the display, read back
    # over the bus.
    for key, expected in (("1", "1"), ("2", "12"), ("Plus", "0"), ("7", "7")):
        node = named(app, key)
        pressed = len(node) == 1 and press(node[0])
        got = poll(lambda: display_text(display) == expected and expected, 5.0) or display_text(display)
        check(pressed and got == expected, f"pressing {key!r} makes the display read {expected!r} (got {got!r})")

    print(f"{passed} passed, {failed} failed")
    return 0 if failed == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
