#!/usr/bin/env bash
# Sets up, builds and runs every test headless: the Linux build's (CTest), then the Windows
# build's under Wine (scripts/test-windows.sh; the first run builds Qt for Windows, about 30
# minutes, and caches it). KALVORA_SKIP_WINDOWS=1 leaves the Windows part out.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
"$here/build.sh"
(cd "$here/../build" && ctest --output-on-failure --timeout 300 -j "$(nproc)")
if [ "${KALVORA_SKIP_WINDOWS:-}" != 1 ]; then
    "$here/test-windows.sh"
fi
