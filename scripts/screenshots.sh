#!/usr/bin/env bash
# Takes the README's pictures from the real program under a virtual X display:
#   scripts/screenshots.sh [BUILD_DIR] [OUT_DIR] [SCALE]
# The demo's simulated computers answer on loopback; nothing else is contacted. SCALE 2 takes them at 200%.
# The X server takes a free display number of its own.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
out=${2:-$root/packaging/screenshots}
scale=${3:-1}
program=$build/src/app/dormiva
[ -x "$program" ] || { echo "build the program first: $program is missing" >&2; exit 1; }
for tool in Xvfb xdotool import; do
    command -v "$tool" >/dev/null || { echo "$tool is missing (packages xvfb, xdotool, imagemagick)" >&2; exit 1; }
done
mkdir -p "$out"
home=$(mktemp -d)
xvfb_pid=
program_pid=
stop() {
    [ -z "$program_pid" ] || kill "$program_pid" 2>/dev/null || true
    [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$home"
}
trap stop EXIT
trap 'exit 1' INT TERM

Xvfb -displayfd 3 -screen 0 $((1100 * scale))x$((720 * scale))x24 -nolisten tcp 3>"$home/display" &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$home/display" ] && break; sleep 0.1; done
[ -s "$home/display" ] || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=:$(head -n 1 "$home/display")

export XDG_CONFIG_HOME=$home QT_SCALE_FACTOR=$scale QT_QPA_PLATFORM=xcb
"$program" --demo >"$home/program.log" 2>&1 &
program_pid=$!
window=$(timeout 60 xdotool search --sync --onlyvisible --name '^Dormiva' | head -n 1) || true
[ -n "$window" ] || { echo "the program showed no window: $(cat "$home/program.log")" >&2; exit 1; }
xdotool windowmove "$window" 0 0 windowsize "$window" $((1100 * scale)) $((720 * scale))

shoot() { # NAME: the whole screen, as a user would see it
    sleep 2
    import -window root "$out/$1.png"
    [ -s "$out/$1.png" ] || { echo "no picture for $1" >&2; exit 1; }
    echo "$out/$1.png"
}
windows() { xdotool search --onlyvisible --name . 2>/dev/null | wc -l; }
press() { # KEYS to the main window: without a window manager a closed dialog leaves no focus behind
    xdotool windowfocus --sync "$window" 2>/dev/null || true
    xdotool key --clearmodifiers "$1"
    sleep 1
}

sleep 4 # the first reachability pass
press ctrl+Return
# The question before shutting down, when Preferences ask it: the dialog has the focus.
[ "$(windows)" -le 1 ] || xdotool key --clearmodifiers Return
sleep 6
shoot main-window

press ctrl+n
shoot wizard
xdotool key --clearmodifiers Escape
sleep 1

press ctrl+comma
shoot preferences
xdotool key --clearmodifiers Escape
