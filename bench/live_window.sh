#!/usr/bin/env bash
# The window during a long backup, as a user sees it under X with a window
# manager: the program starts with one overdue job on a folder of a few
# hundred megabytes, and this script checks, with timestamps, that
#   1. the main window is viewable within 2 s of the start, while the backup
#      is still running;
#   2. a click on "?" during the backup opens the help window (each of a few
#      tries, timed from the click to the window being viewable);
#   3. closing the program during the backup ends it within 2 s, leaving no
#      archive, not even a temporary one (this is the job's first run).
# It prints one line per measure and PASS or FAIL, and keeps a screenshot of
# the window during the backup (-o FILE).
#
# Usage: bench/live_window.sh [-b BUILD_DIR] [-m MEGABYTES] [-o SCREENSHOT.png] [-k]
#   -b  build folder holding app/vantorel (default build)
#   -m  size of the source folder, in MiB of random data (default 800)
#   -o  where to write a screenshot of the window during the backup
#   -k  keep the work folder
# Needs: xvfb xauth openbox xdotool x11-utils imagemagick (for -o).
set -euo pipefail

build=build
megabytes=800
shot=
keep=0
while getopts "b:m:o:k" option; do
    case $option in
    b) build=$OPTARG ;;
    m) megabytes=$OPTARG ;;
    o) shot=$OPTARG ;;
    k) keep=1 ;;
    *) sed -n '2,16p' "$0" >&2; exit 2 ;;
    esac
done
program=$(realpath "$build/app/vantorel")

work=$(mktemp -d /tmp/vantorel-live.XXXXXX)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    if [ "$keep" = 0 ]; then rm -rf "$work"; else echo "work folder: $work"; fi
}
trap cleanup EXIT

now() { date +%s.%N; }
since() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.3f", b - a }'; }
failed=0
check() { # check NAME CONDITION-TEXT(0/1) DETAIL
    if [ "$2" = 1 ]; then echo "ok    $1: $3"; else echo "FAIL  $1: $3"; failed=1; fi
}

# The source: random data, which no compressor shrinks, in files of 8 MiB.
mkdir -p "$work/source" "$work/destination" "$work/program" "$work/config"
for ((i = 0; i < megabytes / 8; ++i)); do
    head -c $((8 << 20)) /dev/urandom >"$work/source/part$i.bin"
done
cp "$program" "$work/program/vantorel"
printf '[Reference]\r\nDerniereRef=1\r\n[0]\r\nEdSource=%s/\r\nEdDestination=%s/\r\nCbDelaiSave=4\r\nCbDateMois=0\r\nCbJoursSemaine=0\r\nCbHeures=0\r\nReference=1\r\nCbDerniereDateMaj=01/12/2020 08:00:00\r\nCbProchaineDateMaj=02/12/2020 01:00:00\r\n' \
    "$work/source" "$work/destination" >"$work/program/ListeSave.ini"
printf '[Prog]\r\nLanceProg=FALSE\r\nReduireProg=FALSE\r\n[PositionFenetre]\r\nNormalTop=0\r\nNormalLeft=0\r\n' \
    >"$work/program/Vantorel.ini"
archives="$work/destination/Vantorel"

# A display with a window manager.
display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY=$display
for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.05; done
openbox >/dev/null 2>&1 &
pids+=($!)
sleep 0.5

# The start.
start=$(now)
XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=xcb "$work/program/vantorel" >"$work/program.log" 2>&1 &
app=$!
pids+=($app)

viewable() { # the program's viewable windows
    local id
    for id in $(xdotool search --onlyvisible --pid "$1" 2>/dev/null); do
        xwininfo -id "$id" 2>/dev/null | grep -q "IsViewable" && echo "$id"
    done
}
main=
for _ in $(seq 400); do
    main=$(viewable "$app" | head -n 1)
    [ -n "$main" ] && break
    sleep 0.02
done
shown=$(since "$start")
running=0
[ ! -e "$archives/save_1_1.zip" ] && running=1
check "window viewable" "$([ -n "$main" ] && awk -v t="$shown" 'BEGIN { print (t <= 2.0) }' || echo 0)" "${shown} s after the start"
check "backup running then" "$running" "save_1_1.zip not written yet"

# The window with its progress, once the backup has done a part of its work.
sleep 2
if [ -n "$shot" ]; then
    import -window "$main" "$shot"
    echo "      screenshot: $shot"
fi

# "?" during the backup, a few times: the help window comes and goes.
worst=0
for try in 1 2 3; do
    [ -e "$archives/save_1_1.zip" ] && break
    before=$(viewable "$app" | wc -l)
    xdotool mousemove --window "$main" 558 20 click 1
    clicked=$(now)
    opened=0
    for _ in $(seq 100); do
        if [ "$(viewable "$app" | wc -l)" -gt "$before" ]; then opened=1; break; fi
        sleep 0.01
    done
    took=$(since "$clicked")
    worst=$(awk -v a="$worst" -v b="$took" 'BEGIN { print (b > a) ? b : a }')
    check "help window, try $try" "$opened" "viewable ${took} s after the click"
    xdotool key Escape
    sleep 0.3
done
echo "      slowest answer to a click: ${worst} s"

# Closing during the backup: the run stops, the program ends.
if [ -e "$archives/save_1_1.zip" ]; then
    echo "      the backup ended before the close: give a larger -m"
    failed=1
else
    xdotool mousemove --window "$main" 610 20 click 1
    closed=$(now)
    ended=0
    for _ in $(seq 300); do
        if ! kill -0 "$app" 2>/dev/null; then ended=1; break; fi
        sleep 0.01
    done
    took=$(since "$closed")
    check "close during the backup" "$ended" "program ended ${took} s after the click"
    check "close within 2 s" "$(awk -v t="$took" 'BEGIN { print (t <= 2.0) }')" "${took} s"
    left=$(find "$archives" -mindepth 1 | wc -l)
    check "nothing left behind" "$([ "$left" = 0 ] && echo 1 || echo 0)" "$left file(s) in the archive folder"
fi

if [ "$failed" = 0 ]; then echo PASS; else echo FAIL; exit 1; fi
