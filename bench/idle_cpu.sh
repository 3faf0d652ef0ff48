#!/usr/bin/env bash
# Processor time of the running program while the operator sits back, beside an empty Qt
# main window measured the same way. Cases: the link open on the simulated command
# station with nothing to do, with a simple throttle holding a slot, and with a realistic
# throttle driving a train at power notch 4 (its physics step runs every 10 ms).
#   bench/idle_cpu.sh [SECONDS] [BUILD_DIR]
# Prints each case's share of one core, the program's beside the reference's; the realistic
# throttle's also beside the empty window woken by a timer as often as its physics step.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-20}"
build="$(realpath "${2:-$here/build/release}")"
program="$build/src/gui/vlakomat"
reference="$build/bench/qt/empty_window"
dir="$(mktemp -d)"
pid=""
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$dir"' EXIT
cp "$here"/data/*.tab "$dir"/
printf '[LOCONET]\nCOM Port=sim\nOffline=0\n[PREFERENCES]\nFirst Run=0\n' >"$dir/vlakomat.ini"
display=""
if command -v Xvfb >/dev/null; then
    for n in $(seq 90 99); do
        [ -e "/tmp/.X$n-lock" ] && continue
        Xvfb ":$n" -screen 0 1280x1024x24 >/dev/null 2>&1 &
        xvfb=$!
        display=":$n"
        trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; kill "$xvfb" 2>/dev/null; rm -rf "$dir"' EXIT
        sleep 1
        break
    done
fi
if [ -n "$display" ]; then
    echo "display: Xvfb $display"
    platform=(env DISPLAY="$display" QT_QPA_PLATFORM=xcb)
else
    echo "display: Qt's offscreen platform (no Xvfb)"
    platform=(env QT_QPA_PLATFORM=offscreen)
fi

# Nanoseconds that each thread of the process has run, a line "TID NS" a thread: the
# scheduler's own account, exact where the clock-tick sampling of /proc/PID/stat misses a
# program that wakes with the tick.
thread_ns() {
    local f tid ns _
    for f in /proc/"$1"/task/*/schedstat; do
        tid=${f%/schedstat}
        read -r ns _ <"$f" 2>/dev/null && echo "${tid##*/} $ns"
    done
}

# Share of one core that the command uses over $seconds, after 3 s of start-up; a thread
# that ends in between takes its time with it.
measure() {
    (cd "$dir" && exec "${platform[@]}" "$@" >/dev/null 2>&1) &
    pid=$!
    sleep 3
    local before after
    before=$(thread_ns "$pid")
    sleep "$seconds"
    after=$(thread_ns "$pid")
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    pid=""
    awk -v s="$seconds" 'NR == FNR { was[$1] = $2; next }
        { ran += $2 - ($1 in was ? was[$1] : 0) }
        END { printf "%.2f", ran / 1e7 / s }' <(echo "$before") <(echo "$after")
}

empty=$(measure "$reference")
echo "idle, link open on sim:       $(measure "$program") % of a core (empty Qt window $empty %)"
empty=$(measure "$reference")
echo "simple throttle holding slot: $(measure "$program" --throttle 3) % of a core (empty Qt window $empty %)"
empty=$(measure "$reference")
tick=$(measure "$reference" --tick 10)
echo "realistic throttle driving:   $(measure "$program" --realistic-throttle 4) % of a core (empty Qt window $empty %, with a 10 ms timer $tick %)"
