#!/usr/bin/env bash
# Measures the processor time of the running program with an open link and nothing to do:
# the heartbeat's 5 ms timer must cost well under 1 % of one core.
#   bench/idle_cpu.sh [PROGRAM] [SECONDS] [PORT]
# PORT is the "COM Port" value (default: offline). Prints the share of one core used.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
program="$(realpath "${1:-$here/build/release/src/gui/vlakomat}")"
seconds="${2:-10}"
port="${3:-}"
dir="$(mktemp -d)"
trap 'kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; rm -rf "$dir"' EXIT
cp "$here"/data/*.tab "$dir"/
if [ -n "$port" ]; then
    printf '[LOCONET]\nCOM Port=%s\nOffline=0\n[PREFERENCES]\nFirst Run=0\n' "$port" >"$dir/vlakomat.ini"
else
    printf '[LOCONET]\nOffline=1\n[PREFERENCES]\nFirst Run=0\n' >"$dir/vlakomat.ini"
fi
cd "$dir"
QT_QPA_PLATFORM=offscreen "$program" >/dev/null 2>&1 &
pid=$!
sleep 3 # start-up
ticks() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
hz=$(getconf CLK_TCK)
before=$(ticks)
sleep "$seconds"
after=$(ticks)
awk -v t=$((after - before)) -v hz="$hz" -v s="$seconds" \
    'BEGIN { printf "idle CPU: %.2f %% of one core over %d s (%d ticks)\n", 100 * t / hz / s, s, t }'
