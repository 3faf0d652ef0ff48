#!/usr/bin/env bash
# Checks that the C++ sources keep the repository's formatting. In a clone the files are the
# ones git tracks; an exported tree (git archive, a source package) has no .git, so there they
# are every source outside the build folder.
set -euo pipefail
clang_format=$1
cd "$2"
if [ -e .git ]; then
    git ls-files -z '*.cpp' '*.h'
else
    find . \( -path ./build -o -path './.*' \) -prune -o \( -name '*.cpp' -o -name '*.h' \) -print0
fi | xargs -0 -r "$clang_format" --dry-run -Werror
