#!/usr/bin/env bash
# Installs what building Kalvora for Windows and testing it under Wine need on Debian 12, on top
# of scripts/setup-debian.sh: MinGW-w64, Wine, NSIS, zip, and a deb-src line so that Debian's
# Qt source can be fetched. Fast when nothing is missing.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
"$here/setup-debian.sh"
packages=(g++-mingw-w64-x86-64-posix wine64 nsis zip unzip nasm)
missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
        missing+=("$package")
done
need_sources=0
if ! grep -rqs '^Types:.*deb-src\|^deb-src ' /etc/apt/sources.list /etc/apt/sources.list.d/; then
    need_sources=1
fi
if ((${#missing[@]} == 0 && need_sources == 0)); then
    exit 0
fi
sudo=""
if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || {
        echo "Kalvora Windows set-up: not root and no sudo" >&2
        exit 1
    }
    sudo="sudo"
fi
if ((need_sources)); then
    # The same archive as the binary packages, for `apt-get source qt6-base`.
    if [ -f /etc/apt/sources.list.d/debian.sources ]; then
        sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources |
            $sudo tee /etc/apt/sources.list.d/kalvora-deb-src.sources >/dev/null
    else
        grep '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' |
            $sudo tee /etc/apt/sources.list.d/kalvora-deb-src.list >/dev/null
    fi
fi
$sudo apt-get update -qq
if ((${#missing[@]} > 0)); then
    echo "Kalvora Windows set-up: installing ${missing[*]}"
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
