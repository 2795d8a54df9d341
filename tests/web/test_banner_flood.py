#!/usr/bin/python3
"""The banner and what a click on it brings: rotation and blink from the first
moment, the prize, the flood in the window filling the page with input still
handled, the farewells, the page's "ended" state and a fresh start from it.
One session, in order.   Usage: test_banner_flood.py BUILD_DIR"""
import math
import sys

sys.dont_write_bytecode = True
from selenium.webdriver.common.action_chains import ActionChains  # noqa: E402
from selenium.webdriver.common.actions.action_builder import ActionBuilder  # noqa: E402
from selenium.webdriver.common.keys import Keys  # noqa: E402

from webpage import BANNER, PageTest, main, px, read_layout  # noqa: E402

WINDOW, CONTROLS = read_layout()
LABEL2, LABEL3, PRIZE, KEY1 = (next(c for c in CONTROLS if c.name == n and c.index <= 0)
                               for n in ("Label2", "Label3", "Command2", "cmdButton"))
COPIES = 10000
FAREWELLS = ["Hope you had FUN ;-)", "Direct all insults to insults@abacoria.example.org\nor post in the DuraZude"]
LABELS = """var labels = Array.from(document.querySelectorAll('#form .surface > .label'));
var banner = labels.find(function (e) { return e.style.color === 'rgb(%d, %d, %d)'; });
var blinker = labels.find(function (e) { return e.textContent === '%s'; });
""" % (LABEL2.fore + (LABEL3.caption,))
# From the moment the window shows: each caption of the banner with where the
# label was, each blink with where the blinking label was when shown.
RECORD_BANNER = LABELS + """var client = document.querySelector('#form .client');
var seen = window.bannerSeen = {captions: [], blinks: []};
function place(e) {
    var r = e.getBoundingClientRect(), c = client.getBoundingClientRect();
    return [r.left - c.left, r.top - c.top, r.width, r.height];
}
function note() {
    var c = seen.captions[seen.captions.length - 1], b = seen.blinks[seen.blinks.length - 1];
    if (!c || c[0] !== banner.textContent) seen.captions.push([banner.textContent].concat(place(banner)));
    if (!b || b[0] !== blinker.hidden) seen.blinks.push([blinker.hidden].concat(place(blinker)));
}
note();
new MutationObserver(note).observe(client, {subtree: true, childList: true, attributes: true, characterData: true});"""
MEASURE = LABELS + """var g = document.createElement('canvas').getContext('2d');
g.font = getComputedStyle(banner).font;
return arguments[0].map(function (t) {
    var m = g.measureText(t);
    return [Math.ceil(m.width), Math.ceil(m.fontBoundingBoxAscent + m.fontBoundingBoxDescent)];
});"""
# During the flood: the number of prize buttons when the display first
# changed, and at each blink.
WATCH_FLOOD = LABELS + """var base = arguments[0], display = document.querySelector('#form .textbox');
var before = display.value;
var hidden = blinker.hidden, seen = window.floodSeen = {display: null, blinks: []};
seen.timer = setInterval(function () {
    var n = AbacoriaPage.stats.copies - base;
    if (seen.display === null && display.value !== before) seen.display = n;
    if (blinker.hidden !== hidden) seen.blinks.push(n);
    hidden = blinker.hidden;
}, 1);"""
# The prize buttons whose top-left corner is outside the client area, or
# whose size is not the template's. Positions are drawn in [0, ScaleWidth)
# twips and rounded, so the last half pixel lands on the right/bottom edge.
PRIZES = """var c = document.querySelector('#form .client').getBoundingClientRect(), w = arguments[0], h = arguments[1];
var shown = 0, hidden = 0, out = [];
document.querySelectorAll('#form .client > button').forEach(function (b) {
    if (b.textContent !== 'Click Me!') return;
    if (b.hidden) return ++hidden;
    var r = b.getBoundingClientRect(), x = r.left - c.left, y = r.top - c.top;
    ++shown;
    if (x < 0 || y < 0 || x > c.width || y > c.height || r.width !== w || r.height !== h)
        out.push([x, y, r.width, r.height]);
});
return [shown, hidden, out.length, out.slice(0, 5)];"""
FRAME = """function box(e) { var r = e.getBoundingClientRect(); return [r.left, r.top, r.right, r.bottom]; }
var f = document.getElementById('form');
return {view: [0, 0, innerWidth, innerHeight], form: box(f), title: box(f.querySelector('.titlebar')),
        client: box(f.querySelector('.client')), close: box(f.querySelector('.closebox')),
        caption: f.querySelector('.titlebar .title').textContent};"""


def fitted(measured, design, stored):
    """A self-sizing label's size: the measured caption scaled as the stored
    size is to the design caption's measure, never less than measured."""
    return max(measured[0], math.floor(measured[0] * stored[0] / design[0] + 0.5)), max(measured[1], stored[1])


class BannerFloodTest(PageTest):
    size = "1280,1024"
    on_show = RECORD_BANNER

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        f = cls.page.js(FRAME)
        cls.title_height = f["title"][3] - f["title"][1]
        cls.close_from_right = f["title"][2] - (f["close"][0] + f["close"][2]) / 2

    def copies(self):
        return self.page.js("return AbacoriaPage.stats.copies")

    def click_banner_for_the_prize(self):
        self.page.js(LABELS + "return banner;").click()
        box = self.page.wait_box(WINDOW.caption)
        self.assertEqual((box["text"], box["buttons"]),
                         ("You have just won 100000 command buttons for your desktop!!!", ["OK"]))
        return self.copies()

    def answer_then_click_at(self, x, y):
        """Answers the open box with Enter and at once clicks at (x, y) in
        the page. The pointer goes there first: a pointer moved during the
        flood waits for the next frame, and those come slowly then."""
        move = ActionBuilder(self.page.driver)
        move.pointer_action.move_to_location(x, y)
        move.perform()
        ActionChains(self.page.driver).send_keys(Keys.ENTER).click().perform()

    def farewells_then_start_again(self):
        p = self.page
        for text in FAREWELLS:
            self.assertEqual(p.wait_box(WINDOW.caption)["text"], text)
            p.answer("OK")
        ended = p.wait(lambda: p.js("var e = document.getElementById('ended'); return e && [e.getAttribute('role'),"
                                    " e.querySelector('p').textContent, document.activeElement.textContent,"
                                    " !!document.getElementById('form')];"), "page saying Abacoria has ended")
        self.assertEqual(ended, ["status", "Abacoria has ended.", "Start Abacoria again", False])
        self.assertFalse(p.leave_guarded())
        p.driver.find_element("css selector", "#ended button").click()
        p.wait(p.shown, "fresh window")
        client = p.js(FRAME)["client"]
        self.assertEqual((client[2] - client[0], client[3] - client[1]), (px(WINDOW.width), px(WINDOW.height)))
        self.assertEqual((p.display(), p.focused(), p.leave_guarded()), ("0", "1", True))
        p.close_window()
        self.assertEqual(p.wait_box(WINDOW.caption)["text"], "You HAVE to click my sponser's ad")
        p.answer("OK")
        self.assertTrue(p.shown())

    def test_1_banner_rotates_and_blinks(self):
        p = self.page
        seen = p.wait(lambda: (lambda s: s if any(c[0] == BANNER[-1] for c in s["captions"]) else None)(
            p.js("return window.bannerSeen")), "banner's last caption")
        captions = seen["captions"][:4]
        self.assertEqual([c[0] for c in captions], [LABEL2.caption] + BANNER)
        design, *measured = p.js(MEASURE, [LABEL2.caption] + [c[0] for c in captions])
        for (caption, x, y, w, h), m in zip(captions, measured):
            with self.subTest(caption=caption):
                self.assertEqual((x, y), (px(LABEL2.left), px(LABEL2.top)), "keeps its place")
                fit = fitted(m, design, (px(LABEL2.width), px(LABEL2.height)))
                self.assertTrue(abs(w - fit[0]) <= 1 and abs(h - fit[1]) <= 1, "%s for %s" % ((w, h), fit))
        self.assertEqual(len({c[3] for c in captions[1:]}), 3, "a width for each caption")
        blinks = seen["blinks"]
        self.assertGreaterEqual(len(blinks), 5, "the prize label blinks on each tick")
        self.assertTrue(all(b[1:3] == [px(LABEL3.left), px(LABEL3.top)] for b in blinks if not b[0]))
        self.assertEqual(p.js(LABELS + "return blinker.textContent;"), LABEL3.caption)
        self.assertTrue(p.leave_guarded(), "leaving the page asks while the banner was never clicked")

    def test_2_prize_flood_fills_the_page_and_input_goes_on(self):
        p = self.page
        base = self.click_banner_for_the_prize()
        p.js(WATCH_FLOOD, base)
        # Key "1" once the window fills the page: its corner nearest the
        # client's origin, the last spot the prize buttons cover.
        self.answer_then_click_at(px(KEY1.left) + 1, self.title_height + px(KEY1.top) + 1)
        p.wait(lambda: self.copies() - base >= COPIES, "%d prize buttons" % COPIES, timeout=120)
        seen = p.js("clearInterval(window.floodSeen.timer); return window.floodSeen;")
        self.assertEqual(p.display(), KEY1.caption, "a key clicked during the flood")
        self.assertLess(seen["display"], COPIES, "the key click was handled during the flood")
        self.assertTrue(any(0 < n < COPIES for n in seen["blinks"]), "the banner ticks during the flood")
        frame = p.js(FRAME)
        self.assertEqual(frame["form"], frame["view"], "the window fills the page")
        self.assertEqual((frame["title"][:3], frame["caption"]), (frame["view"][:3], WINDOW.caption))
        self.assertEqual(frame["client"], [0, frame["title"][3]] + frame["view"][2:])
        shown, hidden, strays, some = p.js(PRIZES, px(PRIZE.width), px(PRIZE.height))
        self.assertEqual((shown, hidden, strays), (COPIES, 1, 0), some)
        self.assertFalse(p.leave_guarded(), "leaving the page asks no more once the banner was clicked")

    def test_3_close_after_the_flood_then_start_again(self):
        self.page.close_window()
        self.farewells_then_start_again()

    def test_4_close_during_the_flood_then_start_again(self):
        base = self.click_banner_for_the_prize()
        self.answer_then_click_at(self.page.js("return innerWidth") - self.close_from_right, self.title_height / 2)
        self.page.wait_box(WINDOW.caption)
        self.assertLess(self.copies() - base, COPIES, "the close came during the flood")
        self.farewells_then_start_again()


if __name__ == "__main__":
    main()
