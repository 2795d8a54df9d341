"""What the browser tests share: the layout table, read from its source, and
the served page in headless Chromium, worked and read as a person does."""
import math
import os
import re
import sys
import time
import unittest
from collections import namedtuple

from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.keys import Keys

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
sys.path.insert(0, os.path.join(ROOT, "tools"))
from serve_web import PAGE_FILES, chromium, serve  # noqa: E402

TIMEOUT = 30  # seconds for any one state to come; generous for a loaded machine
BANNER = ["Click here to win solid", "No draws!!!", "Just click 'n' win!"]
Control = namedtuple("Control", "name index kind caption left top width height visible tab back fore font auto")
Window = namedtuple("Window", "caption back width height font")


def px(twips):
    """Twips to CSS pixels as the backend rounds them."""
    return math.floor(twips / 15 + 0.5)


def read_layout():
    """The window and its controls as src/ui/Layout.cpp stores them."""
    with open(os.path.join(ROOT, "src", "ui", "Layout.cpp")) as f:
        src = f.read()
    named = {m[0]: tuple(map(int, m[1:])) for m in re.findall(r"constexpr Rgb (\w+)\{(\d+), (\d+), (\d+)\}", src)}
    fonts = {m[0]: (float(m[1]), m[2] == "true")
             for m in re.findall(r'constexpr Font (\w+)\{"[^"]*", ([\d.]+), (\w+)', src)}

    def colour(token):
        m = re.fullmatch(r"Rgb\{(\d+), (\d+), (\d+)\}", token)
        return tuple(map(int, m.groups())) if m else named.get(token)

    controls = []
    for m in re.finditer(r'^\s*\{"(\w+)",\s*(-?\d+),\s*K::(\w+),\s*"([^"]*)",' + r"\s*(\d+)," * 4
                         + r"\s*(true|false),\s*(-?\d+)(.*)\},\s*$", src, re.M):
        extra = re.findall(r"Rgb\{[^}]*\}|\{\}|[\w.]+", m[11]) + ["{}"] * 4
        controls.append(Control(m[1], int(m[2]), m[3], m[4], *map(int, m.group(5, 6, 7, 8)), m[9] == "true", int(m[10]),
                                colour(extra[0]), colour(extra[1]), fonts.get(extra[2]), extra[3] == "true"))
    w = re.search(r'WindowSpec form1\{"\w+", "([^"]*)", Rgb\{(\d+), (\d+), (\d+)\}, (\d+), (\d+),\s*'
                  r'Font\{"[^"]*", ([\d.]+), (\w+)', src)
    assert w and len(controls) > 20, "src/ui/Layout.cpp no longer reads as a layout table"
    window = Window(w[1], tuple(map(int, w.group(2, 3, 4))), int(w[5]), int(w[6]), (float(w[7]), w[8] == "true"))
    return window, controls


def rgb(css):
    """'rgb(1, 2, 3)' as (1, 2, 3); None for a transparent colour."""
    n = [float(v) for v in re.findall(r"[\d.]+", css)]
    return None if len(n) == 4 and n[3] == 0 else tuple(int(v) for v in n[:3])


def element_of(elements, control):
    """The page's element for a row of the table: by kind and caption, by
    fill for rectangles; the banner label's caption rotates."""
    kind = {"PushButton": "button", "TextBox": "textbox", "ProgressBar": "progress", "Label": "label"}
    found = [e for e in elements if e["cls"] == kind.get(control.kind, "shape") and (
        rgb(e["back"]) == control.back if control.kind == "Rectangle" else
        control.kind not in ("PushButton", "Label") or e["text"] == control.caption
        or control.caption.rstrip() in BANNER and e["text"] in BANNER)]
    assert len(found) == 1, "%d elements for %s(%d)" % (len(found), control.name, control.index)
    return found[0]


# Every control in the client area, its rectangle relative to the client's
# top-left corner; the innermost message box as a person and a screen reader
# take it (marked, to tell when it has gone).
READ_CONTROLS = """var c = document.querySelector('#form .client'), at = c.getBoundingClientRect();
var all = c.querySelectorAll('.client > button, .client > input, .client > .progress, .surface > *');
return Array.from(all, function (e) {
    var r = e.getBoundingClientRect(), s = getComputedStyle(e);
    return {cls: e.className, text: e.tagName === 'INPUT' ? e.value : e.textContent, hidden: e.hidden,
            rect: [r.left - at.left, r.top - at.top, r.width, r.height], back: s.backgroundColor, fore: s.color,
            font: [s.fontSize, s.fontWeight], value: e.getAttribute('aria-valuenow')};
});"""
READ_BOX = """var all = document.querySelectorAll('.msgbox'), b = all[all.length - 1], a = document.activeElement;
if (!b) return null;
function byId(attr) { var e = document.getElementById(b.getAttribute(attr)); return e && e.textContent; }
b.dataset.seen = 1;
return {role: b.getAttribute('role'), modal: b.getAttribute('aria-modal'), title: b.querySelector('.title').innerText,
        name: byId('aria-labelledby'), text: b.querySelector('.msgtext').innerText,
        description: byId('aria-describedby'),
        buttons: Array.from(b.querySelectorAll('button'), function (e) { return e.textContent; }),
        focused: b.contains(a) ? a.textContent : null, inert: document.getElementById('form').inert};"""


class Page:
    """Headless Chromium on the build tree, served on the loopback interface."""

    def __init__(self, build_dir, size):
        self.server = serve(build_dir)
        self.driver = chromium("--window-size=" + size, capabilities={"goog:loggingPrefs": {"browser": "ALL"}})
        self.js = self.driver.execute_script

    def load(self, on_show):
        """Opens the page and runs on_show as soon as the window shows;
        returns once the page and every file it asks for have loaded."""
        self.driver.get(self.server.url)
        self.wait(self.shown, "the window to show")
        if on_show:
            self.js(on_show)
        self.wait(lambda: self.js("return document.readyState") == "complete"
                  and set(PAGE_FILES) <= set(self.server.requests), "the page's files")

    def quit(self):
        self.driver.quit()
        self.server.shutdown()

    def wait(self, probe, what, timeout=TIMEOUT):
        """probe() until it gives something true, and that."""
        end = time.monotonic() + timeout
        while not (value := probe()):
            if time.monotonic() > end:
                raise AssertionError("no %s after %s s (last: %r)" % (what, timeout, value))
            time.sleep(0.03)
        return value

    def shown(self):
        return self.js("var f = document.getElementById('form'); return !!f && !f.hidden && !f.inert")

    def display(self, expect=None):
        """The display's text; with expect, once it reads that or the time is up."""
        read = lambda: self.js("return document.querySelector('#form .textbox').value")  # noqa: E731
        end = time.monotonic() + TIMEOUT
        while expect is not None and read() != expect and time.monotonic() < end:
            time.sleep(0.03)
        return read()

    def focused(self):
        return self.js("var a = document.activeElement; return a.classList.contains('textbox') ? 'display'"
                       " : a === document.body ? null : a.textContent;")

    def leave_guarded(self):
        """Whether leaving the page asks first."""
        return self.js("var e = new Event('beforeunload', {cancelable: true});"
                       "window.dispatchEvent(e); return e.defaultPrevented;")

    def key(self, caption):
        return self.js("var c = arguments[0]; return Array.prototype.find.call(document.querySelectorAll('#form"
                       " .client > button'), function (b) { return b.textContent === c && !b.hidden; });", caption)

    def click(self, caption):
        self.key(caption).click()

    def keys(self, *keys):
        ActionChains(self.driver).send_keys(*keys).perform()

    def type_display(self, text):
        """Selects all of the display and types text over it."""
        box = self.driver.find_element("css selector", "#form .textbox")
        (ActionChains(self.driver).click(box).key_down(Keys.CONTROL).send_keys("a").key_up(Keys.CONTROL)
         .send_keys(text or Keys.BACKSPACE).perform())
        self.wait(lambda: self.display() == text, "display reading %r" % text)

    def wait_box(self, title):
        return self.wait(lambda: (lambda b: b if b and b["title"] == title else None)(self.js(READ_BOX)),
                         "message box titled %r" % title)

    def answer(self, button=None, key=None):
        """Answers the box last read, with a click on button or a key, and
        waits for it to go."""
        if key:
            self.keys(key)
        else:
            self.driver.find_element("xpath", "(//div[@data-seen])[last()]//button[text()='%s']" % button).click()
        self.wait(lambda: not self.js("return document.querySelector('.msgbox[data-seen]')"), "box closing")

    def close_window(self):
        self.driver.find_element("css selector", "#form .closebox").click()


class PageTest(unittest.TestCase):
    """One browser for the class. After each test: no error in the console,
    and no request since the page's own files loaded. A page left broken
    (an error, a box that stays) fails the tests after at once."""
    build_dir = None
    size = "480,600"
    on_show = None
    broken = False

    @classmethod
    def setUpClass(cls):
        cls.page = Page(cls.build_dir, cls.size)
        try:
            cls.page.load(cls.on_show)
        except BaseException:
            cls.page.quit()
            raise
        cls.requests = list(cls.page.server.requests)

    @classmethod
    def tearDownClass(cls):
        cls.page.quit()

    def setUp(self):
        if self.broken:
            self.fail("an earlier test left the page broken")

    def tearDown(self):
        cls = type(self)
        cls.broken = True
        for _ in range(5):  # a failed test may leave boxes open
            if box := self.page.js(READ_BOX):
                self.page.answer(box["buttons"][-1])
        self.assertEqual([], [e["message"] for e in self.page.driver.get_log("browser") if e["level"] == "SEVERE"])
        cls.broken = False
        before, cls.requests = cls.requests, list(self.page.server.requests)
        self.assertLessEqual(set(cls.requests), set(PAGE_FILES))
        self.assertEqual(before, cls.requests, "requests after the page had loaded")


def main():
    """Runs the calling script's tests on the build tree named on its command line."""
    if len(sys.argv) != 2:
        sys.exit("usage: %s BUILD_DIR" % sys.argv[0])
    PageTest.build_dir = os.path.abspath(sys.argv[1])
    unittest.main(argv=sys.argv[:1], verbosity=2)
