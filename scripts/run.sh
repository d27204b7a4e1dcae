#!/usr/bin/env bash
# Sets up, builds and starts Kalvora on the current display.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
"$here/build.sh"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "Kalvora needs a display: neither DISPLAY nor WAYLAND_DISPLAY is set." >&2
    echo "Start it from a desktop session (or set DISPLAY)." >&2
    exit 1
fi
exec "$here/../build/app/kalvora" "$@"
