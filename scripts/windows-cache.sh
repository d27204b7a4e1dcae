# Sourced by the scripts that build the Windows build's own libraries (Qt, FFmpeg): sets
# `cache`, the folder they are kept in ($KALVORA_WINDOWS_CACHE, by default
# /var/cache/kalvora-windows as root or ~/.cache/kalvora-windows), and `toolchain`, the CMake
# file for MinGW-w64.
toolchain="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/packaging/windows/mingw-w64-x86_64.cmake"
if [ "$(id -u)" -eq 0 ]; then
    cache="${KALVORA_WINDOWS_CACHE:-/var/cache/kalvora-windows}"
else
    cache="${KALVORA_WINDOWS_CACHE:-$HOME/.cache/kalvora-windows}"
fi
