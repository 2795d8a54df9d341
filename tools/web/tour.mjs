// The tour's browser stop: the page opened from its file in headless
// Chromium, saved as a picture once the window is shown and drawn.
// Usage: node tools/web/tour.mjs PAGE OUTPUT_PNG
import { pathToFileURL } from "node:url";

import { launch } from "./engines.mjs";

const [page, out] = process.argv.slice(2);
if (!out) {
    console.error("usage: node tools/web/tour.mjs PAGE OUTPUT_PNG");
    process.exit(2);
}
// One CSS pixel a pixel, a window just larger than the program's.
const b = await launch("chromium", { width: 480, height: 420, args: ["--hide-scrollbars"] });
try {
    await b.open(pathToFileURL(page).href);
    await b.run(() => new Promise((done) => {
        const t = setInterval(() => {
            const f = document.getElementById("form");
            if (f && !f.hidden && f.getBoundingClientRect().width > 0) {
                clearInterval(t);
                document.fonts.ready.then(() => requestAnimationFrame(() => requestAnimationFrame(done)));
            }
        }, 20);
    }));
    await b.screenshot(out);
} finally {
    await b.close();
}
