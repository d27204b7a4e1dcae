#!/usr/bin/env bash
# The real program on a real X server (Xvfb): it starts, the control panel appears and is
# photographed, its buttons bring the patterns to the front without taking the keyboard, and
# closing the panel ends the process with exit code 0. In a second run the settings cannot be
# saved while the operator types, and the warning that says so must not take the keyboard.
#   smoke_xvfb.sh KALVORA HELPER SCREENSHOT.png
set -euo pipefail
kalvora=$1 helper=$2 screenshot=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$kalvora" "$work/kalvora"
unset QT_QPA_PLATFORM WAYLAND_DISPLAY

# run WINDOW_MANAGER HOME SCREENSHOT [HELPER OPTIONS...]
run() {
    local manager=$1 home=$2 shot=$3
    shift 3
    mkdir -p "$home"
    HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data" \
        XDG_RUNTIME_DIR="$home/runtime" MANAGER="$manager" \
        xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
        mkdir -p -m 700 "$XDG_RUNTIME_DIR"
        if [ "$MANAGER" != none ]; then
            "$MANAGER" &
            sleep 1
        fi
        "$1/kalvora" &
        pid=$!
        if ! "$2" "$3" "${@:4}"; then
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
    ' _ "$work" "$helper" "$shot" "$@"
}

# Stacking and focus as the program itself sets them, with no window manager to help; the
# warning as on a desktop, where a window manager gives new windows the keyboard unless they
# ask it not to.
run none "$work/home" "$screenshot"
run openbox "$work/unwritable" "${screenshot%.png}-warning.png" --warning
