// Writes the page as one self-contained file: the template with the style,
// the scripts, the WebAssembly module (base64 in a data block, which no
// browser runs) and the icon (a data: URL) inside it, under a
// Content-Security-Policy that admits exactly that style and those scripts
// by their hashes. Opening the file is the only request the page makes. The
// licence goes in last, as a comment, since the page is all of the program
// that travels.
// Usage: node make_page.mjs --template T --style S --glue G --script S... --wasm W
//                           --icon I --licence L --version V --output O
// The page's scripts run in the order given, after the glue, as one.
import { createHash } from "node:crypto";
import { readFileSync, writeFileSync } from "node:fs";
import { parseArgs } from "node:util";

const single = { type: "string" };
const { values: a } = parseArgs({
    options: { template: single, style: single, glue: single, script: { type: "string", multiple: true }, wasm: single,
               icon: single, licence: single, version: single, output: single },
});
for (const name of ["template", "style", "glue", "script", "wasm", "icon", "licence", "version", "output"]) {
    if (!a[name]) {
        console.error(`make_page: no --${name}`);
        process.exit(2);
    }
}
const text = (path) => readFileSync(path, "utf8");

// What a raw-text element must not hold: its own end tag would end it early,
// and a comment opener or another script's start tag would change how the
// parser reads the rest.
function inline(name, body) {
    const bad = /<\/(script|style)|<!--|<script/i.exec(body);
    if (bad) {
        console.error(`make_page: ${name} holds "${bad[0]}", which cannot stand inline`);
        process.exit(1);
    }
    return body;
}
// Inline elements pass the policy by the hash of their exact text.
const hash = (body) => `'sha256-${createHash("sha256").update(body, "utf8").digest("base64")}'`;

const values = {
    STYLE: inline("the style", text(a.style).trim()),
    GLUE: inline("the WebAssembly glue", text(a.glue).trim()),
    PAGE: inline("the page's scripts", a.script.map((s) => text(s).trim()).join("\n\n")),
    WASM: readFileSync(a.wasm).toString("base64"),
    ICON: "data:image/svg+xml;base64," + readFileSync(a.icon).toString("base64"),
    VERSION: a.version,
    LICENSE: text(a.licence).trim(),
};
if (/--|<!|>/.test(values.LICENSE)) {
    console.error("make_page: the licence text cannot stand in a comment");
    process.exit(1);
}
// Nothing may be fetched, framed, posted or based elsewhere: every kind the
// page does not use is 'none' by default. WebAssembly is compiled from the
// page's own bytes ('wasm-unsafe-eval' allows that and not eval()); styles
// set through element.style need no 'unsafe-inline'.
values.CSP = [
    "default-src 'none'",
    `script-src ${hash(values.GLUE)} ${hash(values.PAGE)} 'wasm-unsafe-eval'`,
    `style-src ${hash(values.STYLE)}`,
    "img-src data:",
    "base-uri 'none'",
    "form-action 'none'",
].join("; ");

const html = text(a.template).replace(/@([A-Z]+)@/g, (whole, key) => {
    if (!(key in values)) {
        console.error(`make_page: the template asks for ${whole}, which is not made here`);
        process.exit(1);
    }
    return values[key];
});
writeFileSync(a.output, html);
