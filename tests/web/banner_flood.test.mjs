// The banner and what a click on it brings: rotation and blink from the
// first moment, the prize, the flood in the window filling the page with
// input still handled, the farewells, the page's "ended" state and a fresh
// start from it. One session, in order.
import { before, describe, it } from "node:test";
import assert from "node:assert/strict";

import { px, readLayout } from "./layout.mjs";
import { usePage } from "./harness.mjs";

const { window: WINDOW, controls: CONTROLS } = readLayout();
const [LABEL2, LABEL3, PRIZE, KEY1] = ["Label2", "Label3", "Command2", "cmdButton"]
    .map((n) => CONTROLS.find((c) => c.name === n && c.index <= 0));
const BANNER = ["Click here to win solid", "No draws!!!", "Just click 'n' win!"];
const COPIES = 10000;
const FAREWELLS = ["Hope you had FUN ;-)", "Direct all insults to insults@abacoria.example.org\nor post in the DuraZude"];

// From the moment the window shows: each caption of the banner with where
// the label was, each blink with where the blinking label was when shown,
// and the prize buttons as they come (no more is kept of them than a count).
function record(bannerColour, blinkCaption) {
    const labels = Array.from(document.querySelectorAll("#form .surface > .label"));
    const banner = labels.find((e) => e.style.color === bannerColour);
    const blinker = labels.find((e) => e.textContent === blinkCaption);
    const client = document.querySelector("#form .client");
    const seen = window.seen = { captions: [], blinks: [], prizes: 0, bannerAt: null };
    const place = (e) => {
        const r = e.getBoundingClientRect(), c = client.getBoundingClientRect();
        return [r.left - c.left, r.top - c.top, r.width, r.height];
    };
    const note = (records) => {
        for (const r of records || [])
            for (const n of r.addedNodes)
                if (n.textContent === "Click Me!")
                    ++seen.prizes;
        const c = seen.captions[seen.captions.length - 1], b = seen.blinks[seen.blinks.length - 1];
        if (!c || c[0] !== banner.textContent)
            seen.captions.push([banner.textContent, ...place(banner)]);
        if (!b || b[0] !== blinker.hidden)
            seen.blinks.push([blinker.hidden, ...place(blinker)]);
    };
    note();
    new MutationObserver(note).observe(client, { subtree: true, childList: true, attributes: true, characterData: true });
    const r = banner.getBoundingClientRect();
    seen.bannerAt = [r.left + r.width / 2, r.top + r.height / 2];
}

// The caption measures in the banner's font.
function measure(texts) {
    const banner = Array.from(document.querySelectorAll("#form .surface > .label"))
        .find((e) => /Click here|draws|click 'n'/.test(e.textContent));
    const g = document.createElement("canvas").getContext("2d");
    g.font = getComputedStyle(banner).font;
    return texts.map((t) => {
        const m = g.measureText(t);
        return [Math.ceil(m.width), Math.ceil(m.fontBoundingBoxAscent + m.fontBoundingBoxDescent)];
    });
}

// During the flood: the number of prize buttons when the display first
// changed and at each blink, and how long the flood took.
function watchFlood(base, blinkCaption) {
    const blinker = Array.from(document.querySelectorAll("#form .surface > .label"))
        .find((e) => e.textContent === blinkCaption);
    const display = document.querySelector("#form .textbox"), before = display.value;
    let hidden = blinker.hidden;
    const w = window.flood = { display: null, blinks: [], first: 0, last: 0 };
    w.timer = setInterval(() => {
        const n = window.seen.prizes - base;
        if (w.display === null && display.value !== before)
            w.display = n;
        if (blinker.hidden !== hidden)
            w.blinks.push(n);
        hidden = blinker.hidden;
        if (n > 0 && !w.first)
            w.first = performance.now();
        if (n < 10000)
            w.last = performance.now();
    }, 1);
}

// The prize buttons shown and hidden, and those whose top-left corner is
// outside the client area or whose size is not the template's. Positions
// are drawn in [0, ScaleWidth) twips and rounded, so the last half pixel
// lands on the right or bottom edge.
function prizes(w, h) {
    const c = document.querySelector("#form .client").getBoundingClientRect();
    let shown = 0, hidden = 0;
    const out = [];
    for (const b of document.querySelectorAll("#form .client > button")) {
        if (b.textContent !== "Click Me!")
            continue;
        if (b.hidden) {
            ++hidden;
            continue;
        }
        const r = b.getBoundingClientRect(), x = r.left - c.left, y = r.top - c.top;
        ++shown;
        if (x < 0 || y < 0 || x > c.width || y > c.height || r.width !== w || r.height !== h)
            out.push([x, y, r.width, r.height]);
    }
    return [shown, hidden, out.length, out.slice(0, 5)];
}

function frame() {
    const box = (e) => { const r = e.getBoundingClientRect(); return [r.left, r.top, r.right, r.bottom]; };
    const f = document.getElementById("form");
    return { view: [0, 0, innerWidth, innerHeight], form: box(f), title: box(f.querySelector(".titlebar")),
             client: box(f.querySelector(".client")), close: box(f.querySelector(".closebox")),
             caption: f.querySelector(".titlebar .title").textContent };
}

// A self-sizing label's size: the measured caption scaled as the stored
// size is to the design caption's measure, never less than measured.
const fitted = (measured, design, stored) =>
    [Math.max(measured[0], Math.floor(measured[0] * stored[0] / design[0] + 0.5)), Math.max(measured[1], stored[1])];

describe("the banner and the prize", () => {
    const colour = `rgb(${LABEL2.fore.join(", ")})`;
    const session = usePage({ width: 1280, height: 1024 });
    let titleHeight, closeFromRight;

    before(async () => {
        const p = session.page;
        await p.run(record, colour, LABEL3.caption);
        const f = await p.run(frame);
        titleHeight = f.title[3] - f.title[1];
        closeFromRight = f.title[2] - (f.close[0] + f.close[2]) / 2;
    });

    const prizeCount = () => session.page.run(() => window.seen.prizes);

    async function clickBannerForThePrize() {
        const p = session.page;
        const [x, y] = await p.run(() => window.seen.bannerAt);
        await p.b.clickAt(x, y);
        const box = await p.waitBox(WINDOW.caption);
        assert.deepEqual([box.text, box.buttons],
                         ["You have just won 100000 command buttons for your desktop!!!", ["OK"]]);
        return prizeCount();
    }

    // Answers the open box with Enter and at once clicks at (x, y) in the
    // page. The pointer goes there first: a pointer moved during the flood
    // waits for the next frame, and those come slowly then.
    async function answerThenClickAt(x, y) {
        await session.page.b.moveTo(x, y);
        await session.page.b.press("Enter");
        await session.page.b.clickHere();
    }

    async function farewellsThenStartAgain() {
        const p = session.page;
        for (const text of FAREWELLS) {
            assert.equal((await p.waitBox(WINDOW.caption)).text, text);
            await p.answer("OK");
        }
        const ended = await p.wait(() => p.run(() => {
            const e = document.getElementById("ended");
            return e && [e.getAttribute("role"), e.querySelector("p").textContent, document.activeElement.textContent,
                         !!document.getElementById("form")];
        }), "the page saying Abacoria has ended");
        assert.deepEqual(ended, ["status", "Abacoria has ended.", "Start Abacoria again", false]);
        assert.equal(await p.leaveGuarded(), false);
        await p.b.click(await p.b.byName("button", "Start Abacoria again"));
        await p.wait(() => p.shown(), "a fresh window");
        const client = (await p.run(frame)).client;
        assert.deepEqual([client[2] - client[0], client[3] - client[1]], [px(WINDOW.width), px(WINDOW.height)]);
        assert.deepEqual([await p.display(), await p.focused(), await p.leaveGuarded()], ["0", "1", true]);
        await p.closeWindow();
        assert.equal((await p.waitBox(WINDOW.caption)).text, "You HAVE to click my sponser's ad");
        await p.answer("OK");
        assert.ok(await p.shown());
        await p.run(record, colour, LABEL3.caption); // the next test watches the fresh window
    }

    it("rotates the banner and blinks its prize", async () => {
        const p = session.page;
        const seen = await p.wait(async () => {
            const s = await p.run(() => window.seen);
            return s.captions.some((c) => c[0] === BANNER[BANNER.length - 1]) && s;
        }, "the banner's last caption");
        const captions = seen.captions.slice(0, 4);
        assert.deepEqual(captions.map((c) => c[0]), [LABEL2.caption, ...BANNER]);
        const [design, ...measured] = await p.run(measure, [LABEL2.caption, ...captions.map((c) => c[0])]);
        captions.forEach(([caption, x, y, w, h], i) => {
            assert.deepEqual([x, y], [px(LABEL2.left), px(LABEL2.top)], `"${caption}" keeps its place`);
            const fit = fitted(measured[i], design, [px(LABEL2.width), px(LABEL2.height)]);
            assert.ok(Math.abs(w - fit[0]) <= 1 && Math.abs(h - fit[1]) <= 1, `"${caption}": ${w}x${h} for ${fit}`);
        });
        assert.equal(new Set(captions.slice(1).map((c) => c[3])).size, 3, "a width for each caption");
        assert.ok(seen.blinks.length >= 5, "the prize label blinks on each tick");
        assert.ok(seen.blinks.filter((b) => !b[0]).every((b) => b[1] === px(LABEL3.left) && b[2] === px(LABEL3.top)));
        assert.ok(await p.leaveGuarded(), "leaving the page asks while the banner was never clicked");
    });

    it("floods the page with prizes while input goes on", async () => {
        const p = session.page;
        assert.equal(await p.focused(), KEY1.caption);
        const base = await clickBannerForThePrize();
        await p.run(watchFlood, base, LABEL3.caption);
        // Space on key "1", which has the focus again once the box has gone:
        // the keyboard, since wherever a pointer clicks, the prize buttons
        // soon cover it, and an engine may hand a click on late.
        await p.b.press("Enter");
        await p.b.press(" ");
        await p.wait(async () => (await prizeCount()) - base >= COPIES, `${COPIES} prize buttons`, 180);
        const seen = await p.run(() => { clearInterval(window.flood.timer); return window.flood; });
        assert.equal(await p.display(), KEY1.caption, "a key clicked during the flood");
        assert.ok(seen.display < COPIES, "the key click was handled during the flood");
        // A tick comes every 500 ms: a flood that lasts two of them has one.
        if (seen.last - seen.first > 2 * 500)
            assert.ok(seen.blinks.some((n) => n > 0 && n < COPIES), "the banner ticks during the flood");
        const f = await p.run(frame);
        assert.deepEqual(f.form, f.view, "the window fills the page");
        assert.deepEqual([f.title.slice(0, 3), f.caption], [f.view.slice(0, 3), WINDOW.caption]);
        assert.deepEqual(f.client, [0, f.title[3], ...f.view.slice(2)]);
        const [shown, hidden, strays, some] = await p.run(prizes, px(PRIZE.width), px(PRIZE.height));
        assert.deepEqual([shown, hidden, strays], [COPIES, 1, 0], JSON.stringify(some));
        assert.equal(await p.leaveGuarded(), false, "leaving the page asks no more once the banner was clicked");
    });

    it("closes after the flood, then starts again", async () => {
        await session.page.closeWindow();
        await farewellsThenStartAgain();
    });

    it("closes during the flood, then starts again", async () => {
        const p = session.page;
        const base = await clickBannerForThePrize();
        await answerThenClickAt((await p.run(() => innerWidth)) - closeFromRight, titleHeight / 2);
        await p.waitBox(WINDOW.caption);
        assert.ok((await prizeCount()) - base < COPIES, "the close came during the flood");
        await farewellsThenStartAgain();
    });
});
