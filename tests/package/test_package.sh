#!/usr/bin/env bash
# The Debian packages end to end: scripts/package builds them (the release preset, minutes on
# a small machine, so the test runs only with VLAKOMAT_PACKAGE_TEST=1) and has lintian pass
# them without error or warning; their fields and files are checked with dpkg-deb and the
# binaries' hardening with readelf; vlakomat alone is unpacked into a temporary root, where
# the programs tell their version, the desktop entry validates, `vlakomat --init` makes a
# layout folder in a temporary home, the launcher starts the program by its own path, and the
# program beeps with the bell, saying so in Debug Mode, until vlakomat-zvok is unpacked too.
# Last, a copy of the tree at another path, with other file times, builds the same bytes.
#
#   test_package.sh SOURCE_DIR VERSION
set -euo pipefail
if [ "${VLAKOMAT_PACKAGE_TEST:-0}" != 1 ]; then
    echo "skipped: set VLAKOMAT_PACKAGE_TEST=1 to build and check the Debian packages"
    exit 77
fi
source_dir=$(cd "$1" && pwd)
version=$2
arch=$(dpkg --print-architecture)
tools=(vlakomat-monitor vlakomat-cs vlakomat-train vlakomat-drive)
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Runs the command until it succeeds, for at most a minute (the machine may be busy).
wait_until() {
    for _ in $(seq 600); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}
ready() { grep -qx "vlakomat: ready" "$1"; }
resent() { [ "$(grep -c '^RX BF' "$work/cs")" -ge 2 ]; }

# Prints the packages' paths, vlakomat-zvok's then vlakomat's; lintian's report on stderr.
build() {
    (cd "$1" && scripts/package | sed "s|^|$1/|") 2>"$work/lintian" ||
        { cat "$work/lintian" >&2; fail "scripts/package in $1"; }
}
SOURCE_DATE_EPOCH=$(git -C "$source_dir" log -1 --format=%ct)
export SOURCE_DATE_EPOCH
mapfile -t debs < <(build "$source_dir")
echo "lintian:" && cat "$work/lintian"
! grep -q "hardening-" "$work/lintian" || fail "lintian's hardening notes"
zvok=${debs[0]}
deb=${debs[1]}
[ "$(basename "$zvok")" = "vlakomat-zvok_${version}_$arch.deb" ] || fail "package file $zvok"
[ "$(basename "$deb")" = "vlakomat_${version}_$arch.deb" ] || fail "package file $deb"

# package  field  relation (has/lacks)  entry
fields=(
    "$deb Version has $version"
    "$deb Depends has libc6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6serialport6 libqt6network6 libqt6printsupport6 qt6-qpa-plugins"
    "$deb Depends lacks libqt6multimedia6"
    "$deb Recommends has vlakomat-zvok_(=_$version)"
    "$zvok Depends has libqt6multimedia6 vlakomat_(=_$version)"
)
for row in "${fields[@]}"; do
    read -r file field relation entries <<<"$row"
    value=$(dpkg-deb -f "$file" "$field")
    for entry in $entries; do
        entry=${entry//_/ }
        found=0
        grep -Eq "(^|, )$(sed 's/[().]/\\&/g' <<<"$entry")( |,|$)" <<<"$value" && found=1
        [ "$found" = "$([ "$relation" = has ] && echo 1 || echo 0)" ] ||
            fail "$(basename "$file") $field $relation '$entry': $value"
    done
done

multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
contents() { dpkg-deb -c "$1" | awk '{print $6}'; }
expected=(./usr/bin/vlakomat ./usr/libexec/vlakomat/vlakomat-launcher
    ./usr/share/applications/vlakomat.desktop ./usr/share/mime/packages/vlakomat.xml
    ./usr/share/icons/hicolor/48x48/apps/vlakomat.png ./usr/share/icons/hicolor/256x256/apps/vlakomat.png
    ./usr/share/man/man1/vlakomat.1.gz ./usr/share/vlakomat/primeri/Decoders.tab
    ./usr/share/vlakomat/primeri/Postaja.vlk ./usr/share/doc/vlakomat/copyright
    ./usr/share/doc/vlakomat/changelog.gz "./usr/lib/$multiarch/vlakomat/vlakomat-ports.so"
    "./usr/lib/$multiarch/vlakomat/vlakomat-print.so")
for tool in "${tools[@]}"; do
    expected+=("./usr/bin/$tool" "./usr/share/man/man1/$tool.1.gz")
done
for path in "${expected[@]}"; do
    grep -qxF "$path" <(contents "$deb") || fail "vlakomat lacks $path"
done
# The guide is built into the program, and the tones are the other package's.
! grep -Eq "/vodnik/|vlakomat-tone" <(contents "$deb") || fail "vlakomat holds the guide or tones"
[ "$(contents "$zvok" | grep -v '/$' | sort)" = "$(printf '%s\n' \
    "./usr/lib/$multiarch/vlakomat/vlakomat-tone.so" ./usr/share/doc/vlakomat-zvok/changelog.gz \
    ./usr/share/doc/vlakomat-zvok/copyright)" ] || fail "vlakomat-zvok's files: $(contents "$zvok")"

root="$work/root"
dpkg -x "$deb" "$root"
dpkg -x "$zvok" "$work/zvok"
for binary in "$root"/usr/bin/* "$root/usr/lib/$multiarch"/vlakomat/*.so \
    "$work/zvok/usr/lib/$multiarch/vlakomat/vlakomat-tone.so"; do
    ! readelf -S "$binary" | grep -q '\.comment' || fail "$binary keeps its .comment section"
    readelf -d "$binary" | grep -Eq 'FLAGS.*NOW' || fail "$binary is not bound now"
    readelf -lW "$binary" | grep -q GNU_RELRO || fail "$binary has no read-only relocations"
done

[ "$("$root/usr/bin/vlakomat" --version)" = "Vlakomat $version" ] || fail "vlakomat --version"
for tool in "${tools[@]}"; do
    [ "$("$root/usr/bin/$tool" --version)" = "$tool $version" ] || fail "$tool --version"
done
out=$(desktop-file-validate "$root/usr/share/applications/vlakomat.desktop" 2>&1) ||
    fail "desktop-file-validate: $out"
[ -z "$out" ] || fail "desktop-file-validate: $out"
grep -qx "Exec=/usr/libexec/vlakomat/vlakomat-launcher %f" \
    "$root/usr/share/applications/vlakomat.desktop" || fail "the entry's Exec line"

# `vlakomat --init` in a temporary home makes ~/Vlakomat from the installed samples.
mkdir "$work/home"
HOME="$work/home" "$root/usr/bin/vlakomat" --init >/dev/null || fail "vlakomat --init"
for file in Decoders.tab Functions.tab Roster.tab Postaja.vlk vlakomat.ini; do
    cmp -s "$root/usr/share/vlakomat/primeri/$file" "$work/home/Vlakomat/$file" ||
        fail "--init: ~/Vlakomat/$file"
done

# The first start from the desktop: the launcher makes ~/Vlakomat and starts the program by
# its own path (/usr/bin/vlakomat, here under the temporary root) there on the simulated
# station, with the sample layout. A session end closes it, and it writes its settings there.
launcher="$root/usr/libexec/vlakomat/vlakomat-launcher"
grep -qxF 'program=${VLAKOMAT_PROGRAM:-/usr/bin/vlakomat}' "$launcher" || fail "the launcher's program"
mkdir "$work/desktop"
HOME="$work/desktop" QT_QPA_PLATFORM=offscreen VLAKOMAT_READY_LINE=1 \
    VLAKOMAT_PROGRAM="$root/usr/bin/vlakomat" "$launcher" 2>"$work/launched" &
program=$!
wait_until ready "$work/launched" || fail "the program started by the launcher did not come up"
started=$(tr '\0' ' ' </proc/$program/cmdline)
kill -TERM "$program"
wait "$program" || fail "the program started by the launcher ended with status $?"
[ "$started" = "$root/usr/bin/vlakomat $work/desktop/Vlakomat/Postaja.vlk " ] ||
    fail "the launcher started: $started"
grep -q "^COM Port=sim" "$work/desktop/Vlakomat/vlakomat.ini" || fail "the settings written at exit"
grep -q "Postaja.vlk" "$work/desktop/Vlakomat/vlakomat.ini" || fail "the sample layout was not opened"

# A message whose echo is lost is sent again with a tone: with the bell, named once in Debug
# Mode, until the tones are unpacked too. The station is vlakomat-cs on a pseudo-terminal,
# losing the first echo (over TCP the server's SENT OK vouches for a message, so a lost echo
# is no reason to send it again).
sed -i 's/^Debug Mode=0/Debug Mode=1/' "$work/home/Vlakomat/vlakomat.ini"
for tones in without with; do
    [ "$tones" = with ] && dpkg -x "$zvok" "$root"
    "$root/usr/bin/vlakomat-cs" --lose-echoes 1 </dev/null >"$work/cs" 2>&1 &
    station=$!
    wait_until grep -q '^/dev/' "$work/cs" || fail "vlakomat-cs did not start: $(cat "$work/cs")"
    sed -i "s|^COM Port=.*|COM Port=$(head -n 1 "$work/cs")|" "$work/home/Vlakomat/vlakomat.ini"
    (cd "$work/home/Vlakomat" && exec env HOME="$work/home" QT_QPA_PLATFORM=offscreen \
        VLAKOMAT_READY_LINE=1 "$root/usr/bin/vlakomat" --throttle 3 2>"$work/stderr") &
    program=$!
    # The lost echo's message sent again comes with the tone, in the same step.
    wait_until ready "$work/stderr" && wait_until resent || true
    kill -TERM "$program"
    wait "$program" || fail "the program ($tones the tones) ended with status $?"
    kill "$station"
    wait "$station" || true
    resent || fail "no message was sent again: $(cat "$work/cs")"
    said=$(grep -c "Tones not installed" "$work/stderr" || true)
    [ "$said" = "$([ "$tones" = without ] && echo 1 || echo 0)" ] ||
        fail "$tones the tones, the missing tones were named $said times: $(cat "$work/stderr")"
done

# Built again from a copy of the tree elsewhere, with new file times: the same bytes.
mkdir "$work/copy"
(cd "$source_dir" && git ls-files -z --cached --others --exclude-standard |
    tar --null -T - -cf -) | tar -xmf - -C "$work/copy"
mapfile -t again < <(build "$work/copy")
for i in 0 1; do
    cmp "${debs[$i]}" "${again[$i]}" || fail "$(basename "${debs[$i]}") differs when built again"
done
echo "packages ${debs[*]} checked"
