#!/usr/bin/env bash
# Checks that every source builds for Windows as far as a compiler can tell without a Windows Qt:
# Debian's MinGW compiler defines Q_OS_WIN, so the Windows branches (registry settings, the ANSI
# code page, _write and _commit) are compiled against Debian's Qt headers, syntax only. It
# cannot link or run anything: it catches a POSIX call or header where Windows has none.
#   windows_syntax_check.sh SOURCE_DIR COMPILER QT_INCLUDE_DIR
set -euo pipefail
source_dir=$1 compiler=$2 qt=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Google Benchmark's header is plain C++ and serves the Windows compiler as it is.
mkdir -p "$work/include"
[ -d /usr/include/benchmark ] && ln -s /usr/include/benchmark "$work/include/benchmark"

# Stand-ins for what moc would generate.
for file in "$source_dir"/tests/*.cpp; do
    : > "$work/$(basename "${file%.cpp}").moc"
done

check() {
    "$compiler" -std=c++20 -fsyntax-only -w -DQT_WIDGETS_LIB -DQT_GUI_LIB -DQT_CORE_LIB \
        -DQT_TESTLIB_LIB -DKALVORA_VERSION='"0"' -DKALVORA_CONTACT_NAME='"x"' \
        -DKALVORA_CONTACT_EMAIL='"x"' -DKALVORA_WEB_ADDRESS='"x"' \
        -DKALVORA_EXECUTABLE='"kalvora.exe"' -DKALVORA_MANUAL_PAGE='"kalvora.1"' -I"$source_dir" -I"$source_dir/tests" -I"$work" -I"$work/include" \
        -I"$qt" -I"$qt/QtCore" -I"$qt/QtGui" -I"$qt/QtWidgets" -I"$qt/QtTest" "$1" 2>&1 ||
        { echo "does not build for Windows: $1"; return 1; }
}
export -f check
export compiler source_dir work qt

# Sources that exist only for Linux: the X server tests' helpers, the stream's encoder and its test
# (FFmpeg's libraries are not there for Windows), the web page's test (nor is Qt's network).
find "$source_dir"/{app,about,clock,files,pattern,platform,settings,station,stream,ticker,tickerdialog,tools,tests} -name '*.cpp' \
    ! -name 'x11_*.cpp' ! -name 'StreamEncoder.cpp' ! -name 'stream_test.cpp' \
    ! -name 'remote_test.cpp' | sort |
    xargs -P "$(nproc)" -I{} bash -c 'check "$@"' _ {} > "$work/log" || { cat "$work/log"; exit 1; }
echo "windows: every source compiles with Q_OS_WIN ($(basename "$compiler"))"
