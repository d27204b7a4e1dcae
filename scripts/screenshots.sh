#!/usr/bin/env bash
# Remakes docs/screenshots/*.png, the pictures in README.md.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
"$here/build.sh"
mkdir -p "$here/../docs/screenshots"
QT_QPA_PLATFORM="offscreen:configfile=$here/../tests/two-screens.json" "$here/../build/tools/screenshots" "$here/../docs/screenshots"
