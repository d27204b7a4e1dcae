#!/usr/bin/env bash
# The real program on a real X server (Xvfb): it starts, the control panel appears and is
# photographed, and closing the panel ends the process with exit code 0.
#   smoke_xvfb.sh KALVORA HELPER SCREENSHOT.png
set -euo pipefail
kalvora=$1 helper=$2 screenshot=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$kalvora" "$work/kalvora"
export HOME="$work" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORM WAYLAND_DISPLAY

xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
    "$1/kalvora" &
    pid=$!
    if ! "$2" "$3"; then
        kill "$pid" 2>/dev/null || true
        exit 1
    fi
    for _ in $(seq 100); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    if kill -0 "$pid" 2>/dev/null; then
        echo "smoke: the program did not end when its control panel was closed" >&2
        kill "$pid"
        exit 1
    fi
    wait "$pid"
    rc=$?
    echo "smoke: kalvora exited with $rc"
    exit $rc
' _ "$work" "$helper" "$screenshot"
