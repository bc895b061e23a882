#!/usr/bin/env python3
"""A whole test taken in a real browser through the web room's runner page.

Starts `ruvo-tool serve` on a small test (a name page, an instruction, a reading shown
whole, a reading shown phrase by phrase with the faint next phrase, two question pages with
choices, a questionnaire and a text field), takes it in headless Chromium with Forward by
button, Enter and a tap, reloads the page half-way and checks that the run goes on where it
was, then reads the result file the room wrote into the collection folder.

Screenshots of the joining, name, reading, phrase, question and result pages at 360 and
1280 px wide go into the output folder.

Exit status: 0 passed, 1 failed, 77 skipped (no Chromium on this machine).
"""
import argparse
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import traceback

SKIP = 77
NAME = "山田 花子"
TYPED = "とても よく わかった"


def find(*candidates):
    for c in candidates:
        p = shutil.which(c) if os.sep not in c else (c if os.access(c, os.X_OK) else None)
        if p:
            return p
    return None


class Failure(Exception):
    pass


def check(cond, message):
    if not cond:
        raise Failure(message)


def free_port():
    import socket
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class Room:
    """`ruvo-tool serve` on a folder of tests on 127.0.0.1; it can be killed and started again
    on the same port and journal."""

    def __init__(self, tool, folder, collection, journal, report):
        self.cmd = [tool, "serve", folder, "--collection", collection, "--journal", journal, "--report", report,
                    "--bind", "127.0.0.1", "--port", str(free_port()), "--code", "4271"]
        self.log = open(os.path.join(os.path.dirname(collection), "serve.log"), "w+")
        self.start()

    def start(self):
        self.proc = subprocess.Popen(self.cmd, stdout=subprocess.PIPE, stderr=self.log, text=True)
        if hasattr(self, "_lines"):
            del self._lines
        try:
            self.url = self._line(10)
            self.code = self._line(5)
            check(self.url == "http://127.0.0.1:%s/" % self.cmd[-3],
                  "serve printed %r as its first line, not http://127.0.0.1:%s/" % (self.url, self.cmd[-3]))
            check("4271" in self.code, "serve printed %r as the class code, not 4271" % self.code)
        except Exception:
            self.stop()
            raise

    def kill(self):
        self.proc.kill()
        self.proc.wait()

    def _line(self, seconds):
        if not hasattr(self, "_lines"):
            import queue
            import threading
            self._lines = queue.Queue()

            def pump():
                for line in self.proc.stdout:
                    self._lines.put(line)
                self._lines.put(None)
            threading.Thread(target=pump, daemon=True).start()
        import queue
        try:
            line = self._lines.get(timeout=seconds)
        except queue.Empty:
            raise Failure("serve printed nothing within %d s; its log:\n%s" % (seconds, self.logText()))
        if line is None:
            raise Failure("serve ended (status %s); its log:\n%s" % (self.proc.wait(), self.logText()))
        return line.strip()

    def logText(self):
        self.log.flush()
        self.log.seek(0)
        return self.log.read()

    def stop(self):
        if self.proc.poll() is None:
            self.proc.send_signal(signal.SIGTERM)
            try:
                self.proc.wait(10)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()


class Browser:
    def __init__(self, chromium, driver, profile):
        from selenium import webdriver
        from selenium.webdriver.chrome.service import Service

        opts = webdriver.ChromeOptions()
        opts.binary_location = chromium
        for a in ("--headless=new", "--no-sandbox", "--disable-dev-shm-usage", "--disable-gpu",
                  "--no-first-run", "--no-default-browser-check", "--disable-extensions",
                  "--lang=ja", "--force-device-scale-factor=1", "--hide-scrollbars",
                  "--window-size=1280,900", "--user-data-dir=" + profile):
            opts.add_argument(a)
        self.d = webdriver.Chrome(service=Service(executable_path=driver), options=opts)
        self.d.set_page_load_timeout(20)
        self.width = 1280

    def quit(self):
        try:
            self.d.quit()
        except Exception:
            pass

    def js(self, script, *args):
        return self.d.execute_script(script, *args)

    def wait(self, what, cond, seconds=10):
        end = time.monotonic() + seconds
        last = None
        while time.monotonic() < end:
            try:
                last = cond()
                if last:
                    return last
            except Exception as e:  # the page is being replaced
                last = e
            time.sleep(0.05)
        raise Failure("timed out waiting for %s (last: %r)" % (what, last))

    def el(self, css):
        from selenium.webdriver.common.by import By
        return self.d.find_element(By.CSS_SELECTOR, css)

    def page(self):
        """(index, kind, phrase on screen) of the page the runner shows, or None."""
        return self.js("""
            var s = document.getElementById('page');
            if (!s || s.hidden) return null;
            var f = document.getElementById('forward');
            return [document.getElementById('sheet').getAttribute('data-kind'),
                    document.getElementById('counter').textContent,
                    document.getElementById('text').getAttribute('data-phrase'),
                    f.disabled];""")

    def wait_kind(self, kind, counter=None, seconds=10):
        def ready():
            p = self.page()
            return p if p and p[0] == kind and not p[3] and (counter is None or p[1] != counter) else None
        p = self.wait("a %s page" % kind, ready, seconds)
        # The runner takes a press right after a page appeared for a double click's second.
        time.sleep(0.25)
        return p

    def forward_click(self):
        before = self.page()
        self.el("#forward").click()
        return before

    def settle(self):
        # Two frames: the page is painted and its time has started.
        self.d.execute_async_script(
            "var done = arguments[0]; requestAnimationFrame(function(){ requestAnimationFrame(function(){ done(); }); });")

    def shoot(self, folder, name):
        """The whole page at 360 and at 1280 px wide."""
        import base64
        for w in (360, 1280):
            view = 800 if w == 360 else 900
            metrics = {"width": w, "height": view, "deviceScaleFactor": 1, "mobile": w == 360}
            self.d.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", metrics)
            self.settle()
            time.sleep(0.5)  # the phrase's fade
            clipped = self.js("""
                var bad = [];
                var all = document.querySelectorAll('#main *, #controls *');
                for (var i = 0; i < all.length; i++) {
                  var e = all[i];
                  if (!e.offsetParent || e.tagName === 'INPUT' || e.tagName === 'TEXTAREA') continue;
                  var r = e.getBoundingClientRect();
                  if (r.width && (r.right > document.documentElement.clientWidth + 1 || r.left < -1))
                    bad.push(e.tagName + '#' + e.id + '.' + e.className + ' ' + Math.round(r.left) + '..' + Math.round(r.right));
                }
                return bad.slice(0, 5);""")
            check(not clipped, "%s at %d px: elements stick out of the page: %s" % (name, w, clipped))
            # The whole page in one picture: a window as tall as the page.
            h = int(self.js("return Math.min(4000, document.documentElement.scrollHeight);"))
            if h > view:
                metrics["height"] = h
                self.d.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", metrics)
                self.settle()
            shot = self.d.execute_cdp_cmd("Page.captureScreenshot", {"format": "png"})
            with open(os.path.join(folder, "runner-%s-%d.png" % (name, w)), "wb") as f:
                f.write(base64.b64decode(shot["data"]))
        self.d.execute_cdp_cmd("Emulation.clearDeviceMetricsOverride", {})
        self.settle()


def result_lines(tool, collection):
    files = [f for f in os.listdir(collection) if f.endswith(".ruvot")]
    check(len(files) == 1, "one result file expected in the collection folder, found %s" % files)
    out = subprocess.run([tool, "lines", os.path.join(collection, files[0])], capture_output=True, text=True,
                         timeout=20)
    check(out.returncode == 0, "ruvo-tool lines failed: " + out.stderr)
    lines = out.stdout.splitlines()
    check(len(lines) == 2, "a result file holds two lines, not %r" % lines)
    return files[0], dict(zip(lines[0].split("\t"), lines[1].split("\t")))


def take_test(b, room, shots):
    d = b.d
    d.get(room.url)
    code = b.wait("the class code field", lambda: b.el("#code"))
    check(d.switch_to.active_element == code, "the class code field has the focus on arrival")
    check(b.js("return document.documentElement.lang") == "ja", "the page is marked Japanese")

    # A wrong code is refused in Japanese and lists nothing.
    code.send_keys("9999\n")
    b.wait("the wrong code message", lambda: b.el("#join-error").is_displayed())
    check("クラスコード" in b.el("#join-error").text, "wrong code message: " + b.el("#join-error").text)
    check(not b.el("#tests-box").is_displayed(), "tests listed for a wrong code")
    # Typed with the Japanese input on, the code comes in full-width digits.
    code.clear()
    code.send_keys(room.code.translate({c: c + 0xFEE0 for c in range(0x21, 0x7F)}) + "\n")
    test = b.wait("the list of tests", lambda: b.el("#tests button"))
    check(test.text == "灯台のはなし", "the test is listed by its title, not %r" % test.text)
    b.shoot(shots, "join")
    test.click()

    # The name page: refused blank, then a name (Enter goes forward).
    b.wait_kind("name")
    check(d.switch_to.active_element == b.el("#name"), "the name field has the focus")
    check("出席番号" in b.el("#name-prompt").text, "the document's prompt is shown: " + b.el("#name-prompt").text)
    b.shoot(shots, "name")
    b.el("#forward").click()
    b.wait("the blank name refused", lambda: b.el("#name-error").is_displayed())
    check(b.page()[0] == "name", "a blank name left the name page")
    b.el("#name").send_keys(NAME + "\n")

    # The instruction, left by Enter while the server is down: the runner says so calmly,
    # keeps Forward locked and sends the event once the server is back on its journal.
    p = b.wait_kind("instruction")
    b.settle()
    room.kill()
    from selenium.webdriver.common.action_chains import ActionChains
    from selenium.webdriver.common.keys import Keys
    ActionChains(d).send_keys(Keys.ENTER).perform()
    b.wait("the notice of the lost connection", lambda: b.el("#notice").is_displayed())
    check("通信" in b.el("#notice").text, "the notice is in Japanese: " + b.el("#notice").text)
    check(b.page()[0] == "instruction" and b.page()[3], "Forward stays locked on the page while nobody answers")
    room.start()

    # The reading, shown whole, with its rich text: a tap on the text ends it.
    p = b.wait_kind("reading", p[1], 30)  # the runner tries again later and later
    b.wait("the notice gone", lambda: not b.el("#notice").is_displayed())
    check(b.js("return !!document.querySelector('#text span[style*=\"font-weight:bold\"], #text span[style*=\"italic\"]')"),
          "the reading keeps its rich text")
    b.shoot(shots, "reading")
    time.sleep(1.2)
    b.el("#text p").click()

    # The first question page: start over is asked first, and declined with Escape.
    p = b.wait_kind("question", p[1])
    b.el("#restart").click()
    b.wait("the start-over box", lambda: b.el("#dialog").is_displayed())
    ActionChains(d).send_keys(Keys.ESCAPE).perform()
    b.wait("the box gone", lambda: not b.el("#dialog").is_displayed())
    check(b.page()[:2] == p[:2], "declining to start over keeps the page")
    # Answer 2, the correct one.
    b.el('input[type=radio][name=q1][value="2"]').click()
    b.el("#forward").click()

    # Phrase by phrase: each press shows the next state; reload after the second phrase.
    p = b.wait_kind("reading", p[1])
    count = b.js("return document.getElementById('text').getAttribute('data-phrase') !== null")
    check(count, "the second reading is shown phrase by phrase")
    b.settle()
    time.sleep(0.25)
    b.forward_click()
    b.wait("the second phrase", lambda: b.page()[2] == "1")
    check(b.js("return !!document.querySelector('#text span[style*=\"underline\"]')"), "the phrase is underlined")
    b.shoot(shots, "phrase")

    before = b.page()
    d.refresh()
    after = b.wait_kind("reading")
    check(after[1] == before[1], "after a reload the run resumes on the same page (%s, not %s)" % (before[1], after[1]))
    check(after[2] == "0", "a resumed phrase page starts at its first phrase")

    presses = 0
    while True:
        cur = b.page()
        if cur[0] != "reading":
            break
        check(presses < 20, "the phrase page does not end")
        b.settle()
        time.sleep(0.25)
        b.el("#forward").click()
        presses += 1
        b.wait("the next phrase or page", lambda: b.page() != cur and not b.page()[3])

    # The second question page: choices, a questionnaire and a text field.
    p = b.wait_kind("question")
    check(len(d.find_elements("css selector", "#answers input[type=radio][name=q1]")) == 2, "question 1 has 2 choices")
    check(len(d.find_elements("css selector", "#answers input[type=radio][name=q2]")) == 2, "question 2 has 2 choices")
    field = b.el('#answers [name=q3]')
    check(field.tag_name in ("input", "textarea"), "question 3 is a text field")
    b.el('input[type=radio][name=q1][value="2"]').click()
    # Forward with a question unanswered asks first; "はい" goes back.
    b.el("#forward").click()
    b.wait("the unanswered question box", lambda: b.el("#dialog").is_displayed())
    check("未解答" in b.el("#dialog-text").text, "the box says what is missing: " + b.el("#dialog-text").text)
    b.el("#dialog-yes").click()
    check(b.page()[0] == "question", "going back to answer stays on the page")
    b.el('input[type=radio][name=q2][value="1"]').click()
    field.send_keys(TYPED)
    b.shoot(shots, "question")
    b.el("#forward").click()

    # The result page holds the readable record.
    b.wait("the result page", lambda: b.page() and b.page()[0] == "result")
    record = b.wait("the record", lambda: b.el("#record").text)
    check(NAME in record, "the record names the examinee: " + record)
    check(not b.el("#forward").is_displayed(), "no Forward on the result page")
    b.shoot(shots, "result")

    # A reload shows the result again, nothing is sent twice.
    d.refresh()
    b.wait("the result page after a reload", lambda: b.page() and b.page()[0] == "result")

    # Starting over is a deliberate press; afterwards a reload no longer resumes the run.
    b.el("#restart").click()
    b.wait("the class code again", lambda: b.el("#code").is_displayed())
    d.refresh()
    b.wait("the class code after a reload", lambda: b.el("#code").is_displayed())
    check(b.page() is None, "a run that was left shows again after starting over")

    # The page asks nothing of anyone but its server, and no script failed on the way.
    foreign = b.js("return performance.getEntriesByType('resource').map(function(e){ return e.name; })"
                   ".filter(function(u){ return u.indexOf(location.origin + '/') !== 0; });")
    check(not foreign, "the page fetched from elsewhere: %s" % foreign)
    errors = [e["message"] for e in d.get_log("browser") if e.get("source") == "javascript"]
    check(not errors, "script errors in the page: %s" % errors)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--tool", required=True, help="ruvo-tool")
    ap.add_argument("--fixture", required=True, help="the test as a rich-text document")
    ap.add_argument("--out", required=True, help="folder for the screenshots")
    a = ap.parse_args()

    chromium = find("/usr/lib/chromium/chromium", "chromium", "chromium-browser")
    driver = find("chromedriver", "/usr/lib/chromium/chromedriver")
    if not chromium or not driver:
        print("SKIPPED: Chromium or its driver is not installed (apt-get install chromium chromium-driver)")
        return SKIP
    try:
        import selenium  # noqa: F401
    except ImportError:
        print("FAILED: python3-selenium is missing (scripts/setup installs it) for " + sys.executable)
        return 1

    os.makedirs(a.out, exist_ok=True)
    for f in os.listdir(a.out):
        if f.startswith("runner-") and f.endswith(".png"):
            os.remove(os.path.join(a.out, f))
    tmp = tempfile.mkdtemp(prefix="ruvo-browser-")
    folder, collection, journal, report, profile = (os.path.join(tmp, n)
                                                     for n in ("tests", "collection", "journal", "report", "profile"))
    for f in (folder, collection, journal, report):
        os.makedirs(f)
    room = browser = None
    started = time.monotonic()
    try:
        r = subprocess.run([a.tool, "doc", "normalize", a.fixture, os.path.join(folder, "lighthouse.ruvo")],
                           capture_output=True, text=True, timeout=30)
        check(r.returncode == 0, "the fixture does not convert: " + r.stderr)
        room = Room(a.tool, folder, collection, journal, report)
        browser = Browser(chromium, driver, profile)
        take_test(browser, room, a.out)

        name, cols = result_lines(a.tool, collection)
        check(name.endswith("山田 花子.ruvot"), "the result file is named after the examinee: " + name)
        expect = {"title": "灯台のはなし", "name": NAME, "ans1": "2", "ans2": "2", "ans3": "1", "ans4": TYPED,
                  "scr1": "1", "scr2": "1"}
        for k, v in expect.items():
            check(cols.get(k) == v, "result column %s is %r, not %r (all: %r)" % (k, cols.get(k), v, cols))
        check("scr3" not in cols, "a questionnaire has no score column")
        for k in ("wrd1", "rt1", "wpm1", "wrd2", "rt2", "wpm2"):
            check(k in cols, "result column %s is missing (all: %r)" % (k, cols))
        check(int(cols["rt1"]) >= 1, "the first reading took at least a second, not %s" % cols["rt1"])
        check(os.listdir(report) == [name], "the report folder holds the same result file: %r" % os.listdir(report))
        print("passed in %.1f s; screenshots in %s" % (time.monotonic() - started, a.out))
        return 0
    except Failure as e:
        print("FAILED: %s" % e)
        if browser:
            try:
                browser.d.save_screenshot(os.path.join(a.out, "runner-failure.png"))
            except Exception:
                pass
        if room:
            print("serve's log:\n" + room.logText())
        return 1
    except Exception:
        traceback.print_exc()
        if room:
            print("serve's log:\n" + room.logText())
        return 1
    finally:
        if browser:
            browser.quit()
        if room:
            room.stop()
        shutil.rmtree(tmp, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
