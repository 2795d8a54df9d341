#!/usr/bin/python3
"""The window in the browser as a person sees and works it: frame and controls
against the layout table, the keyboard, keys on typed displays, the error box,
"=" answered both ways, the refused close.   Usage: test_window.py BUILD_DIR"""
import sys

sys.dont_write_bytecode = True
from selenium.webdriver.common.action_chains import ActionChains  # noqa: E402
from selenium.webdriver.common.keys import Keys  # noqa: E402

from webpage import READ_BOX, READ_CONTROLS, PageTest, element_of, main, px, read_layout, rgb  # noqa: E402

WINDOW, CONTROLS = read_layout()
TABLE = {c.name: c for c in CONTROLS if c.index <= 0}
GREY = (192, 192, 192)  # the face of a button without a colour of its own
QUESTION = "This operation will take a long time to finish,continue?"


class WindowTest(PageTest):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.start = (cls.page.display(), cls.page.focused())

    def check_box(self, title, text, buttons):
        box = self.page.wait_box(title)
        self.assertEqual((box["text"], box["buttons"], box["role"], box["modal"]),
                         (text, buttons, "alertdialog", "true"))
        self.assertEqual((box["name"], box["description"]), (title, text), "named by its title, described by its text")
        self.assertEqual(box["focused"], buttons[0])
        self.assertTrue(box["inert"], "the window takes no input while a box is open")

    def check_place(self, elements, control):
        e = element_of(elements, control)
        x, y, w, h = [round(v, 2) for v in e["rect"]]
        self.assertEqual((e["hidden"], x, y), (False, px(control.left), px(control.top)))
        if control.auto:  # sized to its caption, never below the stored height
            self.assertTrue(w > 0 and h >= px(control.height), (w, h))
        else:
            self.assertEqual((w, h), (px(control.width), px(control.height)))
        return e

    def test_frame_title_bar_and_client_area(self):
        r = self.page.js("""var f = document.getElementById('form'), t = f.querySelector('.titlebar');
            function box(e) { var r = e.getBoundingClientRect(); return [r.left, r.top, r.right, r.bottom]; }
            var close = t.querySelector('.closebox'), c = f.querySelector('.client');
            return {form: box(f), title: box(t), client: box(c), back: getComputedStyle(c).backgroundColor,
                    names: [t.querySelector('.title').textContent, f.getAttribute('aria-label'),
                            close.getAttribute('aria-label'), close.getClientRects().length > 0]};""")
        (fl, ft, fr, fb), (cl, ct, cr, cb), title = r["form"], r["client"], r["title"]
        self.assertEqual((cr - cl, cb - ct), (px(WINDOW.width), px(WINDOW.height)))
        self.assertEqual(rgb(r["back"]), WINDOW.back)
        self.assertEqual(r["names"], [WINDOW.caption, WINDOW.caption, "Close", True])
        self.assertEqual((title[0], title[2], title[3]), (cl, cr, ct), "the title bar right above the client area")
        self.assertGreater(cl - fl, 0)
        self.assertEqual((fr - cr, fb - cb, title[1] - ft), (cl - fl,) * 3, "an even frame around it all")

    def test_controls_match_layout_table(self):
        self.page.wait(lambda: not element_of(self.page.js(READ_CONTROLS), TABLE["Label3"])["hidden"], "blinking label")
        elements = self.page.js(READ_CONTROLS)
        for c in CONTROLS:
            if c.kind == "Timer":
                continue
            with self.subTest(control=c.name, index=c.index):
                if not c.visible:
                    self.assertTrue(element_of(elements, c)["hidden"])
                    continue
                e = self.check_place(elements, c)
                if c.kind in ("PushButton", "Rectangle"):
                    self.assertEqual(rgb(e["back"]), c.back or (GREY if c.kind == "PushButton" else None))
                if c.kind == "Label":
                    self.assertEqual(rgb(e["fore"]), c.fore or (0, 0, 0), "text colour")
                if c.kind != "Rectangle":
                    size, bold = c.font or WINDOW.font
                    self.assertEqual(e["font"], ["%gpx" % round(size * 96 / 72, 2), "700" if bold else "400"])

    def test_starts_with_zero_and_the_focus_on_one(self):
        self.assertEqual(self.start, (TABLE["Text1"].caption, "1"))

    def test_tab_walks_the_tab_indexes_and_wraps(self):
        stops = sorted((c for c in CONTROLS if c.kind in ("PushButton", "TextBox") and c.visible and c.tab >= 0),
                       key=lambda c: c.tab)
        order = ["display" if c.kind == "TextBox" else c.caption for c in stops]
        self.assertEqual(order[:3], ["1", "2", "3"])
        self.page.driver.find_element("css selector", "#form .textbox").click()
        at = order.index("display")
        walked = []
        for _ in order:
            self.page.keys(Keys.TAB)
            walked.append(self.page.focused())
        self.assertEqual(walked, order[at + 1:] + order[:at + 1])
        ActionChains(self.page.driver).key_down(Keys.SHIFT).send_keys(Keys.TAB).key_up(Keys.SHIFT).perform()
        self.assertEqual(self.page.focused(), order[at - 1], "Shift+Tab goes back")

    def test_enter_and_escape_do_nothing_on_the_window(self):
        p = self.page
        p.click("+")
        for _ in range(20):
            if p.focused() == "1":
                break
            p.keys(Keys.TAB)
        self.assertEqual((p.display("0"), p.focused()), ("0", "1"))
        p.keys(Keys.ENTER, Keys.ESCAPE)
        p.click("2")  # handled after whatever the two keys might have queued
        self.assertEqual(p.display("2"), "2", "Enter on the focused key typed into the display")
        self.assertIsNone(p.js(READ_BOX))

    def test_keys_on_typed_displays(self):
        rows = [  # display before, key, display after
            ("0", "7", "7"), ("12abc", "3", "12abc3"), (".", "5", "5"), ("", "9", "9"), ("3", ".", "3."),
            ("1E2", "0", "1E20"), ("&H10", "1", "&H101"), ("7.5", "+", "0"), ("42", "*", "0"), ("abc", "/", "0"),
        ]
        for before, key, after in rows:
            with self.subTest(before=before, key=key):
                self.page.type_display(before)
                self.page.click(key)
                self.assertEqual(self.page.display(after), after)

    def test_overflow_box_then_keys_go_on(self):
        p = self.page
        p.type_display("1E999")
        p.click("5")
        self.check_box(WINDOW.caption, "Run-time error '6':\nOverflow", ["OK"])
        p.answer("OK")
        self.assertEqual(p.display(), "1E999")
        p.click("+")
        p.click("4")
        self.assertEqual(p.display("4"), "4")

    def check_progress(self, shown):
        elements = self.page.js(READ_CONTROLS)
        if shown:
            for name in ("calc", "Label1"):
                self.check_place(elements, TABLE[name])
            self.assertEqual(element_of(elements, TABLE["calc"])["value"], "100", "the bar is full when it asks")
        return all(element_of(elements, TABLE[n])["hidden"] for n in ("calc", "Label1"))

    def test_equals_answered_yes(self):
        p = self.page
        p.click("+")
        p.click("=")
        self.check_box(WINDOW.caption, QUESTION, ["Yes", "No"])
        self.check_progress(True)
        p.keys(Keys.ESCAPE)  # no answer: had it answered No, "Yell" would come instead
        p.answer(key=Keys.ENTER)
        self.check_box("Yell!", "Gone nuts? 'Long time' means about two days\n"
                       ".. Even if you have the time I haven't.. Sorry!", ["OK"])
        self.check_progress(True)
        p.answer(key=Keys.ESCAPE)
        p.wait(lambda: self.check_progress(False), "progress bar and caption hiding")
        self.assertEqual((p.display(), p.focused()), ("0", "="))

    def test_equals_answered_no_and_the_window_is_inert_meanwhile(self):
        p = self.page
        p.click("+")
        p.click("=")
        self.check_box(WINDOW.caption, QUESTION, ["Yes", "No"])
        ActionChains(p.driver).move_to_element(p.key("7")).click().perform()
        p.answer("No")
        self.check_box("Yell", "Go to hell! You are best suited to MS stupid calc!", ["OK"])
        p.answer("OK")
        p.wait(lambda: self.check_progress(False), "progress bar and caption hiding")
        p.click("8")  # handled after the "7", had that been taken
        self.assertEqual(p.display("8"), "8")

    def test_close_refused_twice(self):
        for attempt in (1, 2):
            with self.subTest(attempt=attempt):
                self.page.close_window()
                self.check_box(WINDOW.caption, "You HAVE to click my sponser's ad", ["OK"])
                self.page.answer("OK")
                self.assertTrue(self.page.shown(), "the window stays")
                self.assertTrue(self.page.leave_guarded(), "leaving the page still asks")


if __name__ == "__main__":
    main()
