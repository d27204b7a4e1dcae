#!/usr/bin/env bash
# Sets up, builds and runs every test headless; ends with CTest's summary.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
"$here/build.sh"
cd "$here/../build"
ctest --output-on-failure --timeout 300 -j "$(nproc)"
