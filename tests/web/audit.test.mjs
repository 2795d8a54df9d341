// The page as auditors judge it, in Chromium: axe-core at rest and with a
// message box open, and Lighthouse's best practices, search and
// accessibility audits on the desktop preset. The one thing they may find is
// the classic window's own colours on the banner: its labels' light text on
// red.
import { after, before, describe, it } from "node:test";
import assert from "node:assert/strict";
import { readFileSync } from "node:fs";
import { createRequire } from "node:module";

import { Page, usePage } from "./harness.mjs";

const require = createRequire(import.meta.url);
const AXE = readFileSync(require.resolve("axe-core/axe.min.js"), "utf8");
const BANNER_LABELS = ["Click here to win solid", "No draws!!!", "Just click 'n' win!", "10000!!"];

// What axe finds against the page as it is now: rule, and the text of each
// element it names.
async function axe(page) {
    await page.b.page.evaluate(AXE);
    return page.run(async () => {
        const r = await window.axe.run(document, { resultTypes: ["violations"] });
        return r.violations.map((v) => [v.id, v.nodes.map((n) => document.querySelector(n.target[0]).textContent.trim())]);
    });
}

function onlyTheBanner(found) {
    for (const [rule, texts] of found) {
        assert.equal(rule, "color-contrast", `${rule}: ${texts.join(" | ")}`);
        for (const text of texts)
            assert.ok(BANNER_LABELS.some((b) => text.startsWith(b.trim())), `poor contrast: "${text}"`);
    }
}

describe("axe", () => {
    const session = usePage({ width: 480, height: 600 });

    it("finds nothing at rest but the banner's colours", async () => {
        onlyTheBanner(await axe(session.page));
    });

    it("finds nothing with a box open but the banner's colours", async () => {
        const p = session.page;
        await p.click("=");
        await p.waitBox("Abacoria");
        onlyTheBanner(await axe(p));
        await p.answer("Yes");
        await p.waitBox("Yell!");
        await p.answer("OK");
    });
});

describe("Lighthouse, desktop", () => {
    let page, report;
    before(async () => {
        const { default: lighthouse } = await import("lighthouse");
        const { default: desktop } = await import("lighthouse/core/config/desktop-config.js");
        page = await Page.open();
        const port = Number(new URL(page.b.browser.wsEndpoint()).port);
        const run = await lighthouse(page.where.url, { port, output: "json", logLevel: "error",
                                                       onlyCategories: ["best-practices", "seo", "accessibility"] },
                                     desktop);
        report = run.lhr;
    });
    after(() => page?.quit());

    const failed = (c) => report.categories[c].auditRefs.map((r) => report.audits[r.id])
        .filter((a) => a.score !== null && a.score < 1).map((a) => a.id);

    it("scores best practices 100", () => {
        assert.deepEqual([report.categories["best-practices"].score, failed("best-practices")], [1, []]);
    });

    // Lighthouse asks for robots.txt from inside the page, where the page's
    // own policy refuses every request; that is the audit's one failure.
    it("passes every search audit but robots.txt, which the policy keeps it from asking for", () => {
        assert.deepEqual(failed("seo"), ["robots-txt"]);
        assert.equal(report.audits["robots-txt"].explanation, "Lighthouse was unable to download a robots.txt file");
        // The harness loaded the page once, and Lighthouse once more.
        assert.deepEqual(page.where.requests(), [...page.where.expected, ...page.where.expected], "what reached the server");
    });

    it("passes every accessibility audit but the banner's colours", () => {
        assert.deepEqual(failed("accessibility").filter((id) => id !== "color-contrast"), []);
        const contrast = report.audits["color-contrast"].details?.items || [];
        for (const item of contrast)
            assert.ok(BANNER_LABELS.some((b) => item.node.nodeLabel.startsWith(b)), item.node.nodeLabel);
    });

    it("finds no grave weakness in the page's policy", () => {
        const items = report.audits["csp-xss"].details?.items || [];
        assert.deepEqual(items.filter((i) => /high/i.test(i.severity)).map((i) => i.description), []);
    });
});
