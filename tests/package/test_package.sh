#!/usr/bin/env bash
# The Debian package end to end: scripts/package builds it (the release preset, minutes on
# a small machine, so the test runs only when VLAKOMAT_PACKAGE_TEST=1); its fields,
# dependencies and files are checked with dpkg-deb; it is unpacked into a temporary root,
# where the installed programs tell their version, the desktop entry validates and the
# launcher makes the layout folder in a temporary home and starts the program there; and
# lintian reports no error (scripts/package fails otherwise).
#
#   test_package.sh SOURCE_DIR VERSION
set -euo pipefail
if [ "${VLAKOMAT_PACKAGE_TEST:-0}" != 1 ]; then
    echo "skipped: set VLAKOMAT_PACKAGE_TEST=1 to build and check the Debian package"
    exit 77
fi
source_dir=$1
version=$2
tools=(vlakomat-monitor vlakomat-cs vlakomat-train vlakomat-drive)
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

deb=$("$source_dir/scripts/package" | tail -n 1)
[ "$(basename "$deb")" = "vlakomat_${version}_$(dpkg --print-architecture).deb" ] ||
    fail "package file $deb"
deb="$source_dir/$deb"

[ "$(dpkg-deb -f "$deb" Package)" = vlakomat ] || fail "package name"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "version $(dpkg-deb -f "$deb" Version)"
depends=$(dpkg-deb -f "$deb" Depends)
for need in libc6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6serialport6 libqt6network6 \
    libqt6multimedia6 libqt6printsupport6 qt6-qpa-plugins; do
    grep -Eq "(^|, )$need( |,|$)" <<<"$depends" || fail "Depends lacks $need: $depends"
done

contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
expected=(./usr/bin/vlakomat ./usr/libexec/vlakomat/vlakomat-launcher
    ./usr/share/applications/vlakomat.desktop ./usr/share/mime/packages/vlakomat.xml
    ./usr/share/icons/hicolor/48x48/apps/vlakomat.png ./usr/share/icons/hicolor/256x256/apps/vlakomat.png
    ./usr/share/man/man1/vlakomat.1.gz ./usr/share/vlakomat/primeri/Decoders.tab
    ./usr/share/vlakomat/primeri/Postaja.vlk ./usr/share/vlakomat/vodnik/index.md
    ./usr/share/vlakomat/vodnik/slike/glavno-okno.png ./usr/share/doc/vlakomat/copyright
    ./usr/share/doc/vlakomat/changelog.gz
    "./usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)/vlakomat/vlakomat-tone.so")
for tool in "${tools[@]}"; do
    expected+=("./usr/bin/$tool" "./usr/share/man/man1/$tool.1.gz")
done
for path in "${expected[@]}"; do
    grep -qxF "$path" <<<"$contents" || fail "the package lacks $path"
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root="$work/root"
dpkg -x "$deb" "$root"
[ "$("$root/usr/bin/vlakomat" --version)" = "Vlakomat $version" ] || fail "vlakomat --version"
for tool in "${tools[@]}"; do
    [ "$("$root/usr/bin/$tool" --version)" = "$tool $version" ] || fail "$tool --version"
done
out=$(desktop-file-validate "$root/usr/share/applications/vlakomat.desktop" 2>&1) ||
    fail "desktop-file-validate: $out"
[ -z "$out" ] || fail "desktop-file-validate: $out"
grep -qx "Exec=/usr/libexec/vlakomat/vlakomat-launcher %f" \
    "$root/usr/share/applications/vlakomat.desktop" || fail "the entry's Exec line"

# The first start from the desktop: the launcher makes ~/Vlakomat from the samples and the
# program starts there on the simulated station, with the sample layout (whose opening
# shows a message box). A session end closes it, and it writes its settings there.
mkdir "$work/home"
HOME="$work/home" QT_QPA_PLATFORM=offscreen "$root/usr/libexec/vlakomat/vlakomat-launcher" &
program=$!
sleep 3
kill -TERM "$program"
wait "$program" || fail "the program started by the launcher ended with status $?"
for file in Decoders.tab Functions.tab Roster.tab Postaja.vlk; do
    cmp -s "$root/usr/share/vlakomat/primeri/$file" "$work/home/Vlakomat/$file" ||
        fail "~/Vlakomat/$file"
done
grep -q "^COM Port=sim" "$work/home/Vlakomat/vlakomat.ini" || fail "the settings written at exit"
grep -q "Postaja.vlk" "$work/home/Vlakomat/vlakomat.ini" || fail "the sample layout was not opened"
echo "package $deb checked"
