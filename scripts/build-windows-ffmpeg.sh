#!/usr/bin/env bash
# Builds the stream's libraries for 64-bit Windows with MinGW-w64 from Debian's own source
# packages, once, into the cache folder beside the cross-built Qt: mbedtls (SRT's encryption),
# libsrt, x264, x265, then FFmpeg with only what Kalvora uses (the encoders libx264, libx265,
# mpeg2video and aac; the muxers mpegts and flv; the protocols file, udp, tcp, rtmp and srt;
# libswscale and libswresample), as DLLs. Each part is kept as it is finished, so a run that
# stopped half-way, or a newer FFmpeg alone, builds only what is missing.
#   build-windows-ffmpeg.sh         prints the prefix on its last line
# Beside the libraries: share/licenses/<part>/ with each part's licence texts, and
# share/licenses/SOURCES.txt naming the Debian source packages they were built from.
set -euo pipefail
. "$(dirname "$0")/windows-cache.sh"
host=x86_64-w64-mingw32
jobs=$(nproc)

# The Debian source package's version as the archive has it now (newest first).
source_version() {
    apt-cache showsrc "$1" 2>/dev/null | sed -n 's/^Version: //p' | sort -rV | head -n1
}
ffmpeg_version=$(source_version ffmpeg)
[ -n "$ffmpeg_version" ] || {
    echo "Kalvora Windows build: no source package for ffmpeg (scripts/setup-windows.sh adds" \
        "the deb-src line)" >&2
    exit 1
}
prefix="$cache/ffmpeg-${ffmpeg_version#*:}-mingw64"
if [ -f "$prefix/.complete" ]; then
    echo "$prefix"
    exit 0
fi
mkdir -p "$prefix/share/licenses" "$cache/source/ffmpeg-parts"
work="$cache/source/ffmpeg-parts"
started=$(date +%s)
export PKG_CONFIG_LIBDIR="$prefix/lib/pkgconfig"
export PKG_CONFIG_PATH=""

# unpack PACKAGE: Debian's source with Debian's patches, in $work/PACKAGE; prints the folder.
# A version the index lists but the archive no longer holds is passed over for the one before.
unpack() {
    local package=$1 version
    cd "$work"
    rm -rf "$package" "${package}"_*
    for version in $(apt-cache showsrc "$package" | sed -n 's/^Version: //p' | sort -rV); do
        apt-get source --download-only "$package=$version" >"$package.fetch.log" 2>&1 && break
    done
    ls "$package"_*.dsc >/dev/null 2>&1 || {
        echo "Kalvora Windows build: cannot fetch the source of $package" >&2
        exit 1
    }
    dpkg-source --no-check -x "$package"_*.dsc "$package" >"$package.unpack.log" 2>&1
    echo "$(cd "$package" && pwd)"
    # What it was built from, for anyone who wants the corresponding source.
    echo "$package $(sed -n 's/^Version: //p' "$package"_*.dsc)" >>"$prefix/share/licenses/SOURCES.txt"
}

# licences PART FILE...: the part's licence texts, kept beside the libraries.
licences() {
    local part=$1
    shift
    mkdir -p "$prefix/share/licenses/$part"
    cp "$@" "$prefix/share/licenses/$part/"
}

# part NAME: true when NAME is built already.
done_part() { [ -f "$prefix/.complete-$1" ]; }
finish_part() {
    touch "$prefix/.complete-$1"
    echo "Kalvora Windows build: $1 for MinGW in $(($(date +%s) - $2)) s" >&2
}

log() { echo "$work/$1.log"; }
run_logged() {
    local name=$1
    shift
    "$@" >>"$(log "$name")" 2>&1 || {
        tail -40 "$(log "$name")" >&2
        exit 1
    }
}

cmake_part() {
    local name=$1 source=$2
    shift 2
    rm -rf "$work/$name-build"
    run_logged "$name" cmake -S "$source" -B "$work/$name-build" -G Ninja \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_FIND_ROOT_PATH="$prefix;/usr/$host" "$@"
    run_logged "$name" cmake --build "$work/$name-build" --parallel "$jobs"
    run_logged "$name" cmake --install "$work/$name-build"
}

if ! done_part mbedtls; then
    t=$(date +%s)
    src=$(unpack mbedtls)
    cmake_part mbedtls "$src" -DENABLE_PROGRAMS=OFF -DENABLE_TESTING=OFF \
        -DUSE_STATIC_MBEDTLS_LIBRARY=ON -DUSE_SHARED_MBEDTLS_LIBRARY=OFF
    licences mbedtls "$src/LICENSE" "$src/debian/copyright"
    finish_part mbedtls "$t"
fi

if ! done_part srt; then
    t=$(date +%s)
    src=$(unpack srt)
    cmake_part srt "$src" -DENABLE_APPS=OFF -DENABLE_SHARED=OFF -DENABLE_STATIC=ON \
        -DENABLE_ENCRYPTION=ON -DUSE_ENCLIB=mbedtls -DMBEDTLS_INCLUDE_DIR="$prefix/include" \
        -DMBEDTLS_LIB="$prefix/lib/libmbedtls.a" -DMBEDCRYPTO_LIB="$prefix/lib/libmbedcrypto.a" \
        -DMBEDX509_LIB="$prefix/lib/libmbedx509.a" \
        -DENABLE_STDCXX_SYNC=ON -DENABLE_UNITTESTS=OFF
    # Its pkg-config file names mbedtls's archives by path, which pkg-config puts before -lsrt:
    # by name, in the order a static link needs.
    sed -i "s|$prefix/lib/libmbedtls.a $prefix/lib/libmbedcrypto.a $prefix/lib/libmbedx509.a|-lmbedtls -lmbedx509 -lmbedcrypto|" \
        "$prefix/lib/pkgconfig/srt.pc"
    grep -q -- '-lmbedtls -lmbedx509 -lmbedcrypto' "$prefix/lib/pkgconfig/srt.pc"
    licences srt "$src/LICENSE" "$src/debian/copyright"
    finish_part srt "$t"
fi

if ! done_part x264; then
    t=$(date +%s)
    src=$(unpack x264)
    cd "$src"
    run_logged x264 ./configure --host="$host" --cross-prefix="$host-" --prefix="$prefix" \
        --enable-static --enable-pic --disable-cli --disable-opencl --disable-lavf \
        --disable-swscale --disable-ffms --disable-gpac --disable-lsmash
    run_logged x264 make -j"$jobs"
    run_logged x264 make install
    licences x264 "$src/COPYING" "$src/debian/copyright"
    finish_part x264 "$t"
fi

if ! done_part x265; then
    t=$(date +%s)
    src=$(unpack x265)
    # 8-bit only, as the stream sends; no command-line program.
    cmake_part x265 "$src/source" -DENABLE_SHARED=OFF -DENABLE_CLI=OFF -DENABLE_ASSEMBLY=ON \
        -DCMAKE_ASM_NASM_FLAGS=-w-macro-params-legacy
    licences x265 "$src/COPYING" "$src/debian/copyright"
    finish_part x265 "$t"
fi

if ! done_part ffmpeg; then
    t=$(date +%s)
    src=$(unpack ffmpeg)
    rm -rf "$work/ffmpeg-build"
    mkdir -p "$work/ffmpeg-build"
    cd "$work/ffmpeg-build"
    # GPL for x264 and x265, version 3 for mbedtls's Apache licence: Kalvora is GPL-3.0+.
    run_logged ffmpeg "$src/configure" --prefix="$prefix" --target-os=mingw32 --arch=x86_64 \
        --cross-prefix="$host-" --cc="$host-gcc-posix" --cxx="$host-g++-posix" \
        --pkg-config=pkg-config --pkg-config-flags=--static \
        --enable-gpl --enable-version3 --enable-shared --disable-static \
        --disable-programs --disable-doc --disable-debug --disable-everything \
        --disable-avdevice --disable-avfilter --disable-postproc --enable-network \
        --enable-libx264 --enable-libx265 --enable-libsrt \
        --enable-encoder=libx264,libx265,mpeg2video,aac \
        --enable-muxer=mpegts,flv \
        --enable-protocol=file,udp,tcp,rtmp,libsrt \
        --enable-swscale --enable-swresample \
        --extra-libs="-lstdc++ -lws2_32 -lbcrypt"
    run_logged ffmpeg make -j"$jobs"
    run_logged ffmpeg make install
    licences ffmpeg "$src/COPYING.GPLv3" "$src/COPYING.LGPLv2.1" "$src/LICENSE.md" \
        "$src/debian/copyright"
    finish_part ffmpeg "$t"
fi

sort -u -o "$prefix/share/licenses/SOURCES.txt" "$prefix/share/licenses/SOURCES.txt"
rm -rf "$work"
echo "built in $(($(date +%s) - started)) s" >"$prefix/.complete"
echo "Kalvora Windows build: FFmpeg ${ffmpeg_version#*:} and its libraries for MinGW built" \
    "into $prefix ($(cat "$prefix/.complete"))" >&2
echo "$prefix"
