// The window in the browser as a person sees and works it: frame and controls
// against the layout table, the keyboard, keys on typed displays, the error
// box, "=" answered both ways, the refused close.
import { before, describe, it } from "node:test";
import assert from "node:assert/strict";

import { px, readLayout } from "./layout.mjs";
import { readBox, usePage } from "./harness.mjs";

const { window: WINDOW, controls: CONTROLS } = readLayout();
const TABLE = Object.fromEntries(CONTROLS.filter((c) => c.index <= 0).map((c) => [c.name, c]));
const GREY = [192, 192, 192]; // the face of a button without a colour of its own
const QUESTION = "This operation will take a long time to finish,continue?";
const BANNER = ["Click here to win solid", "No draws!!!", "Just click 'n' win!"];

// Every control in the client area, its rectangle relative to the client's
// top-left corner.
function readControls() {
    const c = document.querySelector("#form .client"), at = c.getBoundingClientRect();
    const all = c.querySelectorAll(".client > button, .client > input, .client > .progress, .surface > *");
    return Array.from(all, (e) => {
        const r = e.getBoundingClientRect(), s = getComputedStyle(e);
        return { cls: e.classList[0], text: e.tagName === "INPUT" ? e.value : e.textContent, hidden: e.hidden,
                 rect: [r.left - at.left, r.top - at.top, r.width, r.height], back: s.backgroundColor,
                 fore: s.color, font: [s.fontSize, s.fontWeight], value: e.getAttribute("aria-valuenow") };
    });
}

// "rgb(1, 2, 3)" as [1, 2, 3]; null for a transparent colour.
function rgb(css) {
    const n = (css.match(/[\d.]+/g) || []).map(Number);
    return n.length === 4 && n[3] === 0 ? null : n.slice(0, 3);
}

// The page's element for a row of the table: by kind and caption, by fill
// for rectangles; the banner label's caption rotates.
function elementOf(elements, control) {
    const cls = { PushButton: "button", TextBox: "textbox", ProgressBar: "progress", Label: "label" }[control.kind]
        || "shape";
    const found = elements.filter((e) => e.cls === cls && (
        control.kind === "Rectangle" ? JSON.stringify(rgb(e.back)) === JSON.stringify(control.back)
            : !["PushButton", "Label"].includes(control.kind) || e.text === control.caption
              || BANNER.includes(control.caption.trimEnd()) && BANNER.includes(e.text)));
    assert.equal(found.length, 1, `${found.length} elements for ${control.name}(${control.index})`);
    return found[0];
}

describe("the window", () => {
    const session = usePage({ width: 480, height: 600 });
    let start;
    before(async () => { start = [await session.page.display(), await session.page.focused()]; });

    async function checkBox(title, text, buttons) {
        const box = await session.page.waitBox(title);
        assert.deepEqual([box.text, box.buttons, box.role, box.modal], [text, buttons, "alertdialog", "true"]);
        assert.deepEqual([box.name, box.description], [title, text], "named by its title, described by its text");
        assert.equal(box.focused, buttons[0]);
        assert.ok(box.covered, "the window takes no pointer input while a box is open");
    }

    function checkPlace(elements, control) {
        const e = elementOf(elements, control);
        const [x, y, w, h] = e.rect.map((v) => Math.round(v * 100) / 100);
        assert.deepEqual([e.hidden, x, y], [false, px(control.left), px(control.top)], control.name);
        if (control.auto) // sized to its caption, never below the stored height
            assert.ok(w > 0 && h >= px(control.height), `${control.name}: ${w}x${h}`);
        else
            assert.deepEqual([w, h], [px(control.width), px(control.height)], control.name);
        return e;
    }

    it("has its frame, title bar and client area", async () => {
        const r = await session.page.run(() => {
            const f = document.getElementById("form"), t = f.querySelector(".titlebar");
            const box = (e) => { const r = e.getBoundingClientRect(); return [r.left, r.top, r.right, r.bottom]; };
            const close = t.querySelector(".closebox"), c = f.querySelector(".client");
            return { form: box(f), title: box(t), client: box(c), back: getComputedStyle(c).backgroundColor,
                     names: [t.querySelector(".title").textContent, f.getAttribute("aria-label"),
                             close.getAttribute("aria-label"), close.getClientRects().length > 0],
                     heading: Array.from(document.querySelectorAll("h1"), (h) => h.textContent) };
        });
        const [fl, ft, fr, fb] = r.form, [cl, ct, cr, cb] = r.client, title = r.title;
        assert.deepEqual([cr - cl, cb - ct], [px(WINDOW.width), px(WINDOW.height)]);
        assert.deepEqual(rgb(r.back), WINDOW.back);
        assert.deepEqual(r.names, [WINDOW.caption, WINDOW.caption, "Close", true]);
        assert.deepEqual(r.heading, [WINDOW.caption], "the window's title is the page's heading");
        assert.deepEqual([title[0], title[2], title[3]], [cl, cr, ct], "the title bar right above the client area");
        assert.ok(cl - fl > 0);
        assert.deepEqual([fr - cr, fb - cb, title[1] - ft], [cl - fl, cl - fl, cl - fl], "an even frame around it all");
    });

    it("matches the layout table", async () => {
        const p = session.page;
        await p.wait(async () => !elementOf(await p.run(readControls), TABLE.Label3).hidden, "the blinking label");
        const elements = await p.run(readControls);
        for (const c of CONTROLS.filter((c) => c.kind !== "Timer")) {
            if (!c.visible) {
                assert.ok(elementOf(elements, c).hidden, `${c.name} hidden`);
                continue;
            }
            const e = checkPlace(elements, c);
            if (c.kind === "PushButton" || c.kind === "Rectangle")
                assert.deepEqual(rgb(e.back), c.back || (c.kind === "PushButton" ? GREY : null), c.name);
            if (c.kind === "Label")
                assert.deepEqual(rgb(e.fore), c.fore || [0, 0, 0], `${c.name}'s text colour`);
            if (c.kind !== "Rectangle") {
                const { points, bold } = c.font || WINDOW.font;
                assert.deepEqual(e.font, [`${Math.round(points * 96 / 72 * 100) / 100}px`, bold ? "700" : "400"], c.name);
            }
        }
    });

    it("starts with 0 and the focus on 1", () => {
        assert.deepEqual(start, [TABLE.Text1.caption, "1"]);
    });

    it("walks the tab indexes with Tab, and wraps", async () => {
        const p = session.page;
        const stops = CONTROLS.filter((c) => ["PushButton", "TextBox"].includes(c.kind) && c.visible && c.tab >= 0)
            .sort((a, b) => a.tab - b.tab);
        const order = stops.map((c) => (c.kind === "TextBox" ? "display" : c.caption));
        assert.deepEqual(order.slice(0, 3), ["1", "2", "3"]);
        await p.b.click(await p.b.byName("textbox", "Display"));
        const at = order.indexOf("display");
        const walked = [];
        for (let i = 0; i < order.length; ++i) {
            await p.b.press("Tab");
            walked.push(await p.focused());
        }
        assert.deepEqual(walked, [...order.slice(at + 1), ...order.slice(0, at + 1)]);
        await p.b.press("Tab", { shift: true });
        assert.equal(await p.focused(), order[at - 1], "Shift+Tab goes back");
    });

    it("does nothing on Enter and Escape", async () => {
        const p = session.page;
        await p.click("+");
        for (let i = 0; i < 20 && (await p.focused()) !== "1"; ++i)
            await p.b.press("Tab");
        assert.deepEqual([await p.display("0"), await p.focused()], ["0", "1"]);
        await p.b.press("Enter");
        await p.b.press("Escape");
        await p.click("2"); // handled after whatever the two keys might have queued
        assert.equal(await p.display("2"), "2", "Enter on the focused key typed into the display");
        assert.equal(await p.run(readBox), null);
    });

    it("keys on typed displays", async () => {
        const rows = [ // display before, key, display after
            ["0", "7", "7"], ["12abc", "3", "12abc3"], [".", "5", "5"], ["", "9", "9"], ["3", ".", "3."],
            ["1E2", "0", "1E20"], ["&H10", "1", "&H101"], ["7.5", "+", "0"], ["42", "*", "0"], ["abc", "/", "0"],
        ];
        for (const [before, key, after] of rows) {
            await session.page.typeDisplay(before);
            await session.page.click(key);
            assert.equal(await session.page.display(after), after, `"${before}" then ${key}`);
        }
    });

    it("reports an overflow in a box, then the keys go on", async () => {
        const p = session.page;
        await p.typeDisplay("1E999");
        await p.click("5");
        await checkBox(WINDOW.caption, "Run-time error '6':\nOverflow", ["OK"]);
        await p.answer("OK");
        assert.equal(await p.display(), "1E999");
        await p.click("+");
        await p.click("4");
        assert.equal(await p.display("4"), "4");
    });

    async function progressHidden(shown) {
        const elements = await session.page.run(readControls);
        if (shown) {
            for (const name of ["calc", "Label1"])
                checkPlace(elements, TABLE[name]);
            assert.equal(elementOf(elements, TABLE.calc).value, "100", "the bar is full when it asks");
        }
        return ["calc", "Label1"].every((n) => elementOf(elements, TABLE[n]).hidden);
    }

    it("answers \"=\" with Yes", async () => {
        const p = session.page;
        await p.click("+");
        await p.click("=");
        await checkBox(WINDOW.caption, QUESTION, ["Yes", "No"]);
        await progressHidden(true);
        await p.b.press("Escape"); // no answer: had it answered No, "Yell" would come instead
        await p.answer(null, "Enter");
        await checkBox("Yell!", "Gone nuts? 'Long time' means about two days\n"
                       + ".. Even if you have the time I haven't.. Sorry!", ["OK"]);
        await progressHidden(true);
        await p.answer(null, "Escape");
        await p.wait(() => progressHidden(false), "the progress bar and caption hiding");
        assert.deepEqual([await p.display(), await p.focused()], ["0", "="]);
    });

    it("answers \"=\" with No, and the window takes no input meanwhile", async () => {
        const p = session.page;
        const seven = await p.key("7");
        await p.click("+");
        await p.click("=");
        await checkBox(WINDOW.caption, QUESTION, ["Yes", "No"]);
        assert.equal(await p.b.byName("button", "7"), null, "a screen reader does not reach the window's keys");
        await p.b.click(seven); // where the key is, the box's shade takes the press
        await p.b.press("Tab");
        assert.ok(["Yes", "No"].includes((await p.run(readBox)).focused), "Tab stays in the box");
        await p.answer("No");
        await checkBox("Yell", "Go to hell! You are best suited to MS stupid calc!", ["OK"]);
        await p.answer("OK");
        await p.wait(() => progressHidden(false), "the progress bar and caption hiding");
        await p.click("8"); // handled after the "7", had that been taken
        assert.equal(await p.display("8"), "8");
    });

    it("refuses to close, twice", async () => {
        const p = session.page;
        for (const attempt of [1, 2]) {
            await p.closeWindow();
            await checkBox(WINDOW.caption, "You HAVE to click my sponser's ad", ["OK"]);
            await p.answer("OK");
            assert.ok(await p.shown(), `the window stays (${attempt})`);
            assert.ok(await p.leaveGuarded(), "leaving the page still asks");
        }
    });
});
