"""Debian's headless Chromium driving the page, through Selenium (python3-selenium,
for /usr/bin/python3): for the page's tests, its benchmark and its screenshot.

    with Page(page_path, downloads_dir) as page:
        page.choose(path)          # as a person choosing the file
        page.wait()                # 'done' or 'failed'
"""
import json
import os
import shutil
import tempfile
import time

from selenium import webdriver
from selenium.webdriver.chrome.service import Service

CHROMIUM = "/usr/bin/chromium"
CHROMEDRIVER = "/usr/bin/chromedriver"


class Page:
    def __init__(self, page, downloads, size=(900, 900), dark=False):
        self.profile = tempfile.mkdtemp(prefix="wordhex-chromium.")
        options = webdriver.ChromeOptions()
        options.binary_location = CHROMIUM
        # As root Chromium needs --no-sandbox; the rest keeps it from calling
        # out into a network that is not there.
        for flag in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-background-networking",
                     "--disable-component-update", "--disable-sync", "--disable-quic", "--no-first-run",
                     "--no-default-browser-check",
                     f"--user-data-dir={self.profile}", f"--window-size={size[0]},{size[1]}"):
            options.add_argument(flag)
        options.add_experimental_option("prefs", {"profile.default_content_setting_values.automatic_downloads": 1})
        options.set_capability("goog:loggingPrefs", {"performance": "ALL"})
        self.driver = webdriver.Chrome(service=Service(CHROMEDRIVER), options=options)
        try:
            if dark:
                self.driver.execute_cdp_cmd("Emulation.setEmulatedMedia", {
                    "features": [{"name": "prefers-color-scheme", "value": "dark"}]})
            self.driver.execute_cdp_cmd("Browser.setDownloadBehavior", {
                "behavior": "allow", "downloadPath": os.path.abspath(downloads)})
            self.url = "file://" + os.path.abspath(page)
            self.driver.get_log("performance")  # the browser's own start page
            self.driver.get(self.url)
        except BaseException:
            self.close()
            raise

    def __enter__(self):
        return self

    def __exit__(self, *_):
        self.close()

    def close(self):
        self.driver.quit()
        shutil.rmtree(self.profile, ignore_errors=True)

    def js(self, script, *args):
        return self.driver.execute_script(script, *args)

    def state(self):
        return self.js("return document.body.dataset.state")

    def options(self, mode="halve", word_bits=16, swap=False, fill="", change=True):
        """Sets every option at once; one change event, so one conversion when a file is chosen."""
        self.js("""const [mode, bits, swap, fill, change] = arguments;
            document.getElementById('mode').value = mode;
            document.getElementById('word-bits').value = String(bits);
            document.getElementById('swap').checked = swap;
            document.getElementById('fill').value = fill;
            document.body.dataset.state = 'idle';
            if (change) document.getElementById('mode').dispatchEvent(new Event('change'));""",
                mode, word_bits, swap, fill, change)

    def choose(self, path):
        """Chooses `path` in the file chooser, as a fresh choice."""
        self.js("document.getElementById('file').value = ''; document.body.dataset.state = 'idle'")
        self.driver.find_element("id", "file").send_keys(os.path.abspath(path))

    def wait(self, timeout=120):
        end = time.monotonic() + timeout
        while time.monotonic() < end:
            state = self.state()
            if state in ("done", "failed"):
                return state
            time.sleep(0.01)
        raise TimeoutError(f"the page stayed {self.state()!r}")

    def requests(self):
        """Every URL the browser was asked to load since the last call."""
        urls = []
        for entry in self.driver.get_log("performance"):
            event = json.loads(entry["message"])["message"]
            if event["method"] == "Network.requestWillBeSent":
                urls.append(event["params"]["request"]["url"])
        return urls
