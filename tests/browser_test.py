#!/usr/bin/env python3
"""The station's web page in a real headless browser (Debian's chromium, driven through its
DevTools pipe): log in at the browser's password question, see the call sign and the
transmitted picture, change the caption and the card, stop and start a stream into a file; a
screenshot of the page, phone-sized, checked by its pixels against the program's own still.

    browser_test.py KALVORA [SCREENSHOT.png]
"""
import base64
import fcntl
import json
import os
import shutil
import socket
import struct
import subprocess
import sys
import tempfile
import time
import zlib
from pathlib import Path

kalvora = sys.argv[1]
keep_screenshot = sys.argv[2] if len(sys.argv) > 2 else None
browser = shutil.which("chromium")
if not browser:
    print("SKIP: chromium is not installed (scripts/setup-debian.sh installs it)")
    sys.exit(0)


def png_pixels(data):
    """Width, height and rows of (r, g, b) of an 8-bit RGB or RGBA PNG, as browsers and Qt
    write them."""
    assert data[:8] == b"\x89PNG\r\n\x1a\n"
    at, idat, width, height, channels = 8, b"", 0, 0, 0
    while at < len(data):
        size, kind = struct.unpack(">I4s", data[at:at + 8])
        chunk = data[at + 8:at + 8 + size]
        if kind == b"IHDR":
            width, height, depth, colour = struct.unpack(">IIBB", chunk[:10])
            assert depth == 8 and colour in (2, 6), (depth, colour)
            channels = 3 if colour == 2 else 4
        elif kind == b"IDAT":
            idat += chunk
        at += 12 + size
    raw, stride, rows, previous = zlib.decompress(idat), width * channels, [], None
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        up = previous or bytearray(stride)
        for x in range(stride):
            left = line[x - channels] if x >= channels else 0
            corner = up[x - channels] if x >= channels else 0
            if kind == 1:
                line[x] = (line[x] + left) & 255
            elif kind == 2:
                line[x] = (line[x] + up[x]) & 255
            elif kind == 3:
                line[x] = (line[x] + (left + up[x]) // 2) & 255
            elif kind == 4:
                p = left + up[x] - corner
                pa, pb, pc = abs(p - left), abs(p - up[x]), abs(p - corner)
                line[x] = (line[x] + (left if pa <= pb and pa <= pc else up[x] if pb <= pc else corner)) & 255
        previous = line
        rows.append([tuple(line[i:i + 3]) for i in range(0, stride, channels)])
    return width, height, rows


class DevTools:
    """Chromium's DevTools protocol over its pipe: commands on fd 3, answers and events on
    fd 4, each a JSON text ended by a NUL."""

    def __init__(self, folder):
        to_browser_r, self.to_browser = os.pipe()
        self.from_browser, from_browser_w = os.pipe()
        # The child's fds 3 and 4, whatever numbers the pipes have here (moved out of the way
        # first: either may be 3 or 4 already).
        def fds():
            commands = fcntl.fcntl(to_browser_r, fcntl.F_DUPFD, 10)
            answers = fcntl.fcntl(from_browser_w, fcntl.F_DUPFD, 10)
            os.dup2(commands, 3)
            os.dup2(answers, 4)
        self.process = subprocess.Popen(
            [browser, "--headless=new", "--remote-debugging-pipe", "--no-sandbox",
             "--disable-gpu", "--no-first-run", f"--user-data-dir={folder}/browser",
             "--window-size=412,1100", "about:blank"],
            pass_fds=(3, 4, to_browser_r, from_browser_w), preexec_fn=fds,
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(to_browser_r)
        os.close(from_browser_w)
        self.buffer, self.next_id, self.answers = b"", 0, {}
        self.session = None
        self.credentials = None

    def close(self):
        self.process.kill()
        self.process.wait()

    def _read(self, deadline):
        while b"\0" not in self.buffer:
            if time.monotonic() > deadline:
                raise TimeoutError("the browser said nothing")
            chunk = os.read(self.from_browser, 1 << 20)
            if not chunk:
                raise EOFError("the browser went away")
            self.buffer += chunk
        message, self.buffer = self.buffer.split(b"\0", 1)
        return json.loads(message)

    def _event(self, message):
        method, params = message.get("method"), message.get("params", {})
        try:
            self._answer(method, params)
        except RuntimeError:
            pass  # a request the page gave up meanwhile (a picture replaced by the next)

    def _answer(self, method, params):
        if method == "Fetch.authRequired":
            # The browser's password question, answered as the operator would.
            self.call("Fetch.continueWithAuth", requestId=params["requestId"],
                      authChallengeResponse={"response": "ProvideCredentials",
                                             "username": "operator", "password": self.credentials})
        elif method == "Fetch.requestPaused":
            self.call("Fetch.continueRequest", requestId=params["requestId"])

    def call(self, method, timeout=20, **params):
        self.next_id += 1
        ident = self.next_id
        command = {"id": ident, "method": method, "params": params}
        if self.session and not method.startswith("Target."):
            command["sessionId"] = self.session
        os.write(self.to_browser, json.dumps(command).encode() + b"\0")
        deadline = time.monotonic() + timeout
        # Events are answered as they come, with calls of their own: an answer read meanwhile
        # waits here for the call it belongs to.
        while ident not in self.answers:
            message = self._read(deadline)
            if "id" in message:
                self.answers[message["id"]] = message
            else:
                self._event(message)
        message = self.answers.pop(ident)
        if "error" in message:
            raise RuntimeError(f"{method}: {message['error']}")
        return message.get("result", {})

    def evaluate(self, expression):
        result = self.call("Runtime.evaluate", expression=expression, awaitPromise=True,
                           returnByValue=True)
        return result.get("result", {}).get("value")

    def wait_for(self, expression, timeout=15):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            value = self.evaluate(expression)
            if value:
                return value
            time.sleep(0.2)
        raise TimeoutError(f"never true: {expression}")


failures = []
with tempfile.TemporaryDirectory() as folder:
    environment = dict(os.environ, XDG_CONFIG_HOME=f"{folder}/config",
                       XDG_STATE_HOME=f"{folder}/state")
    environment.pop("DISPLAY", None)
    environment.pop("QT_QPA_PLATFORM", None)
    settings = Path(folder, "config/Kalvora/Kalvora.ini")
    settings.parent.mkdir(parents=True)
    settings.write_text("[settings]\nText1=QQ0ABC\n")
    subprocess.run([kalvora, "--set-web-password"], input=b"zendamateur\n", env=environment,
                   check=True, stderr=subprocess.DEVNULL)
    with socket.socket() as free:
        free.bind(("127.0.0.1", 0))
        port = free.getsockname()[1]
    recording = Path(folder, "out.ts")
    program = subprocess.Popen([kalvora, "--stream", str(recording), "--web", f"127.0.0.1:{port}"],
                               env=environment, stderr=subprocess.PIPE)
    still = subprocess.run([kalvora, "--snapshot", f"{folder}/bars.png", "--pattern", "2"],
                           env=environment, stderr=subprocess.DEVNULL)
    tools = DevTools(folder)
    try:
        tools.credentials = "zendamateur"
        target = tools.call("Target.createTarget", url="about:blank")["targetId"]
        tools.session = tools.call("Target.attachToTarget", targetId=target, flatten=True)["sessionId"]
        tools.call("Fetch.enable", handleAuthRequests=True, patterns=[{"urlPattern": "*"}])
        tools.call("Page.enable")
        for _ in range(50):  # the program's first second
            try:
                socket.create_connection(("127.0.0.1", port), 0.2).close()
                break
            except OSError:
                time.sleep(0.2)
        tools.call("Page.navigate", url=f"http://127.0.0.1:{port}/")
        tools.wait_for("document.getElementById('call')?.textContent === 'QQ0ABC'")
        # Logged in: the browser keeps the password for the page's own requests, and nothing
        # needs to wait for this driver any more.
        tools.call("Fetch.disable")
        tools.wait_for("(() => { const p = document.getElementById('picture');"
                       " return p.complete && p.naturalWidth === 808; })()")
        # The caption, typed and saved.
        tools.evaluate("(() => { const f = document.getElementById('Text1'); f.focus();"
                       " f.value = 'PI6ATV'; f.dispatchEvent(new Event('input'));"
                       " document.getElementById('save').click(); })()")
        tools.wait_for("document.getElementById('call').textContent === 'PI6ATV'")
        if "Text1=PI6ATV" not in settings.read_text():
            failures.append("the caption did not reach the settings file")
        # The colour bars, chosen in the list.
        tools.evaluate("(() => { const c = document.getElementById('card'); c.value = '2';"
                       " c.dispatchEvent(new Event('change')); })()")
        tools.wait_for("document.getElementById('shown').textContent === '2'")
        if "chosen_card=2" not in settings.read_text():
            failures.append("the card did not reach the settings file")
        time.sleep(2.5)  # the picture refreshes each second
        box = tools.evaluate("JSON.stringify(document.getElementById('picture')"
                             ".getBoundingClientRect())")
        shot = base64.b64decode(tools.call("Page.captureScreenshot", format="png")["data"])
        if keep_screenshot:
            Path(keep_screenshot).write_bytes(shot)
        width, height, page = png_pixels(shot)
        scale = width / tools.evaluate("window.innerWidth")
        box = {k: v * scale for k, v in json.loads(box).items()}
        _, _, bars = png_pixels(Path(folder, "bars.png").read_bytes())
        # Across the colour bars, the page shows the still's colours: at the middle of each
        # run of one colour in the still's row (edges blur when the page scales it down).
        row, mismatches, runs = int(0.6 * 608), [], []
        start = 0
        for x in range(1, 809):
            if x == 808 or bars[row][x] != bars[row][start]:
                if x - start >= 40:
                    runs.append((start + x) // 2)
                start = x
        for x in runs:
            seen = page[int(box["y"] + 0.6 * box["height"])][int(box["x"] + x / 808 * box["width"])]
            sent = bars[row][x]
            if max(abs(a - b) for a, b in zip(seen, sent)) > 40:
                mismatches.append((x, seen, sent))
        if len(runs) < 6:
            failures.append(f"the still has no colour bars where they were looked for: {runs}")
        if mismatches:
            failures.append(f"the page's picture is not the colour bars: {mismatches}")
        # Stop and start the stream into the file.
        tools.evaluate("document.getElementById('stop').click()")
        tools.wait_for("document.getElementById('stream').textContent.startsWith('not streaming')")
        stopped = recording.stat().st_size
        time.sleep(1.5)
        if recording.stat().st_size != stopped:
            failures.append("the recording grew after Stop")
        tools.evaluate("document.getElementById('start').click()")
        tools.wait_for("document.getElementById('stream').textContent.startsWith('streaming')")
        time.sleep(1.5)
        if recording.stat().st_size == 0:
            failures.append("nothing was recorded after Start")
    except Exception as problem:  # noqa: BLE001 - reported as the test's failure
        failures.append(f"{type(problem).__name__}: {problem}")
    finally:
        tools.close()
        program.terminate()
        program.wait(15)

for failure in failures:
    print("FAIL:", failure)
sys.exit(1 if failures else 0)
