#!/usr/bin/env bash
# Installs what is missing (scripts/setup-debian.sh), configures (once) and builds Kalvora in
# build/.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup-debian.sh
if [ ! -f build/build.ninja ]; then
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build build --parallel "$(nproc)"
