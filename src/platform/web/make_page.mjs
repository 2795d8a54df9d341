// Writes the page as one self-contained file: the template with the style,
// the two scripts, the WebAssembly module (base64 in a data block, which no
// browser runs) and the icon (a data: URL) inside it, under a
// Content-Security-Policy that admits exactly that style and those scripts
// by their hashes. Opening the file is the only request the page makes.
// The licence goes in last, as a comment, since the page is all of the
// program that travels.
// Usage: node make_page.mjs TEMPLATE STYLE GLUE_JS PAGE_JS WASM ICON LICENSE VERSION OUTPUT
import { createHash } from "node:crypto";
import { readFileSync, writeFileSync } from "node:fs";

const [template, style, glue, page, wasm, icon, licence, version, output] = process.argv.slice(2);
if (!output) {
    console.error("usage: node make_page.mjs TEMPLATE STYLE GLUE_JS PAGE_JS WASM ICON LICENSE VERSION OUTPUT");
    process.exit(2);
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
    STYLE: inline("the style", text(style).trim()),
    GLUE: inline("the WebAssembly glue", text(glue).trim()),
    PAGE: inline("the page script", text(page).trim()),
    WASM: readFileSync(wasm).toString("base64"),
    ICON: "data:image/svg+xml;base64," + readFileSync(icon).toString("base64"),
    VERSION: version,
    LICENSE: text(licence).trim(),
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

const html = text(template).replace(/@([A-Z]+)@/g, (whole, key) => {
    if (!(key in values)) {
        console.error(`make_page: the template asks for ${whole}, which is not made here`);
        process.exit(1);
    }
    return values[key];
});
writeFileSync(output, html);
