#!/usr/bin/env bash
# The real program on a real X server with two monitors and a window manager (Xvfb, RandR
# monitors, openbox), driven with xdotool as an operator would. After every step it checks what
# the monitors really show (a grab of the root window) against what the preview says is on air:
# the pattern chosen last is the one on the transmitter, in every station layout, at 1:1,
# fitted and filling, after Scherm and after the transmitter's monitor is unplugged and back.
#   two_monitor_x.sh KALVORA PROBE [SCENARIO...]
set -euo pipefail
kalvora=$1 probe=$2
shift 2
for tool in Xvfb xrandr xdotool xwininfo openbox; do
    if ! command -v "$tool" >/dev/null; then
        echo "two-monitor test skipped: $tool is not installed (scripts/setup-debian.sh installs it)"
        exit 0
    fi
done
work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    [ -n "${KEEP_WORK:-}" ] || rm -rf "$work"
}
trap cleanup EXIT
unset QT_QPA_PLATFORM WAYLAND_DISPLAY QT_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS
export XDG_RUNTIME_DIR=$work/runtime
mkdir -p -m 700 "$XDG_RUNTIME_DIR"

# The stills the probe tells the patterns apart by.
QT_QPA_PLATFORM=offscreen HOME=$work/stills XDG_CONFIG_HOME=$work/stills \
    "$kalvora" --snapshot "$work/pattern1.png"
QT_QPA_PLATFORM=offscreen HOME=$work/stills XDG_CONFIG_HOME=$work/stills \
    "$kalvora" --snapshot "$work/pattern2.png" --pattern 2

exec 3>"$work/display"
Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 2304x1792x24 >"$work/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=:$(head -n1 "$work/display")
openbox >"$work/openbox.log" 2>&1 &
pids+=($!)
sleep 1

failures=0
fail() {
    echo "FAIL [$scenario] $*" >&2
    "$probe" --save "$work/failure-$scenario.png" || true
    failures=$((failures + 1))
}

# monitors PRIMARY TRANSMITTER: each WxH+X+Y; the transmitter may be "none" (unplugged).
monitors() {
    xrandr --delmonitor TX >/dev/null 2>&1 || true
    xrandr --delmonitor PRI >/dev/null 2>&1 || true
    set_monitor PRI "$1" screen
    [ "$2" = none ] || set_monitor TX "$2" none
    xrandr --output screen --primary
}
set_monitor() {
    local name=$1 geometry=$2 output=$3 w h x y
    IFS='x+' read -r w h x y <<<"$geometry"
    xrandr --setmonitor "$name" "$w/$((w * 254 / 960))x$h/$((h * 254 / 960))+$x+$y" "$output"
}

# Which pattern an area shows, by the probe.
seen() { "$probe" "$work/pattern1.png" "$work/pattern2.png" "$@" 2>>"$work/probe.log"; }

# A window's client area on the screen, as X,Y,W,H (xdotool counts a frame's offset twice).
client_area() {
    xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
        /Width:/ {w=$NF} /Height:/ {h=$NF} END {print x "," y "," w "," h}'
}
preview_area() { client_area "$(xdotool search --onlyvisible --name '^Voorbeeld$' | head -n1)"; }

# expect WHAT STEP: the transmitter and the preview both show WHAT (1, 2 or none).
expect() {
    local want=$1 step=$2 shown
    sleep 0.8
    shown=$(seen "$tx_area" "$(preview_area):fit" | paste -sd' ')
    [ "$shown" = "$want $want" ] ||
        fail "after $step: transmitter and preview show '$shown', wanted '$want $want'"
}

# The control panel's buttons, by their places in its client area (below the menu bar).
press() {
    local x y
    case $1 in
    1) x=48 y=20 ;;
    2) x=132 y=20 ;;
    scherm) x=132 y=140 ;;
    esac
    local left top width height
    IFS=, read -r left top width height <<<"$(client_area "$panel")"
    xdotool mousemove $((left + x)) $((top + height - 194 + y)) click 1
}

# scenario NAME PRIMARY TRANSMITTER OUTPUT_SCREEN SCALE
run_scenario() {
    scenario=$1
    local primary=$2 transmitter=$3 output=$4 scale=$5 w h x y px
    monitors "$primary" "$transmitter"
    IFS='x+' read -r _ _ px _ <<<"$primary" # panel and preview go right of the primary's corner
    IFS='x+' read -r w h x y <<<"$transmitter"
    tx_area="$x,$y,$w,$h"
    case $scale in fit | fill) tx_area+=":$scale" ;; esac
    local home=$work/home-$scenario
    mkdir -p "$home/config/Kalvora"
    printf '[settings]\noutput_screen=%s\noutput_scale=%s\npreview_geometry="%d,300,269,203"\n' \
        "$output" "$scale" $((px + 900)) >"$home/config/Kalvora/Kalvora.ini"
    HOME=$home XDG_CONFIG_HOME=$home/config XDG_DATA_HOME=$home/data "$kalvora" \
        >"$work/kalvora-$scenario.log" 2>&1 &
    local pid=$!
    pids+=($pid)
    panel=$(xdotool search --sync --onlyvisible --name '^Kalvora Generator$' | head -n1)
    xdotool windowmove "$panel" $((px + 900)) 700
    sleep 0.5
    xdotool windowactivate --sync "$panel" key alt+b v
    sleep 0.5
    expect none "start"
    press 2
    press 1
    expect 1 "Kalvora 2, Kalvora 1"
    press scherm
    expect none "Scherm"
    press scherm
    expect 1 "Scherm, Scherm"
    press 2
    expect 2 "Kalvora 2"
    press 1
    expect 1 "Kalvora 1"
    # A click on pattern 1's picture on the transmitter takes it down; pattern 2 remains.
    xdotool mousemove $((x + 400)) $((y + 300)) click 1
    expect 2 "a click on pattern 1"
    press 1
    expect 1 "Kalvora 1 again"
    if [ -n "$output" ]; then # unplugged, Automatisch leaves the patterns where no monitor is
        xrandr --delmonitor TX
        expect none "the transmitter unplugged"
        set_monitor TX "$transmitter" none
        expect 1 "the transmitter back"
    fi
    if [ "$scale" = 1:1 ]; then # from 1:1 to fitted with both patterns up
        press 2
        xdotool windowactivate --sync "$panel" key alt+b u p
        tx_area+=":fit"
        press 1
        expect 1 "Uitgang > passend, Kalvora 1"
        xdotool mousemove $((x + 400)) $((y + 300)) click 1
        expect 2 "fitted, a click on pattern 1"
        press 1
        expect 1 "fitted, Kalvora 1"
    fi
    xdotool windowactivate --sync "$panel" key ctrl+q
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$pid" 2>/dev/null && fail "Kalvora did not end" && kill "$pid"
    echo "scenario $scenario done"
}

pri=1280x1024+0+0
scenarios=("${@:-right-1:1 right-fit right-fill right-auto-fill below-fit offset-1:1 pal-fill left-fit}")
for name in ${scenarios[*]}; do
    case $name in
    right-1:1) run_scenario "$name" $pri 1024x768+1280+0 TX 1:1 ;;
    right-fit) run_scenario "$name" $pri 1024x768+1280+0 TX fit ;;
    right-fill) run_scenario "$name" $pri 1024x768+1280+0 TX fill ;;
    right-auto-fill) run_scenario "$name" $pri 1024x768+1280+0 "" fill ;;
    below-fit) run_scenario "$name" $pri 1024x768+0+1024 TX fit ;;
    offset-1:1) run_scenario "$name" $pri 1024x768+1280+256 TX 1:1 ;;
    pal-fill) run_scenario "$name" $pri 720x576+1280+0 TX fill ;;
    left-fit) run_scenario "$name" 1280x1024+1024+0 1024x768+0+0 TX fit ;;
    *) echo "unknown scenario $name" >&2; exit 2 ;;
    esac
done

# Automatisch with the transmitter left of the primary screen: pattern 2 goes to the
# transmitter, fitted, never onto the primary screen over the control panel.
scenario=left-auto-fit
monitors 1280x1024+1024+0 1024x768+0+0
home=$work/home-$scenario
mkdir -p "$home/config/Kalvora"
printf '[settings]\noutput_scale=fit\n' >"$home/config/Kalvora/Kalvora.ini"
HOME=$home XDG_CONFIG_HOME=$home/config XDG_DATA_HOME=$home/data "$kalvora" &
pid=$!
pids+=($pid)
panel=$(xdotool search --sync --onlyvisible --name '^Kalvora Generator$' | head -n1)
xdotool windowmove "$panel" 1100 800
sleep 0.5
press 2
sleep 0.8
shown=$(seen 1280,0,1024,768 1024,0,1280,1024:fill 0,0,1024,768:fit | paste -sd" ")
[ "$shown" = "none none 2" ] ||
    fail "Automatisch, transmitter left, fit: 1:1 corner, primary, transmitter show '$shown'"
xdotool windowactivate --sync "$panel" key ctrl+q

echo "two-monitor test: $failures failure(s); probe log in the output above on failure"
[ "$failures" -eq 0 ] || { cat "$work/probe.log" >&2; exit 1; }
