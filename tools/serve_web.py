#!/usr/bin/python3
"""Serves the browser build on the loopback interface: the page's own files
and nothing else from the build folder (no CMake files), with the MIME types
browsers insist on (application/wasm for streaming compilation).

Usage: serve_web.py BUILD_DIR [PORT]   (PORT 0 or none: a free one)
Also imported by the browser tests, the benchmark and the tour: serve(folder)
starts a server in a thread and returns it (its address is server.url), and
chromium() opens Debian's headless Chromium through Selenium.
"""
import http.server
import os
import sys
import threading

PAGE_FILES = {
    "index.html": "text/html; charset=utf-8",
    "abacoria.js": "text/javascript; charset=utf-8",
    "abacoria.wasm": "application/wasm",
    "abacoria.svg": "image/svg+xml",
}


CHROMIUM = "/usr/lib/chromium/chromium"


def handler_for(folder, log, files=PAGE_FILES):
    class Handler(http.server.BaseHTTPRequestHandler):
        def do_GET(self):
            name = self.path.split("?", 1)[0].lstrip("/") or "index.html"
            log.append(name)
            kind = files.get(name)
            path = os.path.join(folder, name)
            if kind is None or not os.path.isfile(path):
                self.send_error(404)
                return
            with open(path, "rb") as f:
                body = f.read()
            self.send_response(200)
            self.send_header("Content-Type", kind)
            self.send_header("Content-Length", str(len(body)))
            self.send_header("Cache-Control", "no-cache")
            self.end_headers()
            self.wfile.write(body)

        def log_message(self, *args):
            pass

    return Handler


def serve(folder, port=0, files=PAGE_FILES):
    """A server for folder's files (name: MIME type) on 127.0.0.1 in a daemon
    thread. server.requests lists the paths asked for, in order."""
    requests = []
    server = http.server.ThreadingHTTPServer(("127.0.0.1", port), handler_for(folder, requests, files))
    server.requests = requests
    server.url = "http://127.0.0.1:%d/" % server.server_address[1]
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


def chromium(*arguments, capabilities=None):
    """Headless Chromium driven by Selenium; arguments are Chromium's own.
    Root may not use Chromium's sandbox."""
    from selenium import webdriver

    options = webdriver.ChromeOptions()
    options.binary_location = CHROMIUM
    for argument in ("--headless=new", "--no-sandbox") + arguments:
        options.add_argument(argument)
    for name, value in (capabilities or {}).items():
        options.set_capability(name, value)
    return webdriver.Chrome(options=options)


if __name__ == "__main__":
    folder = sys.argv[1] if len(sys.argv) > 1 else "build-web"
    port = int(sys.argv[2]) if len(sys.argv) > 2 else 8000
    requests = []
    server = http.server.ThreadingHTTPServer(("127.0.0.1", port), handler_for(folder, requests))
    print("Abacoria: http://127.0.0.1:%d/  (Ctrl+C stops)" % server.server_address[1], flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
