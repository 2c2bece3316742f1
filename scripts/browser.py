"""Headless browsers driving the page, for its tests, its benchmark and its screenshot: Debian's Chromium through
Selenium and chromedriver (python3-selenium), Debian's Firefox ESR through the WebDriver BiDi it speaks itself
(python3-websocket), so that no driver is downloaded. Both are for /usr/bin/python3.

    with Chromium(page_path, downloads_dir) as page:   # or Firefox(...)
        page.choose(path)          # as a person choosing the file
        page.wait()                # 'done' or 'failed'
"""
import itertools
import json
import os
import shutil
import subprocess
import tempfile
import time

TAB, END, HOME, UP, DOWN = "\ue004", "\ue010", "\ue011", "\ue013", "\ue015"  # WebDriver's keys


class Page:
    """What both engines do the same way, through js()."""

    engine = None

    def __enter__(self):
        return self

    def __exit__(self, *_):
        self.close()

    def state(self):
        return self.js("return document.body.dataset.state")

    def options(self, mode="halve", word_bits=16, swap=False, fill="", format="ihex", base="", depth="",
                words_per_record="", change=True):
        """Sets every option at once; one change event, so one conversion (or check) at most."""
        self.js("""const [mode, bits, swap, fill, format, base, depth, records, change] = arguments;
            document.getElementById('mode').value = mode;
            document.getElementById('word-bits').value = String(bits);
            document.getElementById('swap').checked = swap;
            document.getElementById('fill').value = fill;
            document.getElementById('format').value = format;
            document.getElementById('base').value = base;
            document.getElementById('depth').value = depth;
            document.getElementById('words-per-record').value = records;
            document.body.dataset.state = 'idle';
            if (change) document.getElementById('mode').dispatchEvent(new Event('change'));""",
                mode, word_bits, swap, fill, format, base, depth, words_per_record, change)

    def choose(self, path):
        """Chooses `path` in the file chooser, as a person would: the same file as last time too."""
        self.js("document.body.dataset.state = 'idle'")
        self.set_file(os.path.abspath(path))

    def ready(self, timeout=60):
        """Waits for the page's texts after a load."""
        end = time.monotonic() + timeout
        while self.state() == "starting" and time.monotonic() < end:
            time.sleep(0.01)

    def wait(self, timeout=120):
        """The state the page ends in; a page that has not started in 10 s never will."""
        start = time.monotonic()
        while time.monotonic() < start + timeout:
            state = self.state()
            if state in ("done", "failed"):
                return state
            if state == "idle" and time.monotonic() > start + 10:
                break
            time.sleep(0.01)
        raise TimeoutError(f"the page stayed {self.state()!r}")


class Chromium(Page):
    engine = "chromium"

    def __init__(self, page, downloads, size=(900, 900), dark=False, language="en-US"):
        from selenium import webdriver
        from selenium.webdriver.chrome.service import Service
        self.profile = tempfile.mkdtemp(prefix="wordhex-chromium.")
        options = webdriver.ChromeOptions()
        options.binary_location = "/usr/bin/chromium"
        # As root Chromium needs --no-sandbox; the rest keeps it from calling
        # out into a network that is not there.
        for flag in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-background-networking",
                     "--disable-component-update", "--disable-sync", "--disable-quic", "--no-first-run",
                     "--no-default-browser-check", f"--user-data-dir={self.profile}",
                     f"--window-size={size[0]},{size[1]}"):
            options.add_argument(flag)
        options.add_argument(f"--lang={language.split(',')[0]}")
        options.add_experimental_option("prefs", {"profile.default_content_setting_values.automatic_downloads": 1,
                                                  "intl.accept_languages": language})
        options.set_capability("goog:loggingPrefs", {"performance": "ALL"})
        self.driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
        try:
            if dark:
                self.driver.execute_cdp_cmd("Emulation.setEmulatedMedia", {
                    "features": [{"name": "prefers-color-scheme", "value": "dark"}]})
            self.driver.execute_cdp_cmd("Browser.setDownloadBehavior", {
                "behavior": "allow", "downloadPath": os.path.abspath(downloads)})
            self.url = "file://" + os.path.abspath(page)
            self.driver.get_log("performance")  # the browser's own start page
            self.load()
        except BaseException:
            self.close()
            raise

    def close(self):
        self.driver.quit()
        shutil.rmtree(self.profile, ignore_errors=True)

    def load(self):
        self.driver.get(self.url)
        self.ready()

    def js(self, script, *args):
        return self.driver.execute_script(script, *args)

    def set_file(self, path):
        self.driver.find_element("id", "file").send_keys(path)

    def press(self, key):
        from selenium.webdriver.common.action_chains import ActionChains
        ActionChains(self.driver).send_keys(key).perform()

    def requests(self):
        """Every URL the browser was asked to load since the last call."""
        urls = []
        for entry in self.driver.get_log("performance"):
            event = json.loads(entry["message"])["message"]
            if event["method"] == "Network.requestWillBeSent":
                urls.append(event["params"]["request"]["url"])
        return urls

    def screenshot(self, path):
        self.driver.save_screenshot(path)


class Firefox(Page):
    engine = "firefox"

    # Downloads without asking, and none of the calls home that a new profile
    # makes at start-up.
    PREFERENCES = {
        "browser.download.folderList": 2, "browser.download.useDownloadDir": True,
        "browser.download.always_ask_before_handling_new_types": False,
        "browser.download.start_downloads_in_tmp_dir": False, "browser.shell.checkDefaultBrowser": False,
        "app.update.disabledForTesting": True, "app.normandy.enabled": False,
        "datareporting.policy.dataSubmissionEnabled": False, "datareporting.healthreport.uploadEnabled": False,
        "toolkit.telemetry.reportingpolicy.firstRun": False, "network.captive-portal-service.enabled": False,
        "network.connectivity-service.enabled": False, "browser.safebrowsing.malware.enabled": False,
        "browser.safebrowsing.phishing.enabled": False, "browser.safebrowsing.downloads.enabled": False,
        "messaging-system.rsexperimentloader.enabled": False, "extensions.update.enabled": False,
        "browser.startup.homepage_override.mstone": "ignore",
    }

    def __init__(self, page, downloads, size=(900, 900), language="en-US"):
        import websocket
        self.profile = tempfile.mkdtemp(prefix="wordhex-firefox.")
        preferences = dict(self.PREFERENCES, **{"browser.download.dir": os.path.abspath(downloads),
                                                "intl.accept_languages": language})
        with open(os.path.join(self.profile, "user.js"), "w") as f:
            for name, value in preferences.items():
                f.write(f"user_pref({json.dumps(name)}, {json.dumps(value)});\n")
        log = os.path.join(self.profile, "firefox.log")
        with open(log, "w") as out:
            self.process = subprocess.Popen(
                ["firefox-esr", "--headless", "--no-remote", "--profile", self.profile, "--remote-debugging-port",
                 "0", f"--width={size[0]}", f"--height={size[1]}", "about:blank"],
                stdout=out, stderr=out)
        self.ids = itertools.count(1)
        self.events = []
        try:
            address = None
            end = time.monotonic() + 60
            while address is None and time.monotonic() < end and self.process.poll() is None:
                time.sleep(0.1)
                with open(log) as said:  # "WebDriver BiDi listening on ws://127.0.0.1:PORT"
                    address = next((line.split("listening on ")[1].strip() for line in said
                                    if "listening on ws://" in line), None)
            if address is None:
                raise RuntimeError("firefox-esr did not start its WebDriver BiDi")
            self.socket = websocket.create_connection(address + "/session", suppress_origin=True)
            self.call("session.new", capabilities={})
            self.call("session.subscribe", events=["network.beforeRequestSent"])
            self.context = self.call("browsingContext.getTree")["contexts"][0]["context"]
            self.url = "file://" + os.path.abspath(page)
            self.load()
            self.requests()
        except BaseException:
            self.close()
            raise

    def close(self):
        self.process.kill()
        self.process.wait()
        shutil.rmtree(self.profile, ignore_errors=True)

    def call(self, method, **params):
        """One BiDi command; events that come before its answer are kept."""
        number = next(self.ids)
        self.socket.send(json.dumps({"id": number, "method": method, "params": params}))
        while True:
            message = json.loads(self.socket.recv())
            if message.get("id") == number:
                if message.get("type") == "error":
                    raise RuntimeError(f"{method}: {message.get('error')}: {message.get('message')}")
                return message["result"]
            if message.get("type") == "event":
                self.events.append(message)

    def load(self):
        self.call("browsingContext.navigate", context=self.context, url=self.url, wait="complete")
        self.ready()

    def js(self, script, *args):
        # A function body, as Selenium takes it; the values in and out are plain ones.
        result = self.call("script.callFunction", functionDeclaration=f"function() {{ {script} }}",
                           arguments=[self.value(a) for a in args], target={"context": self.context},
                           awaitPromise=False)
        if result["type"] != "success":
            raise RuntimeError(f"script failed: {result['exceptionDetails'].get('text')}")
        return self.plain(result["result"])

    @staticmethod
    def value(python):
        if isinstance(python, bool):
            return {"type": "boolean", "value": python}
        if isinstance(python, (int, float)):
            return {"type": "number", "value": python}
        return {"type": "string", "value": python}

    @classmethod
    def plain(cls, remote):
        if remote["type"] == "array":
            return [cls.plain(item) for item in remote["value"]]
        return remote.get("value")

    def set_file(self, path):
        node = self.call("script.evaluate", expression="document.getElementById('file')",
                         target={"context": self.context}, awaitPromise=False)["result"]
        self.call("input.setFiles", context=self.context, element={"sharedId": node["sharedId"]}, files=[path])

    def press(self, key):
        self.call("input.performActions", context=self.context, actions=[{
            "type": "key", "id": "keyboard",
            "actions": [{"type": "keyDown", "value": key}, {"type": "keyUp", "value": key}]}])

    def requests(self):
        """Every URL the browser was asked to load since the last call."""
        self.call("session.status")  # its answer comes after every event before it
        urls = [e["params"]["request"]["url"] for e in self.events if e["method"] == "network.beforeRequestSent"]
        self.events = []
        return urls
