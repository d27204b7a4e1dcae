#!/usr/bin/env bash
# What a streamed frame costs, Kalvora beside FFmpeg drawing a comparable picture: the test
# card, a call sign, the time and date, and a text scrolling along the bottom, 808 x 608 BGRA
# at 50 frames per second, both for the same number of seconds into a pipe. Prints the CPU time
# (user and system) per frame of each, and their ratio; and the floor, a finished frame only
# written out. Each runs twice, for 5 s and for 5 s
# more than asked; the difference leaves out starting up.
#
#   tools/compare_with_ffmpeg.sh BUILD_FOLDER [SECONDS]     (needs ffmpeg: apt-get install ffmpeg)
set -euo pipefail
build=$(cd "$1" && pwd)
seconds=${2:-20}
here="$(cd "$(dirname "$0")" && pwd)"
command -v ffmpeg >/dev/null || { echo "ffmpeg is not installed" >&2; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
frameBytes=$((808 * 608 * 4))

# Kalvora as a station would run it: its own copy, the ticker on, every 20 ms one step.
mkdir -p "$work/home/config/Kalvora" "$work/program"
cp "$build/app/kalvora" "$work/program/"
printf '[settings]\ntt_enabled=1\ntt_speed=20\nText1=PI6ATV\n' >"$work/home/config/Kalvora/Kalvora.ini"
text="Welcome to the PI6ATV test transmission - talk-back on 144.750 MHz - reports welcome"
printf '%s' "$text" >"$work/program/TickerTape.txt"
printf '%s' "$text" >"$work/ticker.txt"

# measure NAME STREAMER SECONDS: CPU seconds (user and system) of the streamer and the frames it
# gave, as "cpu frames". The counting of the bytes is not part of the time.
measure() {
    local name=$1 streamer=$2 length=$3
    local TIMEFORMAT='%U %S'
    { time "$streamer" "$length" > >(wc -c >"$work/$name.bytes") 2>/dev/null; } 2>"$work/$name.time"
    wait $! 2>/dev/null || sleep 1
    read -r user system < <(tail -n 1 "$work/$name.time")
    echo "$(echo "$user + $system" | bc -l) $(($(cat "$work/$name.bytes") / frameBytes))"
}

# run NAME STREAMER: STREAMER SECONDS streams for that long.
run() {
    local name=$1 streamer=$2
    read -r cpu1 frames1 < <(measure "$name" "$streamer" 5)
    read -r cpu2 frames2 < <(measure "$name" "$streamer" $((5 + seconds)))
    [ -z "${VERBOSE:-}" ] || echo "$name: $cpu1 s for $frames1 frames, $cpu2 s for $frames2" >&2
    perFrame=$(echo "($cpu2 - $cpu1) * 1000000 / ($frames2 - $frames1)" | bc -l)
    printf '%-8s %6d frames  %6.2f s CPU  %7.1f us per frame\n' "$name" $((frames2 - frames1)) \
        "$(echo "$cpu2 - $cpu1" | bc -l)" "$perFrame"
    echo "$perFrame" >"$work/$name.perframe"
}

kalvoraFor() {
    HOME="$work/home" XDG_CONFIG_HOME="$work/home/config" XDG_DATA_HOME="$work/home/data" \
        timeout -s INT "$1" "$work/program/kalvora" --frames --fps 50 || true
}

font=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf
graph="drawtext=fontfile=$font:text=PI6ATV:fontsize=40:fontcolor=white:box=1:boxcolor=black:x=(w-tw)/2:y=56"
graph+=",drawtext=fontfile=$font:text='%{localtime\\:%H\\\\\\:%M\\\\\\:%S}':fontsize=28:fontcolor=white:x=520:y=282"
graph+=",drawtext=fontfile=$font:text='%{localtime\\:%d-%m-%y}':fontsize=28:fontcolor=white:x=150:y=282"
graph+=",drawtext=fontfile=$font:textfile=$work/ticker.txt:fontsize=28:fontcolor=yellow:box=1:boxcolor=red:x=w-mod(n*2\\,w+tw):y=568"
# The picture is decoded once and repeated, cut to the window as Kalvora shows it; frames are
# let out in real time.
ffmpegFor() {
    ffmpeg -nostdin -loglevel error -i "$here/../pictures/pattern1.png" -filter_complex \
        "loop=loop=-1:size=1,setpts=N/50/TB,crop=808:608:8:0,format=bgra,$graph,realtime" \
        -t "$1" -r 50 -pix_fmt bgra -f rawvideo -
}

# The floor: a finished frame written as it is, 50 times a second.
copyFor() {
    python3 -c '
import os, sys, time
frame = bytes(808 * 608 * 4)
start = time.monotonic()
for n in range(int(sys.argv[1]) * 50):
    time.sleep(max(0, start + n / 50 - time.monotonic()))
    view = memoryview(frame)
    while view:
        view = view[os.write(1, view):]
' "$1"
}

run kalvora kalvoraFor
run ffmpeg ffmpegFor
run copy copyFor

ratio() { echo "$(cat "$work/$1.perframe") / $(cat "$work/$2.perframe")" | bc -l | cut -c1-5; }
echo "Kalvora / FFmpeg: $(ratio kalvora ffmpeg)   Kalvora / copy: $(ratio kalvora copy)"
