#!/usr/bin/env bash
# CTest's emulator for the Windows build: runs a Windows program under Wine with this
# environment's QT_* variables, which Wine would not hand on (see wine_launcher.cpp).
#   wine-run.sh PROGRAM.exe ARGUMENTS...
set -euo pipefail
wine=${KALVORA_WINE:-/usr/lib/wine/wine64}
launcher="$(dirname "$1")/wine_launcher.exe"
settings=()
while IFS= read -r setting; do settings+=("$setting"); done < <(env | grep '^QT_' || true)
exec "$wine" "$launcher" "${settings[@]}" -- "$@"
