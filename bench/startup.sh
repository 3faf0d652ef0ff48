#!/usr/bin/env bash
# Start-up to a visible main window, with a roster of 100 locomotives and 30 functions,
# beside an empty Qt main window and beside one with a line of text in its status bar (what
# any window with text pays for its fonts); and again with the sample layout Postaja.vlk
# named on the command line. Runs alternate, and the medians are printed.
#   bench/startup.sh [RUNS] [BUILD_DIR]
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
runs="${1:-15}"
build="$(realpath "${2:-$here/build/release}")"
program="$build/src/gui/vlakomat"
reference="$build/bench/qt/empty_window"
dir="$(mktemp -d)"
trap 'rm -rf "$dir"' EXIT
cp "$here/data/Decoders.tab" "$here/data/Postaja.vlk" "$dir"/
printf '[LOCONET]\nCOM Port=sim\nOffline=0\n[PREFERENCES]\nFirst Run=0\n' >"$dir/vlakomat.ini"
# A full catalogue and roster: the sample rows repeated under new ids and names.
{
    cat "$here/data/Functions.tab"
    for id in $(seq 10 26); do # 13 sample rows + 17 = 30
        printf '%d\tFunkcija %d\t0\t2\t-1\n' "$id" "$id"
    done
} >"$dir/Functions.tab"
{
    head -n 1 "$here/data/Roster.tab"
    row=$(sed -n 2p "$here/data/Roster.tab")
    for id in $(seq 0 99); do
        printf '%s\n' "$row" | awk -F'\t' -v OFS='\t' -v id="$id" '{ $1 = id; $2 = "Lokomotiva " id; print }'
    done
} >"$dir/Roster.tab"
(cd "$dir" && "$program" --check >/dev/null) || {
    echo "the generated tables give messages:"
    (cd "$dir" && "$program" --check)
    exit 1
}

ms() { local s e; s=$(date +%s%N); (cd "$dir" && QT_QPA_PLATFORM=offscreen "$@" >/dev/null 2>&1); e=$(date +%s%N); echo $(((e - s) / 1000)); }
median() { sort -n | awk '{ a[NR] = $1 } END { printf "%.1f", a[int((NR + 1) / 2)] / 1000 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
# Median start-up in ms of the program with arguments "$@", of the empty window and of the
# window with text, and the program's ratios to them.
compare() {
    local p=() q=() t=() pm qm tm
    for _ in $(seq "$runs"); do
        p+=("$(ms "$program" --quit-when-shown "$@")")
        q+=("$(ms "$reference" --quit-when-shown)")
        t+=("$(ms "$reference" --quit-when-shown --text)")
    done
    pm=$(printf '%s\n' "${p[@]}" | median)
    qm=$(printf '%s\n' "${q[@]}" | median)
    tm=$(printf '%s\n' "${t[@]}" | median)
    echo "$pm ms, empty Qt window $qm ms (median of $runs each), ratio $(ratio "$pm" "$qm"); window with text $tm ms, ratio to text $(ratio "$pm" "$tm")"
}
echo "start-up to a visible main window (100 locomotives, 30 functions): $(compare)"
echo "start-up with Postaja.vlk on the command line: $(compare Postaja.vlk)"
