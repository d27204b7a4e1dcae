#!/usr/bin/env bash
# Sets up, builds, packages and installs Kalvora on Debian 12 (as root, or through sudo).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
"$here/build.sh"
build="$here/../build"
(cd "$build" && cpack -G DEB -B "$build/package" > /dev/null)
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo apt-get install -y -qq "$(ls "$build"/package/kalvora_*.deb)"
echo "Kalvora $(dpkg-query -W -f='${Version}' kalvora) is installed: start it with 'kalvora'."
