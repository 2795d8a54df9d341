#!/usr/bin/python3
"""The browser benchmark: the web build in headless Chromium, beside a plain
JavaScript flood (flood_plain.html) in the same browser, and prints the
median of every figure against its target.

    bench/web/bench_web.py [BUILD_DIR]        (make bench-web)

Each run starts a fresh Chromium and a fresh page: the load, the counting
loop of "=", the flood of the banner click, a second banner click, then the
plain flood. The figures come from the page's own stamps (AbacoriaPage.stats)
and from performance.now() in the page; bench/README.md says what each
measures. BENCH_RUNS=N changes the number of runs (default 5), BENCH_OUT=FILE
keeps every run's raw figures, BENCH_NICE=N runs the browser at that
niceness (a negative one, as root, shields it from other work on a shared
machine). Exits 0 when every target is met, 2 when one is missed, 1 when a
run failed.
"""
import gzip
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
import traceback

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tools"))

from serve_web import CHROMIUM, chromium, serve  # noqa: E402

WINDOW = (1024, 768)
BUTTONS = 10000
PAGE_FILES = ("index.html", "abacoria.js", "abacoria.wasm")


def serve_baseline():
    """The plain flood page, and nothing else, on a free loopback port."""
    server = serve(HERE, files={"flood_plain.html": "text/html; charset=utf-8"})
    server.url += "flood_plain.html"
    return server


class Page:
    def __init__(self, driver):
        self.d = driver

    def js(self, script, *args):
        return self.d.execute_script(script, *args)

    def until(self, condition, seconds=60, what=None):
        """Polls a JavaScript expression until it is true."""
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            if self.js("return !!(" + condition + ")"):
                return
            time.sleep(0.05)
        raise RuntimeError("timed out waiting for " + (what or condition))

    def stats(self):
        return self.js("return AbacoriaPage.stats")

    def drawn(self):
        """Waits until a frame has been drawn since now, then a moment more,
        as a person sees a box before answering it."""
        self.d.set_script_timeout(30)
        self.d.execute_async_script(
            "var done = arguments[0];"
            "requestAnimationFrame(function () { requestAnimationFrame(function () { done(); }); });")
        time.sleep(0.3)


def gap_across(times, start, end):
    """The longest gap between consecutive stamps that overlaps start..end."""
    times = sorted(times)
    gaps = [b - a for a, b in zip(times, times[1:]) if b > start and a < end]
    return max(gaps) if gaps else float("nan")


def banner_click(page, moves_before):
    """Clicks the banner, then OK in the prize box at t0; waits until the
    next 10000 moves have reached the screen and the blink after them."""
    page.js(
        "var b = Array.prototype.find.call(document.querySelectorAll('.label'),"
        " function (e) { return /Click here|draws|Just click/.test(e.textContent); }); b.click();"
    )
    page.until("document.querySelector('.msgbox button')", what="the prize box")
    page.drawn()
    t0 = page.js(
        "var s = AbacoriaPage.stats; s.labelSetGap = s.labelFrameGap = 0;"
        "var t = performance.now(); document.querySelector('.msgbox button').click(); return t;"
    )
    marks = (moves_before + BUTTONS) // 1000
    page.until("AbacoriaPage.stats.moveFrames.length >= %d" % marks, 120, "the flood")
    s = page.stats()
    end = s["moveFrames"][marks - 1]
    # The blink and the tick after the flood, so that the gaps across its end count.
    page.until("AbacoriaPage.stats.labelSet > %r && AbacoriaPage.stats.labelFrame > %r"
               " && AbacoriaPage.stats.ticks[AbacoriaPage.stats.ticks.length - 1] > %r" % (end, end, end),
               5, "the blink after the flood")
    s = page.stats()
    m = s["moveMarks"][marks - 10:marks]
    return {
        "t0": t0,
        "total": end - t0,
        "first": m[0] - t0,
        "last": m[9] - m[8],
        "tick_gap": gap_across(s["ticks"], t0, end),
        "blink_set_gap": s["labelSetGap"],
        "blink_gap": s["labelFrameGap"],
    }


def one_run(driver, app_url, baseline_url):
    r = {}
    page = Page(driver)

    # Load: navigation start (performance.now()'s zero) to the window's
    # first frame.
    driver.get(app_url)
    page.until("window.AbacoriaPage && AbacoriaPage.stats.shownAt > 0", 30, "the window")
    if page.js("return AbacoriaPage.stats.shownFrame === undefined"):
        raise RuntimeError("the page has no benchmark stamps: an older build?")
    page.until("AbacoriaPage.stats.shownFrame > 0", 5, "the window's first frame")
    page.until("performance.getEntriesByName('first-contentful-paint').length", 5, "the first contentful paint")
    s = page.stats()
    r["load_shown_ms"] = s["shownAt"]
    r["load_first_frame_ms"] = s["shownFrame"]
    r["load_first_contentful_paint_ms"] = page.js(
        "return performance.getEntriesByName('first-contentful-paint')[0].startTime")

    # The counting loop of "=": answered Yes, then OK.
    t = page.js(
        "var b = Array.prototype.find.call(document.querySelectorAll('.button'),"
        " function (e) { return e.textContent === '='; });"
        "var t = performance.now(); b.click(); return t;"
    )
    page.until("AbacoriaPage.stats.boxAt > %r" % t, 30, "the question box")
    s = page.stats()
    r["equals_loop_ms"] = s["lastFill"] - s["firstFill"]
    r["equals_click_to_box_ms"] = s["boxAt"] - t
    asked = s["boxAt"]
    page.js("document.querySelector('.msgbox button').click()")  # Yes
    page.until("AbacoriaPage.stats.boxAt > %r && document.querySelector('.msgbox button')" % asked, 10,
               "the box after the question")
    page.js("document.querySelector('.msgbox button').click()")  # OK
    page.until("!document.querySelector('.msgbox') && document.querySelector('.progress').hidden", 10,
               "the progress bar hidden")

    # The flood, then a second click on the banner.
    first = banner_click(page, 0)
    if page.js("return AbacoriaPage.stats.copies") != BUTTONS:
        raise RuntimeError("the flood made %s buttons" % page.js("return AbacoriaPage.stats.copies"))
    time.sleep(1)
    second = banner_click(page, BUTTONS)
    for name, click in (("flood", first), ("reflood", second)):
        r[name + "_total_ms"] = click["total"]
        r[name + "_first_1000_ms"] = click["first"]
        r[name + "_last_1000_ms"] = click["last"]
        r[name + "_last_over_first"] = click["last"] / click["first"]
        r[name + "_longest_tick_gap_ms"] = click["tick_gap"]
        r[name + "_longest_blink_set_gap_ms"] = click["blink_set_gap"]
        r[name + "_longest_blink_gap_ms"] = click["blink_gap"]
    r["reflood_over_flood"] = second["total"] / first["total"]

    # The plain flood in the same browser, a fresh page.
    driver.get(baseline_url)
    page.until("window.stats && stats.blinks.length", 10, "the plain page's first blink")
    page.js("flood(%d)" % BUTTONS)
    page.until("stats.frames.length >= %d" % (BUTTONS // 1000), 120, "the plain flood")
    page.until("stats.blinks[stats.blinks.length - 1] > stats.frames[stats.frames.length - 1]", 5,
               "the blink after the plain flood")
    b = page.js("return stats")
    r["plainflood_total_ms"] = b["frames"][-1] - b["start"]
    r["plainflood_longest_tick_gap_ms"] = gap_across(b["ticks"], b["start"], b["frames"][-1])
    r["plainflood_longest_blink_gap_ms"] = gap_across(b["blinks"], b["start"], b["frames"][-1])
    r["plainflood_first_1000_ms"] = b["marks"][0] - b["start"]
    r["plainflood_last_1000_ms"] = b["marks"][-1] - b["marks"][-2]
    r["flood_over_plain"] = r["flood_total_ms"] / r["plainflood_total_ms"]
    return r


def start_browser():
    return chromium("--window-size=%d,%d" % WINDOW)


def gzip_size(path):
    with open(path, "rb") as f:
        data = f.read()
    try:
        out = subprocess.run(["gzip", "-9", "-n", "-c"], input=data, stdout=subprocess.PIPE, check=True).stdout
    except OSError:
        out = gzip.compress(data, 9, mtime=0)
    return len(out)


def machine():
    model = "?"
    with open("/proc/cpuinfo") as f:
        for line in f:
            if line.startswith("model name"):
                model = line.split(":", 1)[1].strip()
                break
    with open("/proc/meminfo") as f:
        mem = int(f.readline().split()[1]) / 1048576
    return "%d cores, %s, %.0f GiB" % (os.cpu_count(), model, mem)


def loadavg():
    with open("/proc/loadavg") as f:
        return " ".join(f.read().split()[:3])


def unit(name):
    return "x" if "_over_" in name else "ms"


def main():
    build = sys.argv[1] if len(sys.argv) > 1 else "build-web"
    runs = int(os.environ.get("BENCH_RUNS", "5"))
    if os.environ.get("BENCH_NICE"):
        # Inherited by the driver and the browser it starts.
        os.nice(int(os.environ["BENCH_NICE"]) - os.nice(0))
    for name in PAGE_FILES:
        if not os.path.isfile(os.path.join(build, name)):
            print("bench: %s is missing; build first (make bench-web)" % os.path.join(build, name), file=sys.stderr)
            return 1

    # A copy, taken once: others may rebuild the tree while the runs go on.
    snapshot = tempfile.mkdtemp(prefix="bench-web-")
    for name in PAGE_FILES + ("abacoria.svg",):
        shutil.copy2(os.path.join(build, name), snapshot)
    try:
        return bench(build, snapshot, runs)
    finally:
        shutil.rmtree(snapshot, ignore_errors=True)


def bench(build, snapshot, runs):
    app = serve(snapshot)
    baseline = serve_baseline()
    chromium = subprocess.run([CHROMIUM, "--version"], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                              text=True).stdout.strip()
    load_before = loadavg()
    print("Running the page and the plain flood %d times in %s (headless, window %dx%d)..."
          % (runs, chromium, WINDOW[0], WINDOW[1]), flush=True)
    results = []
    for i in range(runs):
        driver = start_browser()
        try:
            results.append(one_run(driver, app.url, baseline.url))
        except Exception:
            print("bench: run %d failed" % (i + 1), file=sys.stderr)
            traceback.print_exc()
            try:
                for entry in driver.get_log("browser"):
                    print("  browser:", entry.get("message"), file=sys.stderr)
            except Exception:
                pass
            return 1
        finally:
            driver.quit()
        print("  run %d of %d done" % (i + 1, runs), flush=True)
    load_after = loadavg()

    if os.environ.get("BENCH_OUT"):
        with open(os.environ["BENCH_OUT"], "w") as f:
            for r in results:
                for k, v in r.items():
                    f.write("%s %.3f %s\n" % (k, v, unit(k)))

    order = list(results[0])
    med = {k: statistics.median([r[k] for r in results]) for k in order}
    lo = {k: min(r[k] for r in results) for k in order}
    hi = {k: max(r[k] for r in results) for k in order}
    sizes = {n: gzip_size(os.path.join(snapshot, n)) for n in PAGE_FILES}

    print()
    print("Machine: " + machine())
    print("Browser: " + chromium)
    print("Load average (1, 5, 15 min): %s before, %s after" % (load_before, load_after))
    nice = os.environ.get("BENCH_NICE")
    print("Command: %sbench/web/bench_web.py %s (%d runs, median)" % ("BENCH_NICE=%s " % nice if nice else "", build, runs))
    print()
    print("All figures (median of %d, min..max):" % runs)
    for k in order:
        print("  %-38s %10.1f %-3s (%.1f..%.1f)" % (k, med[k], unit(k), lo[k], hi[k]))
    for n in PAGE_FILES:
        print("  %-38s %10.1f KB gzip -9 (%.1f KB as served)"
              % ("size_" + n, sizes[n] / 1000, os.path.getsize(os.path.join(snapshot, n)) / 1000))

    missed = []

    def target(value, limit, text, fmt="%10.1f"):
        ok = value <= limit
        print(("  %-54s " + fmt + "  <= %-6s %s") % (text, value, limit, "ok" if ok else "MISSED"))
        if not ok:
            missed.append(text)

    print()
    print("Targets (median of %d):" % runs)
    target(med["flood_over_plain"], 1.5, "flood of 10000 / plain JavaScript flood, same run", "%10.2f")
    target(med["flood_last_over_first"], 1.3, "  last 1000 buttons / first 1000", "%10.2f")
    target(med["flood_longest_blink_gap_ms"], 600, "longest gap between blinks on screen in the flood, ms")
    target(med["reflood_over_flood"], 1.5, "second banner click / first flood, same run", "%10.2f")
    target(med["equals_loop_ms"], 100, "counting loop of \"=\" (first to last fill), ms")
    target(med["load_first_contentful_paint_ms"], 300, "page load to the window's first paint, ms")
    target(sum(sizes.values()) / 1000, 150, "index.html + abacoria.js + abacoria.wasm, KB gzip -9")
    print()
    print("Beside them (medians):")
    lines = [
        ("flood of 10000, real page", "flood_total_ms"),
        ("flood of 10000, plain JavaScript", "plainflood_total_ms"),
        ("flood: longest gap between firings of the interval", "flood_longest_tick_gap_ms"),
        ("flood: longest gap between blinks as handled", "flood_longest_blink_set_gap_ms"),
        ("plain flood: longest gap between blinks on screen", "plainflood_longest_blink_gap_ms"),
        ("second banner click", "reflood_total_ms"),
        ("  its first 1000 buttons (the prize box closing in)", "reflood_first_1000_ms"),
        ("  longest gap between blinks on screen", "reflood_longest_blink_gap_ms"),
        ("\"=\" click to the question box", "equals_click_to_box_ms"),
        ("page load to the window's first animation frame", "load_first_frame_ms"),
    ]
    for text, k in lines:
        print("  %-54s %10.1f ms" % (text, med[k]))
    if missed:
        print()
        print("Some targets were missed.")
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main())
