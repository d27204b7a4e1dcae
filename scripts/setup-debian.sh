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
    libbenchmark-dev xvfb xauth libxtst-dev openbox
    # Two monitors on that server, driven as an operator would.
    x11-xserver-utils x11-utils xdotool
    # Making and checking the .deb.
    dpkg-dev file lintian
    # Compiles the Windows branches of every source (syntax only).
    g++-mingw-w64-x86-64-posix
    # localedef, for the regional time and date formats the clock tests use.
    locales
    # The network stream: FFmpeg's libraries to encode and mux; its tools, an RTMP server and
    # an SRT listener to check what was sent.
    libavcodec-dev libavformat-dev libavutil-dev libswscale-dev libswresample-dev
    ffmpeg nginx-light libnginx-mod-rtmp srt-tools
    # Running headless as a systemd service: its notify call, and the unit's checker.
    libsystemd-dev systemd
    # The station's web page: Qt's HTTP server (and the WebSockets module its package needs
    # but does not name); a real browser to test the page in.
    qt6-httpserver-dev qt6-websockets-dev chromium python3 openssl
    # MQTT: the client library; a broker and its command-line clients for the tests.
    libmosquitto-dev mosquitto mosquitto-clients
)

# Regional time and date formats for the clock tests (see tests/station_test.cpp).
test_locales=(en_US nl_NL)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done

missing_locales=()
for name in "${test_locales[@]}"; do
    locale -a 2>/dev/null | grep -qix "$name.utf8" || missing_locales+=("$name")
done

if ((${#missing[@]} == 0 && ${#missing_locales[@]} == 0)); then
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
if ((${#missing[@]} > 0)); then
    echo "Kalvora set-up: installing ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
for name in "${missing_locales[@]}"; do
    echo "Kalvora set-up: making the $name.UTF-8 locale"
    $sudo localedef -i "$name" -f UTF-8 "$name.UTF-8"
done
