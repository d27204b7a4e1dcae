#!/usr/bin/env bash
# Installs what building, running and testing Kalvora needs on Debian 12. Fast when nothing is
# missing: it only asks apt when a package is not installed yet.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev
    # Fonts: Liberation stands in for Arial, DejaVu for Verdana.
    fontconfig fonts-liberation fonts-dejavu-core
    # The benchmark program, and a real X server for the smoke test.
    libbenchmark-dev xvfb xauth libxtst-dev
    # Making and checking the .deb.
    dpkg-dev file
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done

if ((${#missing[@]} == 0)); then
    exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    if ! command -v sudo >/dev/null; then
        echo "Kalvora set-up: these packages are missing and I am not root: ${missing[*]}" >&2
        exit 1
    fi
    sudo="sudo"
fi
echo "Kalvora set-up: installing ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
