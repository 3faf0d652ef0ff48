#!/usr/bin/env bash
# clang-tidy (the checks in .clang-tidy) over every source the build compiles, the program's
# and the tests', on all cores; the generated files (moc) are not ours. Compiler warnings are
# the compiler's business, so clang's own are turned off here.
#
#   check_tidy.sh RUN_CLANG_TIDY SOURCE_DIR BUILD_DIR
set -euo pipefail
log=$3/clang-tidy.log
"$1" -quiet -p "$3" -j "$(nproc)" -extra-arg=-w "^$2/(src|tests|bench)/" >"$log" 2>&1 || {
    sed 's/\x1b\[[0-9;]*m//g' "$log" | grep -E '(error|warning): ' | sort -u
    echo "clang-tidy failed; its whole output is in $log"
    exit 1
}
