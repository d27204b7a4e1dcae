#!/usr/bin/env bash
# What a network stream costs: the CPU (user and system, all processes) per second of
#   0. the floor: ffmpeg encoding frames handed over ready in memory (Kalvora's own frames,
#      recorded beforehand and converted to the encoder's input, 720 x 576 YUV 4:2:0, from
#      tmpfs), with the encoder's and the transport stream's settings Kalvora uses, sent evenly
#      at the mux rate as Kalvora sends (and, for comparison, unpaced);
#   1. kalvora --stream: H.264, 720 x 576, 25 frames per second, a transport stream over UDP;
#   2. the panel's stream (Bestand > Uitzenden; the program with its windows, off screen, and
#      pattern 1 on air: tools/panel_stream), with the same settings, less the same program
#      without a stream (its screens' own work: the timer-driven ticker, the windows);
#   3. kalvora --frames piped into ffmpeg, encoding with the same settings to the same place;
#   4. ffmpeg alone, drawing a comparable card (its test picture, a call sign, the running time,
#      a scrolling text) and encoding it with the same settings.
# A local reader takes the datagrams (its CPU is not counted). Prints each, and Kalvora's
# streams as a share of the floor (goal: at most 1.1) and of the pipe and ffmpeg alone.
#
# With "timing" instead: the rate that arrives against the wall clock (goal: within 0.05 % over
# any minute), the worst quarter second (within 5 %) and the longest gap between datagrams
# (under 20 ms) of a DVB-S2 1.5 MS 4/5 stream, timed by the kernel (build/tools/stream_timing),
# once on a quiet machine and once with both cores busy.
#
# With "sizes": kalvora --stream at 1280 x 720 H.265 and 1920 x 1080 H.264 beside kalvora --frames
# piped into ffmpeg with the same encoder settings.
#
#   [ROUNDS=3] tools/stream_benchmark.sh BUILD_FOLDER [SECONDS] [timing|sizes]
#   (needs ffmpeg and python3)
set -euo pipefail
build=$(cd "$1" && pwd)
seconds=${2:-30}
mode=${3:-cpu}
command -v ffmpeg >/dev/null || { echo "ffmpeg is not installed" >&2; exit 2; }
work=$(mktemp -d)
trap 'kill ${reader:-} 2>/dev/null || true; rm -rf "$work"' EXIT

# Kalvora as a station runs it: its own copy, the ticker on, a step every 20 ms.
mkdir -p "$work/home/config/Kalvora" "$work/program"
cp "$build/app/kalvora" "$work/program/"
printf '[settings]\ntt_enabled=1\ntt_speed=20\nText1=PI6ATV\n' >"$work/home/config/Kalvora/Kalvora.ini"
text="Welcome to the PI6ATV test transmission - talk-back on 144.750 MHz - reports welcome"
printf '%s' "$text" >"$work/program/TickerTape.txt"
printf '%s' "$text" >"$work/ticker.txt"

if [ "$mode" = timing ]; then
    for busy in 0 2; do
        HOME="$work/home" XDG_CONFIG_HOME="$work/home/config" XDG_DATA_HOME="$work/home/data" \
            "$build/tools/stream_timing" "$seconds" "$busy" 2380794 "$work/program/kalvora" \
            --stream 'udp://127.0.0.1:{port}' --symbol-rate 1.5M --fec 4/5 --modulation dvbs2-qpsk
    done
    exit 0
fi

port=$((20000 + RANDOM % 20000))
python3 -c '
import socket, sys
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
s.bind(("127.0.0.1", int(sys.argv[1])))
while True:
    s.recv(65536)
' "$port" &
reader=$!
target="udp://127.0.0.1:$port?pkt_size=1316"
# The encoder's settings, in ffmpeg's words, as Kalvora sets them.
x264=(-c:v libx264 -preset veryfast -tune zerolatency -b:v 2M -maxrate 2M -bufsize 2M -g 25 -bf 0
      -pix_fmt yuv420p)

kalvora() {
    HOME="$work/home" XDG_CONFIG_HOME="$work/home/config" XDG_DATA_HOME="$work/home/data" \
        "$work/program/kalvora" "$@"
}
options=(--size 720x576 --fps 25 --video-bitrate 2M --keyframe-seconds 1)
stream() {
    timeout -s INT "$seconds" bash -c "$(declare -f kalvora); work=$work; kalvora --stream '$target' \
        ${options[*]}" 2>/dev/null || true
}
panel() {
    HOME="$work/home" XDG_CONFIG_HOME="$work/home/config" XDG_DATA_HOME="$work/home/data" \
        QT_QPA_PLATFORM=offscreen "$build/tools/panel_stream" "$seconds" "$work/program" \
        "${1:-$target}" "${options[*]}" 2>/dev/null || true
}
screens() { panel -; }
# The transport stream as Kalvora muxes it: at the video bitrate / 0.725 + 60 kbit/s, with a
# broadcast monitor's intervals.
ts=(-muxrate 2818620 -pcr_period 20 -pat_period 0.1 -sdt_period 0.5)
frames=/dev/shm/kalvora-benchmark-$$.yuv
[ -d /dev/shm ] || frames=$work/frames.yuv
trap 'kill ${reader:-} 2>/dev/null || true; rm -rf "$work" "$frames"' EXIT
# Kalvora's own frames for the floor, made before it is measured: its picture, in the encoder's
# own input format, at the stream's size and with its pixel shape.
record() {
    { timeout -s INT "$seconds" bash -c "$(declare -f kalvora); work=$work; kalvora --frames --fps 25 \
        --size 720x576" 2>/dev/null || true; } |
        ffmpeg -nostdin -loglevel error -f rawvideo -pixel_format bgra -video_size 720x576 \
            -framerate 25 -i - -pix_fmt yuv420p -f rawvideo -y "$frames"
}
# The floor sends as Kalvora does, evenly at the mux rate by the wall clock (FFmpeg's own
# paced UDP output); the unpaced one writes each frame's packets in a burst.
floor() {
    ffmpeg -nostdin -loglevel error -re -f rawvideo -pixel_format yuv420p -video_size 720x576 \
        -framerate 25 -i "$frames" -vf setsar=16/15 "${x264[@]}" "${ts[@]}" -f mpegts \
        "$target&bitrate=2818620"
}
unpaced() {
    ffmpeg -nostdin -loglevel error -re -f rawvideo -pixel_format yuv420p -video_size 720x576 \
        -framerate 25 -i "$frames" -vf setsar=16/15 "${x264[@]}" "${ts[@]}" -f mpegts "$target"
}
pipe() {
    { timeout -s INT "$seconds" bash -c "$(declare -f kalvora); work=$work; kalvora --frames --fps 25 \
        --size 720x576" 2>/dev/null || true; } |
        ffmpeg -nostdin -loglevel error -f rawvideo -pixel_format bgra -video_size 720x576 \
            -framerate 25 -i - -vf setsar=16/15 "${x264[@]}" -f mpegts "$target"
}
font=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf
graph="testsrc2=size=720x576:rate=25"
graph+=",drawtext=fontfile=$font:text=PI6ATV:fontsize=40:fontcolor=white:box=1:boxcolor=black:x=(w-tw)/2:y=56"
graph+=",drawtext=fontfile=$font:text='%{localtime\\:%H\\\\\\:%M\\\\\\:%S}':fontsize=28:fontcolor=white:x=460:y=262"
graph+=",drawtext=fontfile=$font:textfile=$work/ticker.txt:fontsize=28:fontcolor=black:box=1:boxcolor=white:x=w-mod(n*2\\,w+tw):y=536"
alone() {
    ffmpeg -nostdin -loglevel error -re -f lavfi -i "$graph" -t "$seconds" "${x264[@]}" \
        -f mpegts "$target"
}

# measure NAME: the CPU seconds of every process it ran, per second of the run.
measure() {
    local TIMEFORMAT='%U %S' user system
    { time "$1" >/dev/null; } 2>"$work/$1.time"
    read -r user system < <(tail -n 1 "$work/$1.time")
    echo "scale=4; ($user + $system) / $seconds" | bc -l
}

# A virtual machine's CPU time varies by a third from one run to the next: each is measured
# in turn, $rounds times over, and the mean taken; each round's own figures are kept too
# (round[NAME.N]), as the machine's pace moves all of a round together.
rounds=${ROUNDS:-3}
declare -A total round
measureAll() {
    local r name
    for r in $(seq "$rounds"); do
        for name in "$@"; do
            round[$name.$r]=$(measure "$name")
            total[$name]=$(echo "${total[$name]:-0} + ${round[$name.$r]} / $rounds" | bc -l)
        done
    done
}
# ratios EXPRESSION: the expression (of f, s, w, n: floor, stream, panel, panel without a
# stream) for each round, as a list.
ratios() {
    local r list=
    for r in $(seq "$rounds"); do
        list+=$(printf ' %.2f' "$(echo "f=${round[floor.$r]}; s=${round[stream.$r]}; \
            w=${round[panel.$r]}; n=${round[screens.$r]}; $1" | bc -l)")
    done
    echo "${list# }"
}
percent() { printf '%-40s %5.1f %% of a core\n' "$1" "$(echo "$2 * 100" | bc -l)"; }

if [ "$mode" = sizes ]; then
    # HD: kalvora --stream beside kalvora --frames piped into ffmpeg with the same encoder,
    # for $size and $codec.
    hdStream() {
        timeout -s INT "$seconds" bash -c "$(declare -f kalvora); work=$work; kalvora --stream \
            '$target' --size $size --fps 25 --codec $codec --video-bitrate 4M" 2>/dev/null || true
    }
    hdPipe() {
        local encoder=(-c:v libx264) rate=(-b:v 4M -maxrate 4M -bufsize 4M -g 25 -bf 0)
        [ "$codec" = hevc ] && encoder=(-c:v libx265 -x265-params log-level=error)
        { timeout -s INT "$seconds" bash -c "$(declare -f kalvora); work=$work; kalvora --frames \
            --fps 25 --size $size" 2>/dev/null || true; } |
            ffmpeg -nostdin -loglevel error -f rawvideo -pixel_format bgra -video_size "$size" \
                -framerate 25 -i - "${encoder[@]}" -preset veryfast -tune zerolatency "${rate[@]}" \
                -pix_fmt yuv420p -f mpegts "$target"
    }
    stream_hevc() { size=1280x720 codec=hevc hdStream; }
    pipe_hevc() { size=1280x720 codec=hevc hdPipe; }
    stream_h264() { size=1920x1080 codec=h264 hdStream; }
    pipe_h264() { size=1920x1080 codec=h264 hdPipe; }
    printf 'measuring %d s each, %d rounds...\n' "$seconds" "$rounds"
    measureAll stream_hevc pipe_hevc stream_h264 pipe_h264
    percent "kalvora --stream 1280x720 H.265" "${total[stream_hevc]}"
    percent "kalvora --frames | ffmpeg, the same" "${total[pipe_hevc]}"
    percent "kalvora --stream 1920x1080 H.264" "${total[stream_h264]}"
    percent "kalvora --frames | ffmpeg, the same" "${total[pipe_h264]}"
    exit 0
fi

printf 'recording %d s of frames for the floor...\n' "$seconds"
record
printf 'measuring %d s each, %d rounds...\n' "$seconds" "$rounds"
measureAll floor unpaced stream panel screens pipe alone
f=${total[floor]} u=${total[unpaced]} s=${total[stream]} w=${total[panel]} n=${total[screens]}
p=${total[pipe]} a=${total[alone]}
percent "floor: ffmpeg encoding ready frames" "$f"
percent "the same, sent unpaced" "$u"
percent "kalvora --stream" "$s"
percent "the panel streaming (Uitzenden)" "$w"
percent "the panel without a stream" "$n"
percent "kalvora --frames | ffmpeg" "$p"
percent "ffmpeg drawing and encoding alone" "$a"
printf 'kalvora --stream: %.2f x the floor (goal at most 1.1; %.2f x the unpaced one), %.2f x the pipe, %.2f x ffmpeg alone\n' \
    "$(echo "$s / $f" | bc -l)" "$(echo "$s / $u" | bc -l)" "$(echo "$s / $p" | bc -l)" \
    "$(echo "$s / $a" | bc -l)"
printf "the panel's stream (streaming less without): %.2f x the floor (goal at most 1.1)\n" \
    "$(echo "($w - $n) / $f" | bc -l)"
printf 'round by round: kalvora --stream %s; the panel %s x the floor\n' "$(ratios 's / f')" \
    "$(ratios '(w - n) / f')"
