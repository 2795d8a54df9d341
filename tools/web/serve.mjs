// A web server on the loopback interface for the page and the tools that
// drive it: it serves the files it is given under the names it is given, with
// the headers it is given, and nothing else, and it notes every request.
//   node tools/web/serve.mjs FILE [PORT]   serves FILE at / (make serve-web)
// Imported: serve({"/": file, "/x.html": file}, {port, headers}) resolves to
// {url, requests, close()}; requests lists the paths asked for, in order.
import { readFileSync } from "node:fs";
import { createServer } from "node:http";
import { extname } from "node:path";
import { pathToFileURL } from "node:url";

const types = { ".html": "text/html; charset=utf-8" };

export function serve(files, { port = 0, headers = {} } = {}) {
    const requests = [];
    const server = createServer((request, response) => {
        const path = new URL(request.url, "http://localhost").pathname;
        requests.push(path);
        const file = files[path];
        if (request.method !== "GET" || !file) {
            response.writeHead(404, { "Content-Type": "text/plain" }).end("not here\n");
            return;
        }
        // Read afresh: a rebuild while serving is what make serve-web is for.
        const body = readFileSync(file);
        response.writeHead(200, {
            "Content-Type": types[extname(file)] || "application/octet-stream",
            "Content-Length": body.length,
            "Cache-Control": "no-cache",
            ...headers,
        });
        response.end(body);
    });
    return new Promise((resolve, reject) => {
        server.on("error", reject);
        server.listen(port, "127.0.0.1", () => {
            resolve({
                url: `http://127.0.0.1:${server.address().port}/`,
                requests,
                close: () => new Promise((done) => server.close(done)),
            });
        });
    });
}

if (import.meta.url === pathToFileURL(process.argv[1]).href) {
    const [file, port = "8000"] = process.argv.slice(2);
    if (!file) {
        console.error("usage: node tools/web/serve.mjs FILE [PORT]");
        process.exit(2);
    }
    const server = await serve({ "/": file }, { port: Number(port) });
    console.log(`Abacoria: ${server.url}  (Ctrl+C stops)`);
}
