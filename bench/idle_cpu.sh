#!/usr/bin/env bash
# Processor time of the running program while the operator sits back, beside an empty Qt
# main window measured the same way. Cases: the link open on the simulated command
# station with nothing to do, with a simple throttle holding a slot, and with a realistic
# throttle driving a train at power notch 4 (its physics step runs every 10 ms).
#   bench/idle_cpu.sh [SECONDS] [BUILD_DIR]
# Prints each case's share of one core, the program's beside the reference's.
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
hz=$(getconf CLK_TCK)
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

# Share of one core that the command uses over $seconds, after 3 s of start-up.
measure() {
    (cd "$dir" && exec "${platform[@]}" "$@" >/dev/null 2>&1) &
    pid=$!
    sleep 3
    local before after
    before=$(awk '{print $14 + $15}' "/proc/$pid/stat")
    sleep "$seconds"
    after=$(awk '{print $14 + $15}' "/proc/$pid/stat")
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    pid=""
    awk -v t=$((after - before)) -v hz="$hz" -v s="$seconds" 'BEGIN { printf "%.2f", 100 * t / hz / s }'
}

empty=$(measure "$reference")
echo "idle, link open on sim:       $(measure "$program") % of a core (empty Qt window $empty %)"
empty=$(measure "$reference")
echo "simple throttle holding slot: $(measure "$program" --throttle 3) % of a core (empty Qt window $empty %)"
empty=$(measure "$reference")
echo "realistic throttle driving:   $(measure "$program" --realistic-throttle 4) % of a core (empty Qt window $empty %)"
