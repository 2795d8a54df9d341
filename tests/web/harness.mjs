// What the browser tests share: the page in the engine the environment
// names, loaded the way it names, worked and read as a person does.
//   ABACORIA_PAGE    the built page (build-web/abacoria.html)
//   ABACORIA_ENGINE  chromium, firefox or webkit
//   ABACORIA_LOAD    file: the page copied alone into an empty folder and
//                    opened from there; http: served alone at / on the
//                    loopback interface; http:NAME: served as /NAME
import { after, afterEach, before, beforeEach } from "node:test";
import assert from "node:assert/strict";
import { copyFileSync, mkdtempSync, rmSync } from "node:fs";
import { tmpdir } from "node:os";
import { join } from "node:path";
import { pathToFileURL } from "node:url";

import { launch, until } from "../../tools/web/engines.mjs";
import { serve } from "../../tools/web/serve.mjs";

export const TIMEOUT = 30; // seconds for any one state to come; generous for a loaded machine
export const ENGINE = process.env.ABACORIA_ENGINE || "chromium";
const PAGE = process.env.ABACORIA_PAGE;
const LOAD = process.env.ABACORIA_LOAD || "http";

export const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

// Where the page is, as the environment asks: the URL and the requests that
// loading it may make (none but the document itself).
export async function place(headers = {}) {
    if (!PAGE)
        throw new Error("ABACORIA_PAGE names no page");
    if (LOAD === "file") {
        const dir = mkdtempSync(join(tmpdir(), "abacoria-page-"));
        const file = join(dir, "abacoria-1.00.html");
        copyFileSync(PAGE, file);
        return { url: pathToFileURL(file).href, requests: () => [], done: () => rmSync(dir, { recursive: true }) };
    }
    const name = LOAD.startsWith("http:") ? "/" + LOAD.slice(5) : "/";
    const server = await serve({ [name]: PAGE }, { headers });
    return { url: server.url + name.slice(1), expected: [name], requests: () => server.requests, done: server.close };
}

// The innermost message box as a person and a screen reader take it
// (marked, to tell when it has gone).
export function readBox() {
    const all = document.querySelectorAll(".msgbox"), b = all[all.length - 1], a = document.activeElement;
    if (!b)
        return null;
    const byId = (attr) => { const e = document.getElementById(b.getAttribute(attr)); return e && e.textContent; };
    b.dataset.seen = 1;
    const form = document.getElementById("form");
    return { role: b.getAttribute("role"), modal: b.getAttribute("aria-modal"),
             title: b.querySelector(".title").textContent, name: byId("aria-labelledby"),
             text: b.querySelector(".msgtext").innerText, description: byId("aria-describedby"),
             buttons: Array.from(b.querySelectorAll("button"), (e) => e.textContent),
             focused: b.contains(a) ? a.textContent : null,
             // Out of reach of pointer and keyboard: something else takes a
             // press in the middle of the window.
             covered: !!form && !form.contains(document.elementFromPoint(
                 form.getBoundingClientRect().left + 40, form.getBoundingClientRect().top + 60)) };
}

// What a screen reader calls the keys whose captions are symbols.
const SPOKEN = { "+": "Plus", "-": "Minus", "/": "Divide", "*": "Multiply", "=": "Equals", ".": "Point" };

export class Page {
    constructor(browser, where) {
        this.b = browser;
        this.where = where;
    }

    static async open({ width = 480, height = 600, onShow = null } = {}) {
        const where = await place();
        const browser = await launch(ENGINE, { width, height });
        const page = new Page(browser, where);
        try {
            await browser.open(where.url);
            await page.wait(() => page.shown(), "the window to show");
            if (onShow)
                await browser.run(onShow);
        } catch (e) {
            await page.quit();
            throw e;
        }
        return page;
    }

    async quit() {
        await this.b.close();
        await this.where.done();
    }

    run(fn, ...args) { return this.b.run(fn, ...args); }

    wait(probe, what, timeout = TIMEOUT) { return until(probe, what, timeout); }

    shown() {
        return this.run(() => { const f = document.getElementById("form"); return !!f && !f.hidden && !document.querySelector(".msgbox"); });
    }

    // The display's text; with expect, once it reads that or the time is up.
    async display(expect) {
        const read = () => this.run(() => document.querySelector("#form .textbox").value);
        const end = Date.now() + TIMEOUT * 1000;
        let text = await read();
        while (expect !== undefined && text !== expect && Date.now() < end) {
            await sleep(30);
            text = await read();
        }
        return text;
    }

    focused() {
        return this.run(() => {
            const a = document.activeElement;
            return a.classList.contains("textbox") ? "display" : a === document.body ? null : a.textContent;
        });
    }

    // Whether leaving the page asks first.
    leaveGuarded() {
        return this.run(() => {
            const e = new Event("beforeunload", { cancelable: true });
            window.dispatchEvent(e);
            return e.defaultPrevented;
        });
    }

    // A key of the window by what a screen reader calls it.
    async key(caption) {
        const k = await this.b.byName("button", SPOKEN[caption] || caption);
        assert.ok(k, `no key named "${SPOKEN[caption] || caption}"`);
        return k;
    }

    async click(caption) { await this.b.click(await this.key(caption)); }

    // Selects all of the display and types text over it.
    async typeDisplay(text) {
        await this.b.click(await this.b.byName("textbox", "Display"));
        await this.b.press("a", { control: true });
        if (text)
            await this.b.type(text);
        else
            await this.b.press("Backspace");
        await this.wait(async () => (await this.display()) === text, `the display reading "${text}"`);
    }

    waitBox(title) {
        return this.wait(async () => { const b = await this.run(readBox); return b && b.title === title && b; },
                         `a message box titled "${title}"`);
    }

    // Answers the box last read, with a click on button or a key, and waits
    // for it to go.
    async answer(button, key) {
        if (key) {
            await this.b.press(key);
        } else {
            const e = await this.b.find((t) => {
                const box = Array.from(document.querySelectorAll(".msgbox[data-seen]")).pop();
                return box && Array.from(box.querySelectorAll("button")).find((b) => b.textContent === t);
            }, button);
            assert.ok(e, `no "${button}" in the box`);
            await this.b.click(e);
        }
        await this.wait(async () => !(await this.run(() => !!document.querySelector(".msgbox[data-seen]"))),
                        "the box closing");
    }

    async closeWindow() { await this.b.click(await this.b.byName("button", "Close")); }
}

// One browser for the suite that calls it. After each test: nothing logged
// or raised, no request but the document. A page left broken (an error, a
// box that stays) fails the tests after at once.
export function usePage(options) {
    const session = { page: null };
    let broken = false;
    before(async () => { session.page = await Page.open(options); });
    after(async () => { await session.page?.quit(); });
    beforeEach(() => assert.ok(!broken, "an earlier test left the page broken"));
    afterEach(async () => {
        broken = true;
        const p = session.page;
        for (let i = 0; i < 5; ++i) { // a failed test may leave boxes open
            const box = await p.run(readBox);
            if (!box)
                break;
            await p.answer(box.buttons[box.buttons.length - 1]);
        }
        assert.deepEqual(await p.b.faults(), []);
        assertOnlyTheDocument(p);
        broken = false;
    });
    return session;
}

// The page asked for nothing but itself (where the engine lets us see it).
export function assertOnlyTheDocument(page) {
    const served = page.where.requests();
    if (page.where.expected)
        assert.deepEqual(served, page.where.expected, "requests to the server");
    const seen = (page.b.requested || []).filter((u) => u !== page.where.url && !u.startsWith("data:"));
    assert.deepEqual(seen, [], "requests the browser made");
}
