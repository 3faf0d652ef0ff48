#!/usr/bin/env bash
# Runs every benchmark once, one after the other, prints what each prints and then a table of
# the figures with their targets and whether each is met: the table the README quotes. Build
# the release preset first.
#   bench/all.sh [BUILD_DIR]
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="$(realpath "${1:-$here/build/release}")"
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
quiet() { grep -v -e '^This plugin' -e '^QStandardPaths' || true; }

echo "processor: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'), $(nproc) cores"
echo "load average at the start: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "== idle processor time (bench/idle_cpu.sh 30)"
"$here/bench/idle_cpu.sh" 30 "$build" | tee "$out/idle"
echo "== start-up (bench/startup.sh 15)"
"$here/bench/startup.sh" 15 "$build" | tee "$out/startup"
echo "== time to a throttle that drives (bench_link_program start, acquire)"
"$build/bench/qt/bench_link_program" start --runs 15 2>/dev/null | quiet | tee "$out/start"
"$build/bench/qt/bench_link_program" acquire --runs 15 2>/dev/null | quiet | tee "$out/acquire"
echo "== reaction to the bus and the monitor under a flood (bench_link_program)"
"$build/bench/qt/bench_link_program" reaction --selections 300 2>/dev/null | quiet | tee "$out/reaction"
"$build/bench/qt/bench_link_program" monitor --seconds 30 2>/dev/null | quiet | tee "$out/monitor"
echo "== the shared bus (bench_share_bus)"
"$build/bench/qt/bench_share_bus" 2>/dev/null | quiet | tee "$out/share"
echo "== the shared bus with 64 clients (bench_share_bus --clients 64)"
"$build/bench/qt/bench_share_bus" --clients 64 --rate 10 --seconds 20 2>/dev/null | quiet | tee "$out/share64"
echo "== the shared bus over LocoNet over TCP with 100 ms added delay (bench_share_bus --delay 100)"
"$build/bench/qt/bench_share_bus" --clients 1 --rate 20 --seconds 30 --delay 100 2>/dev/null | quiet | tee "$out/shareslow"
"$build/bench/qt/bench_share_bus" --clients 5 --rate 50 --seconds 30 --delay 40 2>/dev/null | quiet | tee "$out/sharepeers"
echo "== the core (Google Benchmark)"
for b in bench_receive bench_realistic bench_train; do
    "$build/bench/$b" --benchmark_min_time=1 2>/dev/null | grep -v '^\*\*\*'
done | tee "$out/core"
echo "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"

# after FILE LINE WORD: the number after WORD on the first line of FILE that matches LINE.
after() { grep -m1 -e "$2" "$out/$1" | grep -o -E "$3 +[0-9.]+" | head -n1 | awk '{ print $NF }'; }
# notok FILE: the clients' messages of a shared-bus run that were not answered "SENT OK".
notok() { grep -m1 -o -E '[0-9]+ sent, [0-9]+ SENT OK' "$out/$1" | awk '{ print $1 - $3 }'; }
# One row: figure, value, target as "<= N" with its unit, and whether the value meets it.
row() {
    local met="no"
    [ -n "$2" ] && awk -v v="$2" -v t="$4" 'BEGIN { exit !(v <= t) }' && met="yes"
    [ -n "$2" ] || met="not measured"
    printf '| %s | %s%s | at most %s%s | %s |\n' "$1" "${2:-?}" "$3" "$4" "$3" "$met"
}
# A row for a figure that has no target.
info() { printf '| %s | %s | none set | |\n' "$1" "${2:-?}"; }

echo
echo "| Figure | Measured | Target | Met |"
echo "|---|---|---|---|"
row "idle, link open on \`sim\` (% of a core)" "$(after idle 'idle, link open' ':')" " %" 0.2
row "a simple throttle holding a slot (% of a core)" "$(after idle 'simple throttle' ':')" " %" 0.2
row "a realistic train driving at notch 4, physics every 10 ms (% of a core)" "$(after idle 'realistic throttle' ':')" " %" 0.3
info "the empty Qt window woken every 10 ms and doing nothing (% of a core)" "$(after idle 'realistic throttle' 'timer') %"
row "start-up to the painted main window, 100 locomotives and 30 functions (ratio to the empty window)" "$(after startup '100 locomotives' 'ratio')" "" 1.5
row "start-up with \`Postaja.vlk\` on the command line (ratio to the empty window)" "$(after startup 'Postaja' 'ratio')" "" 2.0
info "start-up, 100 locomotives and 30 functions (ratio to the empty window with a line of text)" "$(after startup '100 locomotives' 'ratio to text')"
info "process start to \`--throttle 3\` holding its locomotive on \`sim\`, median" "$(after start 'holding' 'median') ms"
info "\"Uporabi\" to the realistic throttle's four selections done on \`sim\`, median" "$(after acquire 'on sim' 'median') ms"
info "\"Uporabi\" to four selections done on \`vlakomat-cs\` on a pseudo-terminal, median" "$(after acquire 'pseudo-terminal' 'median') ms"
info "reaction to a slot answer, idle, p99" "$(after reaction 'idle' 'p99') ms"
info "reaction to a slot answer, bus flooded, p99" "$(after reaction 'flood' 'p99') ms"
info "monitor and log at 4,000 messages/s (% of a core)" "$(after monitor 'monitor flood' 'CPU') %"
info "shared bus, five clients: answers p99" "$(after share 'answer' 'p99') ms"
info "shared bus, 64 clients: answers p99" "$(after share64 'answer' 'p99') ms"
row "shared bus over a link with 100 ms added delay, a client at 20/s: answers p99" "$(after shareslow 'answer' 'p99')" " ms" 2000
row "the same: messages sent and not answered SENT OK" "$(notok shareslow)" "" 0
row "shared bus over a link with 40 ms added delay, five clients at 50/s: answers p99" "$(after sharepeers 'answer' 'p99')" " ms" 2000
# The core's figures: processor time per run, and messages a second where counted.
awk '$2 ~ /^[0-9.]+$/ && $3 ~ /s$/ {
    rate = ""
    for (i = 7; i <= NF; ++i)
        if ($i ~ /^items_per_second=/) rate = ", " substr($i, 18, length($i) - 19) " messages/s"
    printf "| `%s` | %s %s processor time%s | none set | |\n", $1, $4, $5, rate
}' "$out/core"
