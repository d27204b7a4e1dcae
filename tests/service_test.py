#!/usr/bin/env python3
"""The systemd user unit shipped as an example, checked as systemd reads it, and the program
as that unit starts it: it says ready, and "still alive" while its clock runs.

    service_test.py KALVORA UNIT
"""
import os
import shlex
import signal
import socket
import subprocess
import sys
import tempfile
import time
from pathlib import Path

kalvora, unit = sys.argv[1], Path(sys.argv[2])
failures = []

with tempfile.TemporaryDirectory() as folder:
    folder = Path(folder)
    # As installed, but with the program just built.
    text = unit.read_text().replace("/usr/bin/kalvora", kalvora)
    (folder / "kalvora.service").write_text(text)
    verify = subprocess.run(["systemd-analyze", "verify", "--man=no", str(folder / "kalvora.service")],
                            capture_output=True, text=True)
    # It warns of a line it ignores (a misspelt value) without failing: any word counts.
    said = (verify.stdout + verify.stderr).strip()
    if verify.returncode != 0 or said:
        failures.append(f"systemd-analyze verify: {said or verify.returncode}")

    exec_start = next(line.split("=", 1)[1] for line in text.splitlines()
                      if line.startswith("ExecStart="))
    # Tests send only to loopback: a port of our own, nobody on it.
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as free:
        free.bind(("127.0.0.1", 0))
        port = free.getsockname()[1]
    command = [word.replace("udp://127.0.0.1:1314", f"udp://127.0.0.1:{port}")
               for word in shlex.split(exec_start)]
    notify = socket.socket(socket.AF_UNIX, socket.SOCK_DGRAM)
    notify.bind(str(folder / "notify"))
    notify.settimeout(0.2)
    environment = dict(os.environ, NOTIFY_SOCKET=str(folder / "notify"), WATCHDOG_USEC="2000000",
                       XDG_CONFIG_HOME=str(folder / "config"),
                       XDG_STATE_HOME=str(folder / "state"))
    environment.pop("DISPLAY", None)
    program = subprocess.Popen(command, env=environment, stderr=subprocess.PIPE)
    heard = []
    deadline = time.monotonic() + 6
    while time.monotonic() < deadline:
        try:
            heard.extend(notify.recv(4096).decode().splitlines())
        except socket.timeout:
            pass
    program.send_signal(signal.SIGTERM)
    try:
        code = program.wait(15)
    except subprocess.TimeoutExpired:
        program.kill()
        code = "still running 15 s after SIGTERM"
    errors = program.stderr.read().decode()
    if "READY=1" not in heard:
        failures.append(f"never said READY=1: {heard} {errors}")
    if not any(line.startswith("STATUS=") for line in heard):
        failures.append(f"no STATUS= line: {heard}")
    # Each second from the clock: about six in six seconds.
    if heard.count("WATCHDOG=1") < 4:
        failures.append(f"WATCHDOG=1 {heard.count('WATCHDOG=1')} times in 6 s: {heard} {errors}")
    if code != 0:
        failures.append(f"exit code {code}: {errors}")

for failure in failures:
    print("FAIL:", failure)
sys.exit(1 if failures else 0)
