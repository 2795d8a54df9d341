// The page where it cannot run says why in a sentence of its own, never a
// blank page; and where it runs, it can reach no one. In Chromium.
import { describe, it } from "node:test";
import assert from "node:assert/strict";

import { launch, until } from "../../tools/web/engines.mjs";
import { serve } from "../../tools/web/serve.mjs";
import { Page } from "./harness.mjs";

const PAGE = process.env.ABACORIA_PAGE;

// What the page shows in place of the window: its sentences, and whether a
// window came up.
function shown() {
    const visible = (e) => e.getClientRects().length > 0;
    return { said: Array.from(document.querySelectorAll(".fault"), (e) => e.innerText),
             window: !!document.getElementById("form"), blank: !Array.from(document.body.children).some(visible) };
}

describe("where the page cannot run", () => {
    const cases = [
        { what: "a browser with JavaScript turned off", open: { javaScript: false },
          said: "Abacoria cannot start: it needs JavaScript, which this browser has turned off." },
        { what: "a browser without WebAssembly", open: { beforeScripts: "delete window.WebAssembly;" },
          said: "Abacoria cannot start: this browser does not run WebAssembly." },
        { what: "a host whose policy forbids WebAssembly", headers: { "Content-Security-Policy": "script-src 'unsafe-inline'" },
          said: "Abacoria cannot start: the security policy of this page forbids WebAssembly." },
        { what: "a module that fails to instantiate",
          open: { beforeScripts: "WebAssembly.instantiate = function () { return Promise.reject(new Error('no room')); };" },
          said: "Abacoria cannot start: its WebAssembly module failed to load in this browser." },
    ];
    for (const c of cases) {
        it(`says so in ${c.what}`, async () => {
            const server = await serve({ "/": PAGE }, { headers: c.headers || {} });
            const b = await launch("chromium", { width: 480, height: 600 });
            try {
                await b.open(server.url, c.open);
                // The sentence comes once the page has tried; nothing comes after it.
                const seen = await until(async () => { const s = await b.run(shown); return s.said.length && s; },
                                         "sentence in the page", 5);
                assert.deepEqual(seen, { said: [c.said], window: false, blank: false });
            } finally {
                await b.close();
                await server.close();
            }
        });
    }
});

describe("where the page runs", () => {
    it("can reach no one, nor run code from text", async () => {
        const probe = await serve({ "/probe": PAGE });
        const page = await Page.open();
        try {
            const tries = await page.run(async (u) => {
                const attempt = async (f) => { try { return await f(); } catch (e) { return "refused"; } };
                return {
                    fetch: await attempt(() => fetch(u).then(() => "fetched")),
                    image: await new Promise((done) => {
                        const i = new Image();
                        i.onload = () => done("loaded");
                        i.onerror = () => done("refused");
                        i.src = u;
                    }),
                    eval: await attempt(() => String(eval("1 + 1"))),
                    // Its answer says nothing either way: the server's log will.
                    beacon: (navigator.sendBeacon(u, "x"), "sent"),
                };
            }, probe.url + "probe");
            assert.deepEqual(tries, { fetch: "refused", image: "refused", eval: "refused", beacon: "sent" });
            await new Promise((r) => setTimeout(r, 200));
            assert.deepEqual(probe.requests, [], "what reached the other server");
            assert.deepEqual(page.where.requests(), page.where.expected, "what reached the page's own server");
        } finally {
            await page.quit();
            await probe.close();
        }
    });
});
