#!/usr/bin/env bash
# Runs every benchmark once, one after the other, and prints the figures with the machine's
# processor: the numbers the README quotes. Build the release preset first.
#   bench/all.sh [BUILD_DIR]
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="$(realpath "${1:-$here/build/release}")"
echo "processor: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'), $(nproc) cores"
echo "== idle processor time (bench/idle_cpu.sh 30)"
"$here/bench/idle_cpu.sh" 30 "$build"
echo "== start-up (bench/startup.sh 15)"
"$here/bench/startup.sh" 15 "$build"
echo "== reaction to the bus and the monitor under a flood (bench_link_program)"
"$build/bench/qt/bench_link_program" reaction --selections 300 2>/dev/null | grep -v '^This plugin'
"$build/bench/qt/bench_link_program" monitor --seconds 30 2>/dev/null | grep -v '^This plugin'
echo "== the shared bus (bench_share_bus)"
"$build/bench/qt/bench_share_bus" 2>/dev/null | grep -v '^This plugin'
echo "== the shared bus with 64 clients (bench_share_bus --clients 64)"
"$build/bench/qt/bench_share_bus" --clients 64 --rate 10 --seconds 20 2>/dev/null | grep -v '^This plugin'
echo "== the core (Google Benchmark)"
for b in bench_receive bench_realistic bench_train; do
    "$build/bench/$b" --benchmark_min_time=1 2>/dev/null | grep -v '^\*\*\*'
done
