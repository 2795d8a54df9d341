#!/usr/bin/python3
"""The tour's browser stop: serves the browser build on the loopback
interface, opens it in headless Chromium and saves the page once the
program's window is shown.

Usage: tour_web.py BUILD_WEB_DIR OUTPUT_PNG
"""
import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from serve_web import chromium, serve  # noqa: E402

from selenium.webdriver.support.ui import WebDriverWait  # noqa: E402

WIDTH, HEIGHT = 480, 420
SHOWN = """
var form = document.getElementById("form");
return !!form && !form.hidden && form.getBoundingClientRect().width > 0;
"""


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: tour_web.py BUILD_WEB_DIR OUTPUT_PNG")
    folder, out = sys.argv[1], sys.argv[2]
    server = serve(folder)
    driver = chromium("--disable-gpu", "--hide-scrollbars")
    try:
        # The page's size, one CSS pixel a pixel: a headless window's size
        # is only a request, which it rounds.
        driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                               {"width": WIDTH, "height": HEIGHT, "deviceScaleFactor": 1, "mobile": False})
        driver.get(server.url)
        WebDriverWait(driver, 60, poll_frequency=0.1).until(lambda d: d.execute_script(SHOWN))
        driver.execute_async_script("document.fonts.ready.then(arguments[0]);")
        # Wait for pending paints: take it until two takes agree (the banner
        # blinks, so give up after a few tries).
        picture = driver.get_screenshot_as_png()
        for _ in range(20):
            time.sleep(0.1)
            again = driver.get_screenshot_as_png()
            if again == picture:
                break
            picture = again
        with open(out, "wb") as f:
            f.write(picture)
    finally:
        driver.quit()
        server.shutdown()


if __name__ == "__main__":
    main()
