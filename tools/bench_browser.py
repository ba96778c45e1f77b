#!/usr/bin/env python3
"""Click to rows painted: tavora.exe against headless Chromium, side by side.

    python3 tools/bench_browser.py --build BUILD_DIR [--runs N] [--cold-runs N]

Run by tools/bench-browser.sh inside a display with Wine prepared. Starts the
demo site, tavora.exe with bench-browser/click_timer.exe driving it, and one
Chromium kept running and driven over its DevTools protocol. For each page
(32 rows and 3,000 rows) the rounds take turns: the program's click to rows
painted, the warm browser's navigation to the load event (and to the next
frame after it), and, in the first --cold-runs rounds, a new browser process
loading the page (--dump-dom). Prints medians and minimums in milliseconds
and how many times faster the program is than each browser figure.
"""

import argparse
import json
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
import urllib.parse
import urllib.request

import websocket

# (rows, departure): the timetable's 32 trains from 北京 to 上海, and 3,000
# made-up trains.
PAGES = ((32, "北京"), (3000, "fault-rows-3000"))
ARRIVAL = "上海"
CHROMIUM = "/usr/bin/chromium"
CHROMIUM_FLAGS = ["--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
                  "--disable-extensions", "--disable-background-networking"]
TARGET_WARM_RATIO = 5.0


def page_url(host, departure):
    query = urllib.parse.urlencode({"A": departure, "B": ARRIVAL, "C": "", "D": "1", "S": "0"})
    return "http://%s/Default.aspx?%s" % (host, query)


def wait_for_file(path, seconds):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if os.path.exists(path) and os.path.getsize(path) > 0:
            return True
        time.sleep(0.05)
    return False


class WarmBrowser:
    """One headless Chromium kept running, driven over its DevTools protocol."""

    def __init__(self, scratch):
        self.profile = os.path.join(scratch, "warm-profile")
        self.process = subprocess.Popen(
            [CHROMIUM, *CHROMIUM_FLAGS, "--remote-debugging-port=0",
             "--user-data-dir=" + self.profile, "about:blank"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        port_file = os.path.join(self.profile, "DevToolsActivePort")
        if not wait_for_file(port_file, 60):
            raise RuntimeError("chromium did not open its DevTools port")
        with open(port_file) as f:
            port = f.readline().strip()
        with urllib.request.urlopen("http://127.0.0.1:%s/json/list" % port) as reply:
            targets = json.load(reply)
        page = next(t for t in targets if t.get("type") == "page")
        self.socket = websocket.create_connection(page["webSocketDebuggerUrl"], timeout=60)
        self.next_id = 0
        self.call("Page.enable")

    def call(self, method, **params):
        """Sends a command and answers its result; events read on the way are dropped."""
        self.next_id += 1
        self.socket.send(json.dumps({"id": self.next_id, "method": method, "params": params}))
        while True:
            message = json.loads(self.socket.recv())
            if message.get("id") == self.next_id:
                if "error" in message:
                    raise RuntimeError("%s: %s" % (method, message["error"]))
                return message.get("result", {})

    def load(self, url):
        """Seconds from the navigation command to the load event, and to the
        first frame drawn after it."""
        start = time.perf_counter()
        self.next_id += 1
        self.socket.send(json.dumps({"id": self.next_id, "method": "Page.navigate", "params": {"url": url}}))
        while json.loads(self.socket.recv()).get("method") != "Page.loadEventFired":
            pass
        loaded = time.perf_counter() - start
        self.call("Runtime.evaluate", awaitPromise=True,
                  expression="new Promise(r => requestAnimationFrame(() => requestAnimationFrame(r)))")
        framed = time.perf_counter() - start
        rows = self.call("Runtime.evaluate", returnByValue=True,
                         expression="document.querySelectorAll('tr').length")["result"]["value"]
        return loaded, framed, rows

    def close(self):
        try:
            self.socket.close()
        finally:
            self.process.terminate()
            self.process.wait(10)


def cold_load(scratch, url):
    """Seconds for a new browser process to load the page and print its DOM."""
    start = time.perf_counter()
    done = subprocess.run([CHROMIUM, *CHROMIUM_FLAGS, "--user-data-dir=" + os.path.join(scratch, "cold-profile"),
                           "--dump-dom", url], capture_output=True, timeout=120)
    seconds = time.perf_counter() - start
    return seconds, done.stdout.count(b"<tr")


class ProgramClicks:
    """tavora.exe with click_timer.exe driving it."""

    def __init__(self, build, host):
        env = dict(os.environ, TAVORA_QUERY_HOST=host, TAVORA_UPDATE_HOST=host, TAVORA_STAT_HOST=host)
        self.program = subprocess.Popen(["wine", os.path.join(build, "app", "tavora.exe")], env=env,
                                        stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL)
        self.timer = subprocess.Popen(["wine", os.path.join(build, "bench-browser", "click_timer.exe")],
                                      stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)

    def click(self, departure, rows):
        self.timer.stdin.write(("%s %s %d\n" % (departure, ARRIVAL, rows)).encode("utf-8"))
        self.timer.stdin.flush()
        line = self.timer.stdout.readline().decode("utf-8", "replace").strip()
        try:
            return float(line) / 1000
        except ValueError:
            raise RuntimeError("click_timer: %s" % (line or "no answer"))

    def close(self):
        try:
            self.timer.stdin.write(b"quit\n")
            self.timer.stdin.close()
            self.timer.wait(30)
        finally:
            try:
                self.program.wait(30)
            except subprocess.TimeoutExpired:
                self.program.kill()


def start_demo_site(scratch):
    port_file = os.path.join(scratch, "port")
    site = subprocess.Popen([sys.executable, os.path.join(os.path.dirname(os.path.abspath(__file__)), "demo_site.py"),
                             "--port", "0", "--port-file", port_file, "--max-seconds", "3600"],
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    if not wait_for_file(port_file, 10):
        site.kill()
        raise RuntimeError("the demo site did not start")
    with open(port_file) as f:
        return site, "127.0.0.1:%s" % f.read().strip()


def ms(values):
    return "%9.1f %7.1f" % (statistics.median(values) * 1000, min(values) * 1000)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    parser.add_argument("--runs", type=int, default=15)
    parser.add_argument("--cold-runs", type=int, default=5)
    args = parser.parse_args()
    if not os.path.exists(CHROMIUM):
        print("bench_browser: %s is missing (tools/bench-browser.sh installs it)" % CHROMIUM, file=sys.stderr)
        return 1

    scratch = tempfile.mkdtemp(prefix="tavora-bench-browser-")
    site, host = start_demo_site(scratch)
    program = browser = None
    times = {rows: {"program": [], "loaded": [], "framed": [], "cold": []} for rows, _ in PAGES}
    try:
        program = ProgramClicks(args.build, host)
        browser = WarmBrowser(scratch)
        # One untimed round: first requests, font caches and code pages come in.
        for rows, departure in PAGES:
            program.click(departure, rows)
            browser.load(page_url(host, departure))
        for run in range(args.runs):
            for rows, departure in PAGES:
                url = page_url(host, departure)
                sample = times[rows]
                sample["program"].append(program.click(departure, rows))
                loaded, framed, shown = browser.load(url)
                if shown != rows + 1:
                    raise RuntimeError("the browser showed %d table rows, not %d" % (shown, rows + 1))
                sample["loaded"].append(loaded)
                sample["framed"].append(framed)
                if run < args.cold_runs:
                    seconds, shown = cold_load(scratch, url)
                    if shown != rows + 1:
                        raise RuntimeError("the new browser printed %d table rows, not %d" % (shown, rows + 1))
                    sample["cold"].append(seconds)
    finally:
        if program:
            program.close()
        if browser:
            browser.close()
        site.kill()
        shutil.rmtree(scratch, ignore_errors=True)

    print("Click to rows painted: tavora.exe (click_timer: search click to the first row's text on the screen)")
    print("against headless Chromium loading the same result page from the same demo site;")
    print("%d rounds taking turns (cold: the first %d), milliseconds as median and min;"
          % (args.runs, min(args.runs, args.cold_runs)))
    print("x = the browser's median / the program's median; target: warm load at least %.1f x for 32 rows"
          % TARGET_WARM_RATIO)
    print("%6s %-34s %9s %7s %8s" % ("rows", "what", "median", "min", "x"))
    for rows, _ in PAGES:
        sample = times[rows]
        base = statistics.median(sample["program"])
        for key, what in (("program", "tavora.exe click to rows painted"),
                          ("loaded", "Chromium warm: navigate to load"),
                          ("framed", "Chromium warm: load + next frame"),
                          ("cold", "Chromium cold: new process, DOM")):
            print("%6d %-34s %s %8.2f" % (rows, what, ms(sample[key]), statistics.median(sample[key]) / base))
    return 0


if __name__ == "__main__":
    sys.exit(main())
