#!/usr/bin/env bash
# clang-tidy (the checks in .clang-tidy) over the program's and the tools' sources, on all
# cores. The tests are left to the compiler's warnings: checking them too would double the
# suite's time on two cores. The generated files (moc) are not ours, and compiler warnings are
# the compiler's business, so clang's own are turned off here.
#
#   check_tidy.sh RUN_CLANG_TIDY SOURCE_DIR BUILD_DIR
set -euo pipefail
log=$3/clang-tidy.log
"$1" -quiet -p "$3" -j "$(nproc)" -extra-arg=-w "^$2/src/" >"$log" 2>&1 || {
    sed 's/\x1b\[[0-9;]*m//g' "$log" | grep -E '(error|warning): ' | sort -u
    echo "clang-tidy failed; its whole output is in $log"
    exit 1
}
