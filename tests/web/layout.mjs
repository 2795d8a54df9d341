// The window and its controls as src/ui/Layout.cpp stores them, read from
// the source, so that the browser tests expect what the table says.
import { readFileSync } from "node:fs";
import { fileURLToPath } from "node:url";

export const ROOT = fileURLToPath(new URL("../..", import.meta.url));

// Twips to CSS pixels as the backend rounds them.
export const px = (twips) => Math.floor(twips / 15 + 0.5);

export function readLayout() {
    const src = readFileSync(ROOT + "src/ui/Layout.cpp", "utf8");
    const rgb = (r, g, b) => [Number(r), Number(g), Number(b)];
    const named = Object.fromEntries([...src.matchAll(/constexpr Rgb (\w+)\{(\d+), (\d+), (\d+)\}/g)]
        .map((m) => [m[1], rgb(m[2], m[3], m[4])]));
    const fonts = Object.fromEntries([...src.matchAll(/constexpr Font (\w+)\{"[^"]*", ([\d.]+), (\w+)/g)]
        .map((m) => [m[1], { points: Number(m[2]), bold: m[3] === "true" }]));
    const colour = (token) => {
        const m = /^Rgb\{(\d+), (\d+), (\d+)\}$/.exec(token || "");
        return m ? rgb(m[1], m[2], m[3]) : named[token] || null;
    };
    const row = new RegExp(String.raw`^\s*\{"(\w+)",\s*(-?\d+),\s*K::(\w+),\s*"([^"]*)",` + String.raw`\s*(\d+),`.repeat(4)
                           + String.raw`\s*(true|false),\s*(-?\d+)(.*)\},\s*$`, "gm");
    const controls = [...src.matchAll(row)].map((m) => {
        const extra = [...(m[11].match(/Rgb\{[^}]*\}|\{\}|[\w.]+/g) || []), "{}", "{}", "{}", "{}"];
        return {
            name: m[1], index: Number(m[2]), kind: m[3], caption: m[4],
            left: Number(m[5]), top: Number(m[6]), width: Number(m[7]), height: Number(m[8]),
            visible: m[9] === "true", tab: Number(m[10]),
            back: colour(extra[0]), fore: colour(extra[1]), font: fonts[extra[2]] || null, auto: extra[3] === "true",
        };
    });
    const w = /WindowSpec form1\{"\w+", "([^"]*)", Rgb\{(\d+), (\d+), (\d+)\}, (\d+), (\d+),\s*Font\{"[^"]*", ([\d.]+), (\w+)/
        .exec(src);
    if (!w || controls.length < 20)
        throw new Error("src/ui/Layout.cpp no longer reads as a layout table");
    const window = { caption: w[1], back: rgb(w[2], w[3], w[4]), width: Number(w[5]), height: Number(w[6]),
                     font: { points: Number(w[7]), bold: w[8] === "true" } };
    return { window, controls };
}
