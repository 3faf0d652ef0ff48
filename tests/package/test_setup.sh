#!/usr/bin/env bash
# scripts/setup with stand-ins for the system's commands on a PATH of their own: which user
# it runs as (id), which packages are installed (dpkg-query), whether sudo is there, and an
# apt-get that records the front end it was given. sudo clears the environment as the real
# one does.
#
#   test_setup.sh SOURCE_DIR
set -euo pipefail
setup="$1/scripts/setup"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# uid  installed  sudo  -> exit  what apt-get saw ("" when not run)  what stderr says
cases=(
    "0    no   no   0 noninteractive -"
    "1000 no   yes  0 noninteractive -"
    "1000 no   no   1 -              install sudo"
    "1000 yes  no   0 -              -"
)
for row in "${cases[@]}"; do
    read -r uid installed sudo want_code want_apt want_err <<<"$row"
    bin="$work/bin" && rm -rf "$bin" "$work/apt" && mkdir "$bin"
    for tool in bash env grep; do ln -s "$(command -v "$tool")" "$bin/$tool"; done
    printf '#!%s\necho %s\n' "$BASH" "$uid" >"$bin/id"
    printf '#!%s\n[ %s = yes ] && printf "install ok installed"; exit 0\n' "$BASH" \
        "$installed" >"$bin/dpkg-query"
    printf '#!%s\necho "${DEBIAN_FRONTEND:-unset}" >>"%s"\n' "$BASH" "$work/apt" >"$bin/apt-get"
    [ "$sudo" = yes ] &&
        printf '#!%s\nexec %s -i PATH="$PATH" "$@"\n' "$BASH" "$(command -v env)" >"$bin/sudo"
    chmod +x "$bin"/*
    code=0
    PATH="$bin" DEBIAN_FRONTEND= "$BASH" "$setup" >"$work/out" 2>"$work/err" || code=$?
    apt=$(sort -u "$work/apt" 2>/dev/null || true)
    failed=0
    fail() {
        echo "FAIL [$row]: $*" >&2
        sed 's/^/  | /' "$work/err" >&2
        failed=1
    }
    [ "$code" = "$want_code" ] || fail "exit $code"
    [ "${apt:--}" = "$want_apt" ] || fail "apt-get saw DEBIAN_FRONTEND=${apt:-(not run)}"
    if [ "$want_err" != - ]; then
        # One line in Slovenian and one in English, both saying what to do.
        grep -q "namestite sudo" "$work/err" || fail "no Slovenian line"
        grep -q "$want_err" "$work/err" || fail "no English line"
    fi
    failures=$((failures + failed))
done
echo "$((${#cases[@]} - failures)) passed, $failures failed"
[ "$failures" = 0 ]
