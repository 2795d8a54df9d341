// The three browser engines behind one small interface, so that whatever
// drives the page (the tests, the benchmark, the tour) is written once.
// Chromium and Firefox run headless under puppeteer-core (Chromium's
// DevTools protocol, Firefox's own WebDriver BiDi); WebKit is WebKitGTK's
// MiniBrowser under WebKitWebDriver, in an X server of its own. All three
// come from Debian's packages; nothing is downloaded.
//
//   const b = await launch("firefox", {width: 480, height: 600});
//   await b.open(url);                      a page, once its document has loaded
//   await b.run(fn, ...args);               fn's result in the page (JSON values, or elements)
//   const e = await b.find(fn, ...args);    the element fn returns, as a handle
//   const k = await b.byName("button", "Equals");   by role and accessible name, as the engine computes them
//   await b.click(e); await b.clickAt(x, y); await b.moveTo(x, y); await b.clickHere();
//   await b.press("Tab", {shift: true}); await b.type("12abc");
//   b.faults();                             errors the page logged or raised, CSP refusals among them
//   await b.close();
import { spawn } from "node:child_process";
import { once } from "node:events";
import { createServer } from "node:net";

export const ENGINES = ["chromium", "firefox", "webkit"];
const CHROMIUM = "/usr/bin/chromium";
const FIREFOX = "/usr/bin/firefox-esr";
const WEBKIT_DRIVER = "/usr/bin/WebKitWebDriver";
const MINIBROWSER = "/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser";

// Collects what the page reports as going wrong, from its first script on
// where the engine lets a script run that early (Chromium, Firefox), from
// the end of loading otherwise (WebKit, whose driver has neither early
// scripts nor a log).
const COLLECT = `(function () {
    if (window.__faults) return;
    var faults = window.__faults = [];
    addEventListener("error", function (e) { faults.push("error: " + e.message); });
    addEventListener("unhandledrejection", function (e) { faults.push("unhandled rejection: " + e.reason); });
    document.addEventListener("securitypolicyviolation", function (e) {
        faults.push("refused by the policy: " + e.effectiveDirective + " " + e.blockedURI);
    }, true);
    ["error", "warn"].forEach(function (level) {
        var original = console[level];
        console[level] = function () {
            faults.push("console." + level + ": " + Array.prototype.join.call(arguments, " "));
            return original.apply(console, arguments);
        };
    });
})();`;

export async function launch(engine, { width = 1024, height = 768, args = [] } = {}) {
    if (engine === "chromium" || engine === "firefox")
        return PuppeteerBrowser.launch(engine, width, height, args);
    if (engine === "webkit")
        return WebKitBrowser.launch(width, height);
    throw new Error(`no engine "${engine}": one of ${ENGINES.join(", ")}`);
}

// Puppeteer and WebDriver both take a function's source as the script; a
// WebDriver script is a function body, so it calls the function itself.
const body = (fn) => `return (${fn}).apply(null, arguments);`;

class PuppeteerBrowser {
    static async launch(engine, width, height, args) {
        const { default: puppeteer } = await import("puppeteer-core");
        const options = engine === "firefox"
            ? { browser: "firefox", executablePath: FIREFOX, args }
            // Root may not use Chromium's sandbox; the rest keeps Chromium
            // from calling home on a machine with no way out.
            : { executablePath: CHROMIUM, args: ["--no-sandbox", "--disable-background-networking",
                                                 "--disable-component-update", "--no-first-run", ...args] };
        const browser = await puppeteer.launch({ ...options, headless: true, defaultViewport: { width, height } });
        // A page of its own, brought to the front: Firefox gives the focus
        // (and with it Enter and Space on a button) only to the front page,
        // and the page it starts with is not that.
        const page = await browser.newPage();
        await page.bringToFront();
        return new PuppeteerBrowser(engine, browser, page);
    }

    constructor(engine, browser, page) {
        this.engine = engine;
        this.browser = browser;
        this.page = page;
        this.logged = [];
        this.requested = [];
        page.on("console", (m) => m.type() === "error" && this.logged.push("console: " + m.text()));
        page.on("pageerror", (e) => this.logged.push("page error: " + e.message));
        page.on("request", (r) => this.requested.push(r.url()));
        // Leaving a page that asks first: a driver that leaves means it.
        page.on("dialog", (d) => (d.type() === "beforeunload" ? d.accept() : d.dismiss()));
    }

    async open(url, { javaScript = true, beforeScripts = null } = {}) {
        if (!javaScript)
            await this.page.setJavaScriptEnabled(false);
        if (!this.preloaded) {
            this.preloaded = true;
            await this.page.evaluateOnNewDocument(COLLECT);
        }
        // Scripts before the page's own, for this page alone.
        if (this.before)
            await this.page.removeScriptToEvaluateOnNewDocument(this.before);
        this.before = beforeScripts && (await this.page.evaluateOnNewDocument(beforeScripts)).identifier;
        await this.page.goto(url, { waitUntil: "load" });
    }

    run(fn, ...args) { return this.page.evaluate(fn, ...args); }

    async find(fn, ...args) {
        const handle = await this.page.evaluateHandle(fn, ...args);
        return handle.asElement();
    }

    byName(role, name) {
        const quoted = (s) => JSON.stringify(s);
        return this.page.$(`::-p-aria([name=${quoted(name)}][role=${quoted(role)}])`);
    }

    click(element) { return element.click(); }
    clickAt(x, y) { return this.page.mouse.click(x, y); }
    moveTo(x, y) { return this.page.mouse.move(x, y); }
    async clickHere() {
        await this.page.mouse.down();
        await this.page.mouse.up();
    }

    async press(key, { shift = false, control = false } = {}) {
        const k = this.page.keyboard;
        if (control)
            await k.down("Control");
        if (shift)
            await k.down("Shift");
        await k.press(key);
        if (shift)
            await k.up("Shift");
        if (control)
            await k.up("Control");
    }

    type(text) { return this.page.keyboard.type(text); }

    async faults() {
        const inPage = await this.page.evaluate(() => window.__faults || []).catch(() => []);
        return [...this.logged, ...inPage];
    }

    screenshot(path) { return this.page.screenshot({ path }); }

    close() { return this.browser.close(); }
}

// A free port on the loopback interface, for a server that will take it.
async function freePort() {
    const s = createServer().listen(0, "127.0.0.1");
    await once(s, "listening");
    const { port } = s.address();
    s.close();
    await once(s, "close");
    return port;
}

// Processes of our own that must not outlive this one, however it ends:
// each leads a process group of its own (the browser a driver starts is in
// its driver's), which goes with it.
const owned = new Set();
function own(child) {
    owned.add(child);
    child.on("exit", () => owned.delete(child));
    return child;
}
function disown(child) {
    try {
        process.kill(-child.pid, "SIGKILL");
    } catch {
        // gone already
    }
    owned.delete(child);
}
process.on("exit", () => owned.forEach(disown));
for (const signal of ["SIGINT", "SIGTERM", "SIGHUP"])
    process.once(signal, () => process.exit(128 + { SIGINT: 2, SIGTERM: 15, SIGHUP: 1 }[signal]));

// A private X server; -displayfd hands back the number of a free display.
async function startXvfb(width, height) {
    const x = own(spawn("Xvfb", ["-displayfd", "3", "-screen", "0", `${width}x${height}x24`, "-nolisten", "tcp"],
                        { stdio: ["ignore", "ignore", "ignore", "pipe"], detached: true }));
    const [chunk] = await once(x.stdio[3], "data");
    return { process: x, display: ":" + String(chunk).trim() };
}

// probe() until it gives something true, and that; what it last gave in
// the error after SECONDS. With retryErrors, a probe that throws is tried
// again until then (a server still starting).
export async function until(probe, what, seconds = 20, { every = 30, retryErrors = false } = {}) {
    const end = Date.now() + seconds * 1000;
    for (;;) {
        let value;
        try {
            value = await probe();
            if (value)
                return value;
        } catch (e) {
            if (!retryErrors || Date.now() > end)
                throw e;
        }
        if (Date.now() > end)
            throw new Error(`no ${what} after ${seconds} s (last: ${JSON.stringify(value)})`);
        await new Promise((r) => setTimeout(r, every));
    }
}

class WebKitBrowser {
    static async launch(width, height) {
        const wd = await import("selenium-webdriver");
        const xvfb = await startXvfb(width, height);
        const port = await freePort();
        const server = own(spawn(WEBKIT_DRIVER, [`--port=${port}`],
                                 { env: { ...process.env, DISPLAY: xvfb.display }, stdio: "ignore", detached: true }));
        try {
            const driver = await until(() => new wd.Builder().usingServer(`http://127.0.0.1:${port}`)
                .withCapabilities({ browserName: "MiniBrowser",
                                    "webkitgtk:browserOptions": { binary: MINIBROWSER, args: ["--automation"] } })
                .build(), "WebKitWebDriver session", 20, { every: 100, retryErrors: true });
            await driver.manage().window().setRect({ x: 0, y: 0, width, height });
            return new WebKitBrowser(wd, driver, server, xvfb);
        } catch (e) {
            disown(server);
            disown(xvfb.process);
            throw e;
        }
    }

    constructor(wd, driver, server, xvfb) {
        this.engine = "webkit";
        this.wd = wd;
        this.driver = driver;
        this.server = server;
        this.xvfb = xvfb;
        this.requested = null; // WebDriver does not see the network
    }

    async open(url) {
        await this.driver.get(url);
        await this.driver.executeScript(COLLECT);
    }

    // A call can fail once on an element that is being replaced: again.
    async retry(call) {
        try {
            return await call();
        } catch (e) {
            if (!(e instanceof this.wd.error.StaleElementReferenceError))
                throw e;
            return call();
        }
    }

    run(fn, ...args) { return this.retry(() => this.driver.executeScript(body(fn), ...args)); }

    async find(fn, ...args) {
        const e = await this.run(fn, ...args);
        return e instanceof this.wd.WebElement ? e : null;
    }

    // Candidates by their text or label, then the engine's own accessible
    // name and role for each. WebKitWebDriver computes those for hidden
    // elements too, so what every accessibility tree leaves out (aria-hidden
    // and inert subtrees) is left out here.
    async byName(role, name) {
        const candidates = await this.run((n) => Array.from(document.querySelectorAll("*")).filter((e) =>
            e.getClientRects().length && !e.closest("[aria-hidden=true], [inert]") && (e.getAttribute("aria-label") === n
                || (e.children.length === 0 || e.tagName === "BUTTON") && e.textContent.trim() === n)), name);
        for (const e of candidates) {
            const [label, r] = await Promise.all([e.getAccessibleName(), e.getAriaRole()]);
            if (label === name && r === role)
                return e;
        }
        return null;
    }

    actions() { return this.driver.actions({ async: true }); }
    // At the element's centre, found by the page: WebKitWebDriver's own
    // search for an element's point walks everything stacked there, seconds
    // in a flooded window.
    async click(element) {
        const [x, y] = await this.run((e) => {
            const r = e.getBoundingClientRect();
            return [r.left + r.width / 2, r.top + r.height / 2];
        }, element);
        return this.clickAt(x, y);
    }
    clickAt(x, y) { return this.actions().move({ x: Math.round(x), y: Math.round(y) }).press().release().perform(); }
    moveTo(x, y) { return this.actions().move({ x: Math.round(x), y: Math.round(y) }).perform(); }
    clickHere() { return this.actions().press().release().perform(); }

    press(key, { shift = false, control = false } = {}) {
        const K = this.wd.Key;
        const named = { Tab: K.TAB, Enter: K.ENTER, Escape: K.ESCAPE, Backspace: K.BACK_SPACE,
                        ArrowLeft: K.ARROW_LEFT, ArrowRight: K.ARROW_RIGHT };
        let a = this.actions();
        if (control)
            a = a.keyDown(K.CONTROL);
        if (shift)
            a = a.keyDown(K.SHIFT);
        a = a.sendKeys(named[key] || key);
        if (shift)
            a = a.keyUp(K.SHIFT);
        if (control)
            a = a.keyUp(K.CONTROL);
        return a.perform();
    }

    type(text) { return this.actions().sendKeys(text).perform(); }

    async faults() { return this.driver.executeScript("return window.__faults || [];").catch(() => []); }

    async screenshot(path) {
        const { writeFile } = await import("node:fs/promises");
        await writeFile(path, Buffer.from(await this.driver.takeScreenshot(), "base64"));
    }

    async close() {
        await this.driver.quit().catch(() => {});
        disown(this.server);
        disown(this.xvfb.process);
    }
}
