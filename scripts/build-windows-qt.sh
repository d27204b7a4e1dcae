#!/usr/bin/env bash
# Builds Debian's own Qt (the version the Linux build uses) for 64-bit Windows with MinGW-w64,
# once, into a cache folder outside the checkout; later runs find it there and return at once.
#   build-windows-qt.sh            prints the Qt prefix on its last line
# The cache folder is $KALVORA_WINDOWS_CACHE, by default /var/cache/kalvora-windows (root) or
# ~/.cache/kalvora-windows.
set -euo pipefail
. "$(dirname "$0")/windows-cache.sh"
version=$(dpkg-query -W -f='${Version}' qt6-base-dev | sed 's/+.*//')
prefix="$cache/qt-$version-mingw64"
if [ -f "$prefix/.complete" ]; then
    echo "$prefix"
    exit 0
fi

mkdir -p "$cache/source"
cd "$cache/source"
if ! ls qt6-base_"$version"*.orig.tar.xz >/dev/null 2>&1; then
    # Debian's source package of the Qt in use: a deb-src line for the same archive.
    if ! apt-get source --download-only qt6-base >/dev/null 2>&1; then
        echo "Kalvora Windows build: cannot fetch Qt's source (apt-get source qt6-base);" \
            "scripts/setup-windows.sh adds the deb-src line" >&2
        exit 1
    fi
fi
rm -rf qtbase build
mkdir qtbase build
tar -xf qt6-base_"$version"*.orig.tar.xz -C qtbase --strip-components=1
cd build
started=$(date +%s)
# Only what Kalvora and its tests use. Debian's tarball lacks wintab.h (no tablet events), and
# in 6.4.2 switching off direct2d altogether breaks the link of the Windows platform plugin.
../qtbase/configure -prefix "$prefix" -release -shared -qt-host-path /usr -xplatform win32-g++ \
    -nomake examples -nomake tests -no-dbus -opengl no -no-icu \
    -no-feature-sql -no-feature-network -no-feature-xml -no-feature-concurrent \
    -no-feature-printsupport -no-feature-direct2d1_1 -no-feature-tabletevent \
    -qt-zlib -qt-libpng -qt-libjpeg -qt-freetype -qt-harfbuzz -qt-pcre -qt-doubleconversion \
    -- -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake >configure.log 2>&1 ||
    { tail -40 configure.log >&2; exit 1; }
cmake --build . --parallel "$(nproc)" >build.log 2>&1 || { tail -40 build.log >&2; exit 1; }
cmake --install . >install.log 2>&1 || { tail -40 install.log >&2; exit 1; }
cd "$cache/source"
rm -rf qtbase build
echo "built in $(( $(date +%s) - started )) s" >"$prefix/.complete"
echo "Kalvora Windows build: Qt $version for MinGW built into $prefix ($(cat "$prefix/.complete"))" >&2
echo "$prefix"
