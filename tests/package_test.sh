#!/usr/bin/env bash
# Builds the .deb, checks what it installs and what lintian says of it, and runs the installed
# program as a user who cannot write its folder: TickerTape.txt then comes from the user's
# data folder.
#   package_test.sh BUILD_DIR
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
chmod 755 "$work"

cpack --config "$build/CPackConfig.cmake" -B "$work/pkg" -G DEB > "$work/cpack.log" \
    || { cat "$work/cpack.log"; exit 1; }
deb=$(ls "$work"/pkg/kalvora_*.deb)
echo "package: $(basename "$deb")"

dpkg-deb -c "$deb" > "$work/contents"
for file in ./usr/bin/kalvora ./usr/share/applications/kalvora.desktop \
            ./usr/share/man/man1/kalvora.1.gz ./usr/share/doc/kalvora/copyright \
            ./usr/share/doc/kalvora/changelog.gz; do
    grep -q " $file\$" "$work/contents" || { echo "missing from the package: $file"; exit 1; }
done
for size in 16 22 24 32 48 64 128 256 512; do
    grep -q " ./usr/share/icons/hicolor/${size}x${size}/apps/kalvora.png\$" "$work/contents" ||
        { echo "missing from the package: the ${size} px icon"; exit 1; }
done

# A package a distribution would take: no lintian error or warning.
if command -v lintian > /dev/null; then
    lintian "$deb" > "$work/lintian" 2>&1 || true
    if grep -E '^[EW]:' "$work/lintian"; then
        echo "lintian has errors or warnings for the package"
        exit 1
    fi
    echo "package: lintian finds no error or warning"
else
    echo "package: lintian is not installed (scripts/setup-debian.sh installs it); not checked"
fi
depends=$(dpkg-deb -f "$deb" Depends)
echo "depends: $depends"
# The stream encodes with FFmpeg's libraries: the package brings them.
for needed in libqt6widgets6 fonts-liberation libavcodec libavformat libswscale; do
    [[ $depends == *"$needed"* ]] || { echo "the package does not depend on $needed"; exit 1; }
done
grep -q '^Exec=kalvora$' <(dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/applications/kalvora.desktop)

dpkg -x "$deb" "$work/root"
program="$work/root/usr/bin/kalvora"
user="$work/user"
mkdir -p "$user/config/Kalvora" "$user/data/Kalvora"
printf '[settings]\ntt_enabled=1\ntt_speed=10\ntt_regellengte=0\n' > "$user/config/Kalvora/Kalvora.ini"
printf 'From the data folder' > "$user/data/Kalvora/TickerTape.txt"

run=(env HOME="$user" XDG_CONFIG_HOME="$user/config" XDG_DATA_HOME="$user/data"
     XDG_RUNTIME_DIR="$user" "$program" --frames --fps 25)
if [ "$(id -u)" -eq 0 ]; then
    chown -R nobody "$user"
    run=(runuser -u nobody -- "${run[@]}")
else
    chmod -R a-w "$work/root/usr/bin"
fi
frame=$((808 * 608 * 4))
"${run[@]}" 2> "$work/errors" | head -c $((frame * 30)) > "$work/frames.raw" || true
[ "$(stat -c %s "$work/frames.raw")" -eq $((frame * 30)) ] || { cat "$work/errors"; exit 1; }

# The ticker strip (rows 565 to 607) moves between frame 5 and frame 25: the text was found.
strip() { dd if="$work/frames.raw" bs=808 skip=$(( ($1 * frame + 565 * 808 * 4) / 808 )) \
              count=$((43 * 4)) 2>/dev/null; }
if cmp -s <(strip 5) <(strip 25); then
    echo "the installed program did not run the ticker text from the user's data folder"
    exit 1
fi
[ ! -e "$work/root/usr/bin/TickerTape.txt" ]
echo "package: installed copy reads TickerTape.txt from the user's data folder"
