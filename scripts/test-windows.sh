#!/usr/bin/env bash
# Builds the Windows version (scripts/build-windows.sh) and tests it under Wine: every test
# program (CTest, with Wine as the emulator), then the real kalvora.exe on a virtual X server
# as an operator would use it: the panel comes up, typing reaches the registry, the registry
# comes back, the ticker dialog writes TickerTape.txt in Windows-1252 beside the program,
# --snapshot draws what the Linux build draws, the portable Kalvora.ini, the stream (UDP, a
# recording, RTMP, SRT, received on the Linux side), Uitzenden with a transmitter chosen by name,
# and the installer.
# Each part runs in a Wine prefix of its own, so that the registry starts empty.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
./scripts/build-windows.sh
./scripts/build.sh >/dev/null # the Linux build, for the snapshot it is compared with
build=$root/build-windows
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine=$(command -v wine64 || command -v wine)
wineserver() { "$(dirname "$wine")/wineserver" "$@"; }
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    WINEPREFIX=$work/prefix wineserver -k 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

exec 3>"$work/display"
Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 1280x1024x24 >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=:$(head -n1 "$work/display")
openbox >/dev/null 2>&1 & # activating a window goes through a window manager
pids+=($!)

fresh_prefix() {
    WINEPREFIX=$work/prefix wineserver -k 2>/dev/null || true
    rm -rf "$work/prefix"
    export WINEPREFIX=$work/prefix
    "$wine" wineboot -i >/dev/null 2>&1
}

started=$(date +%s)
fresh_prefix
echo "Windows tests: Wine prefix ready in $(( $(date +%s) - started )) s"
# Wine can be racy: a failed test program runs once more, judged by its exit code.
(cd "$build" && CMAKE_CROSSCOMPILING_EMULATOR="$wine" ctest --timeout 300 --output-on-failure \
    --repeat until-pass:2) || exit 1

failures=0
fail() {
    echo "FAIL [windows] $*" >&2
    failures=$((failures + 1))
}
settings_key='HKCU\Software\VB and VBA Program Settings\Kalvora\settings'
reg_value() { "$wine" reg query "$settings_key" /v "$1" 2>/dev/null | tr -d '\r' | awk -v k="$1" '$1 == k {print $3}'; }

# A copy of the unzipped package, as an operator would have it.
program=$work/program
mkdir -p "$program"
(cd "$program" && unzip -q "$build"/package/*.zip && mv Kalvora-*/* . && rmdir Kalvora-*)
start_kalvora() {
    (cd "$program" && "$wine" kalvora.exe >/dev/null 2>&1) &
    pids+=($!)
    # Searched again each second: a window that goes while xdotool walks the tree (Wine's own,
    # at start) ends a search with BadWindow.
    panel=
    for _ in $(seq 60); do
        panel=$(xdotool search --onlyvisible --name '^Kalvora Generator$' 2>/dev/null | head -n1)
        [ -n "$panel" ] && break
        sleep 1
    done
    [ -n "$panel" ] || { fail "the control panel did not come up"; return 1; }
    sleep 1
}
# Text1 is the third stop after the first button, where the keyboard is at start.
type_into_text1() {
    xdotool windowactivate --sync "$panel" >/dev/null 2>&1 || true
    xdotool key --delay 100 Tab Tab Tab ctrl+a
    xdotool type --delay 100 "$1"
    sleep 1
}
stop_kalvora() {
    xdotool windowactivate --sync "$panel" key ctrl+q 2>/dev/null || true
    sleep 2
    timeout 30 "$(dirname "$wine")/wineserver" -w 2>/dev/null || fail "Kalvora did not end"
}

# The panel, a typed call sign in the registry, a stored value back in its field.
fresh_prefix
"$wine" reg add "$settings_key" /v Text3 /d PA3XYZ /f >/dev/null
if start_kalvora; then
    type_into_text1 QQ0TST
    sleep 1
    [ "$(reg_value Text1)" = QQ0TST ] || fail "typed call sign not in the registry: '$(reg_value Text1)'"
    # The ticker dialog: text with an e acute, saved.
    xdotool key alt+t
    sleep 2
    # From Save back to Enabled (ticked, or the text box stays greyed), back to the text,
    # then forward past Enabled to Save.
    xdotool key --delay 100 shift+Tab space shift+Tab
    xdotool type --delay 100 "Caf$(printf '\xc3\xa9') 73"
    xdotool key --delay 100 Tab Tab space
    sleep 2
    [ "$(od -An -tx1 "$program/TickerTape.txt" | tr -d ' \n')" = 436166e9203733 ] ||
        fail "TickerTape.txt is not 'Café 73' in Windows-1252: $(od -An -tx1 "$program/TickerTape.txt")"
    stop_kalvora
fi
# The registry's value on the pattern, and the same picture as the Linux build (same fonts).
"$wine" "$build/wine_launcher.exe" "QT_QPA_FONTDIR=Z:$build/fonts" -- "$program/kalvora.exe" \
    --snapshot "Z:$work/windows.png" --pattern 2 || fail "--snapshot failed"
mkdir -p "$work/linux/Kalvora"
printf '[settings]\nText3=PA3XYZ\nText1=QQ0TST\n' >"$work/linux/Kalvora/Kalvora.ini"
QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME=$work/linux build/app/kalvora \
    --snapshot "$work/linux.png" --pattern 2
QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME=$work/none build/app/kalvora \
    --snapshot "$work/default.png" --pattern 2
QT_QPA_PLATFORM=offscreen build/tests/same_picture "$work/windows.png" "$work/linux.png" \
    "$work/default.png" || fail "--snapshot under Windows differs from the Linux build's"

# Portable: a Kalvora.ini beside the program takes the settings; the registry stays empty.
fresh_prefix
printf '[settings]\n' >"$program/Kalvora.ini"
if start_kalvora; then
    type_into_text1 PORT1
    sleep 1
    stop_kalvora
    grep -q '^Text1=PORT1' "$program/Kalvora.ini" || fail "portable: Kalvora.ini has no Text1=PORT1"
    [ -z "$(reg_value Text1)" ] || fail "portable: the registry was written"
fi
rm -f "$program/Kalvora.ini"

# The stream from kalvora.exe, taken in on the Linux side: over UDP timed by the kernel's clock
# (the Linux build's stream_timing: the PCR and table intervals, the rate against the wall
# clock), a recording as receivers list it, RTMP into nginx, SRT into srt-live-transmit.
fresh_prefix
printf '[settings]\nText1=PI6ATV\n' >"$program/Kalvora.ini"
# stream_seconds SECONDS ARGUMENTS...: kalvora.exe streams for that long, then is ended.
stream_seconds() {
    local seconds=$1
    shift
    (cd "$program" && timeout -s KILL "$seconds" "$wine" kalvora.exe --stream "$@" >/dev/null 2>&1) \
        2>/dev/null || true
}
timing=$("$root/build/tools/stream_timing" 20 0 2000000 "$wine" "$program/kalvora.exe" \
    --stream 'udp://127.0.0.1:{port}' --muxrate 2M 2>/dev/null) || true
ratio=$(sed -n 's/^whole run .* rate \([0-9.]*\) %.*/\1/p' <<<"$timing")
grep -q '^no faults' <<<"$timing" && awk -v r="${ratio:-0}" 'BEGIN {exit !(r > 99.9 && r < 100.1)}' ||
    fail "the UDP stream from kalvora.exe: $timing"
stream_seconds 6 "Z:$work/windows.ts" --audio tone --muxrate 1.5M
probed=$(ffprobe -v error -show_streams -show_programs -of flat "$work/windows.ts" 2>&1 || true)
for expected in 'service_name="PI6ATV"' 'pmt_pid=4095' 'streams.stream.0.id="0x100"' \
    'codec_name="h264"' 'streams.stream.1.id="0x101"' 'codec_name="aac"'; do
    grep -qF "$expected" <<<"$probed" || fail "the recording from kalvora.exe lacks $expected"
done
rtmp_port=$((20000 + RANDOM % 20000))
mkdir -p "$work/nginx"
printf 'load_module /usr/lib/nginx/modules/ngx_rtmp_module.so;\ndaemon off;\npid %s/nginx.pid;\nerror_log %s/error.log;\nevents { worker_connections 32; }\nrtmp { server { listen 127.0.0.1:%s; application live { live on; } } }\n' \
    "$work/nginx" "$work/nginx" "$rtmp_port" >"$work/nginx/nginx.conf"
/usr/sbin/nginx -c "$work/nginx/nginx.conf" -p "$work/nginx" &
pids+=($!)
sleep 1
stream_seconds 20 "rtmp://127.0.0.1:$rtmp_port/live/atv" --audio silence &
sender=$!
for _ in 1 2 3; do # until kalvora.exe has started and published
    sleep 3
    pulled=$(timeout 10 ffprobe -v error -show_streams -of flat \
        "rtmp://127.0.0.1:$rtmp_port/live/atv" 2>&1 || true)
    grep -qF 'codec_name="h264"' <<<"$pulled" && break
done
wait "$sender"
grep -qF 'codec_name="h264"' <<<"$pulled" || fail "RTMP from kalvora.exe into nginx: $pulled"
srt_port=$((20000 + RANDOM % 20000))
srt-live-transmit -q "srt://127.0.0.1:$srt_port?mode=listener" file://con >"$work/srt.ts" &
listener=$!
sleep 0.5
stream_seconds 5 "srt://127.0.0.1:$srt_port"
kill "$listener" 2>/dev/null || true
grep -qF 'pmt_pid=4095' <<<"$(ffprobe -v error -show_programs -of flat "$work/srt.ts" 2>&1)" ||
    fail "SRT from kalvora.exe into srt-live-transmit: nothing received"
rm -f "$program/Kalvora.ini"

# The panel's Bestand > Uitzenden, a transmitter chosen by name from the keyboard: the SDR
# software on this PC (udp://127.0.0.1:5004) at 1000 kS, DVB-S2 QPSK 2/3, taken in on the Linux
# side: no faults, the channel's mux rate against the wall clock, the call sign as the service,
# the choice kept.
fresh_prefix
printf '[settings]\nText1=PI6ATV\n' >"$program/Kalvora.ini"
"$root/build/tools/stream_timing" --port 5004 --save "$work/sdr.ts" 10 0 1322252 sleep 120 \
    >"$work/sdr.timing" 2>&1 &
timing_pid=$!
pids+=($timing_pid)
if start_kalvora; then
    xdotool windowactivate --sync "$panel" >/dev/null 2>&1 || true
    xdotool key --delay 200 alt+b z
    sleep 2
    # Four down the list to the SDR software, on to the symbol rate, past FEC and modulation to
    # Start.
    xdotool key --delay 150 Down Down Down Down Tab Tab Tab ctrl+a
    xdotool type --delay 100 1000
    xdotool key --delay 150 Tab Tab Tab space
    wait "$timing_pid" || true
    # Stop (the button still has the keyboard), Uitzenden closed, then Ctrl+Q on the panel: the
    # program ends, the stream's threads with it.
    xdotool key --delay 500 space Escape
    sleep 1
    stop_kalvora
    timing=$(cat "$work/sdr.timing")
    ratio=$(sed -n 's/^whole run .* rate \([0-9.]*\) %.*/\1/p' <<<"$timing")
    grep -q '^no faults' <<<"$timing" && awk -v r="${ratio:-0}" 'BEGIN {exit !(r > 99.9 && r < 100.1)}' ||
        fail "Uitzenden to the SDR software: $timing"
    grep -qF 'service_name="PI6ATV"' <<<"$(ffprobe -v error -show_programs -of flat "$work/sdr.ts" 2>&1)" ||
        fail "Uitzenden to the SDR software: no service PI6ATV"
    for kept in stream_destination=sdr stream_url=udp://127.0.0.1:5004 \
        'stream_options=--symbol-rate 1000k --fec 2/3 --modulation dvbs2-qpsk'; do
        grep -qxF "$kept" <(tr -d '\r' <"$program/Kalvora.ini") || fail "Uitzenden did not keep $kept"
    done
else
    kill "$timing_pid" 2>/dev/null || true
fi
rm -f "$program/Kalvora.ini"

# The installer: silent, per user; the installed program starts; the uninstaller removes it and
# leaves the settings.
fresh_prefix
"$wine" "$build"/package/Kalvora-*-setup.exe /S
installed="$WINEPREFIX/drive_c/users/$(id -un)/AppData/Local/Programs/Kalvora"
[ -f "$installed/kalvora.exe" ] || fail "the installer put no kalvora.exe in $installed"
shortcut="$WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Kalvora.lnk"
[ -f "$shortcut" ] || fail "no Start-menu entry"
"$wine" reg add "$settings_key" /v Text1 /d KEEP1 /f >/dev/null
"$wine" "$installed/kalvora.exe" --version >/dev/null 2>&1 || fail "the installed program does not start"
(cd "$installed" && timeout -s KILL 5 "$wine" kalvora.exe --stream "Z:$work/installed.ts" \
    >/dev/null 2>&1) 2>/dev/null || true
grep -qF 'codec_name="h264"' <<<"$(ffprobe -v error -show_streams -of flat "$work/installed.ts" 2>&1)" ||
    fail "the installed program does not stream"
# In place (_?=), so that it has finished when it returns.
"$wine" "$installed/uninstall.exe" /S "_?=C:\\users\\$(id -un)\\AppData\\Local\\Programs\\Kalvora" || true
sleep 2
[ ! -f "$installed/kalvora.exe" ] || fail "the uninstaller left kalvora.exe"
[ ! -f "$shortcut" ] || fail "the uninstaller left the Start-menu entry"
[ "$(reg_value Text1)" = KEEP1 ] || fail "the uninstaller removed the settings"

echo "Windows tests: $failures failure(s), $(( $(date +%s) - started )) s"
[ "$failures" -eq 0 ]
