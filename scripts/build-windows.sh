#!/usr/bin/env bash
# Builds Kalvora for 64-bit Windows on Debian 12: installs what is missing, builds Qt for MinGW
# once into a cache folder (scripts/build-windows-qt.sh), then kalvora.exe and its tests in
# build-windows/, and leaves in build-windows/package/:
#   Kalvora-<version>-windows-x64.zip   unzip and run
#   Kalvora-<version>-setup.exe         the installer (per user; /S installs silently)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
./scripts/setup-windows.sh
qt=$(./scripts/build-windows-qt.sh | tail -n1)
ffmpeg=$(./scripts/build-windows-ffmpeg.sh | tail -n1)

build=$root/build-windows
# CTest runs the test programs under Wine (tests/wine-run.sh).
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/packaging/windows/mingw-w64-x86_64.cmake" \
    -DCMAKE_PREFIX_PATH="$qt" -DQT_HOST_PATH=/usr -DKALVORA_WINDOWS_FFMPEG="$ffmpeg" \
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DCMAKE_CROSSCOMPILING_EMULATOR="$root/tests/wine-run.sh" >/dev/null
cmake --build "$build" --parallel "$(nproc)"

version=$(sed -n 's/^project(Kalvora VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
package=$build/package
name=Kalvora-$version-windows-x64
stage=$package/$name
rm -rf "$package"
mkdir -p "$stage"

# What kalvora.exe loads: Qt's libraries and the plugins it picks at run time (the Windows
# platform, the off-screen one for --snapshot and --frames, the native style, icons, JPEG for the
# operator's own cards; PNG is built into Qt's Gui), and
# MinGW's runtime. Qt's deploy tool cannot run in a cross build, so they are listed here.
runtime=(/usr/lib/gcc/x86_64-w64-mingw32/12-posix/libstdc++-6.dll
    /usr/lib/gcc/x86_64-w64-mingw32/12-posix/libgcc_s_seh-1.dll
    /usr/x86_64-w64-mingw32/lib/libwinpthread-1.dll)
# deploy FOLDER [EXTRA LIBRARY...]: puts them beside the programs in FOLDER.
deploy() {
    local folder=$1 library plugin
    shift
    cp "${runtime[@]}" "$folder/"
    cp "$ffmpeg"/bin/*.dll "$folder/" # FFmpeg's, with x264, x265, SRT and mbedtls inside
    for library in Core Gui Widgets "$@"; do cp "$qt/bin/Qt6$library.dll" "$folder/"; done
    for plugin in platforms/qwindows.dll platforms/qoffscreen.dll \
        styles/qwindowsvistastyle.dll imageformats/qico.dll imageformats/qjpeg.dll; do
        mkdir -p "$folder/$(dirname "$plugin")"
        cp "$qt/plugins/$plugin" "$folder/$plugin"
    done
}
deploy "$build" Test # the test programs run from there, under Wine
cp "$build/kalvora.exe" "$build/app/kalvora.ico" "$stage/"
deploy "$stage"
# Text files with Windows line ends, so that Notepad shows them as they are meant.
sed 's/$/\r/' README.md >"$stage/README.txt"
sed 's/$/\r/' LICENSE >"$stage/LICENSE.txt"
# Beside Kalvora's own, the licences of every library it carries, and the Debian source
# packages they were built from, so that anyone can get the corresponding source.
licences=$stage/licenses
mkdir -p "$licences/Qt" "$licences/MinGW"
qt_source=$(dirname "$qt")/source
tar -xf "$qt_source"/qt6-base_*.orig.tar.xz -C "$licences/Qt" --strip-components=2 \
    --wildcards '*/LICENSES/*.txt' --exclude '*LicenseRef-Qt-Commercial*'
tar -xf "$qt_source"/qt6-base_*.debian.tar.xz -O debian/copyright >"$licences/Qt/copyright"
cp /usr/share/doc/gcc-mingw-w64-base/copyright "$licences/MinGW/gcc-copyright"
cp /usr/share/doc/mingw-w64-common/copyright "$licences/MinGW/mingw-w64-copyright"
for part in "$ffmpeg"/share/licenses/*/; do cp -r "$part" "$licences/"; done
{
    echo "Built from these Debian source packages (apt-get source NAME=VERSION):"
    printf 'qt6-base\t%s\n' "$(sed -n 's/^Version: //p' "$qt_source"/qt6-base_*.dsc)"
    for package in gcc-mingw-w64-x86-64-posix-runtime mingw-w64-x86-64-dev; do
        dpkg-query -W -f='${source:Package}\t${source:Version}\n' "$package"
    done
    tr ' ' '\t' <"$ffmpeg/share/licenses/SOURCES.txt"
} | sed 's/$/\r/' >"$licences/SOURCES.txt"
x86_64-w64-mingw32-strip "$stage/kalvora.exe"

(cd "$package" && rm -f "$name.zip" && zip -qr -X "$name.zip" "$name")

# The installer lists the files it installs, so that its uninstaller removes exactly those.
(
    cd "$stage"
    find . -type d ! -name . | sed 's|^\./||; s|/|\\|g' | sort | while read -r dir; do
        echo "CreateDirectory \"\$INSTDIR\\$dir\""
    done
    find . -type f | sed 's|^\./||' | sort | while read -r file; do
        echo "File \"/oname=${file//\//\\}\" \"$stage/$file\""
    done
) >"$package/install-files.nsh"
(
    cd "$stage"
    find . -type f | sed 's|^\./||; s|/|\\|g' | sort | while read -r file; do
        echo "Delete \"\$INSTDIR\\$file\""
    done
    find . -type d ! -name . | sed 's|^\./||; s|/|\\|g' | sort -r | while read -r dir; do
        echo "RMDir \"\$INSTDIR\\$dir\""
    done
) >"$package/uninstall-files.nsh"
makensis -V2 -DVERSION="$version" -DSTAGE="$stage" \
    -DOUTFILE="$package/Kalvora-$version-setup.exe" packaging/windows/kalvora.nsi
echo "Windows build: $(cd "$package" && ls -s --block-size=K ./*.zip ./*.exe | tr '\n' ' ')"
