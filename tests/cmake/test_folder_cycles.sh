#!/usr/bin/env bash
# cmake/FolderCycles.cmake against small trees: each case is a set of files with the includes
# they make, whether the check must refuse the tree, and what it must name when it does.
set -uo pipefail
source_dir=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# case | files as "path>include,include" separated by spaces | expected status | expected text
cases=(
  "one direction|a/x/A.h>b/B.h b/B.h>c/C.h c/C.h> a/x/A.cpp>a/x/A.h|0|"
  "two folders|a/A.h>b/B.h b/B.h>a/A.h|1|a -> b: a/A.h includes \"b/B.h\""
  "three folders, entered from outside|top/T.h>a/A.h a/A.h>b/B.h b/B.h> b/B.cpp>c/C.h c/C.h>a/A.h|1|c -> a: c/C.h includes \"a/A.h\""
  "a folder and its parent|core/P.h>core/x/X.h core/x/X.h>core/P.h|1|core/x -> core: core/x/X.h includes \"core/P.h\""
  "own folder and unknown names|a/A.h>a/B.h,gen.moc,b/Missing.h a/B.h>a/A.h|0|"
)

for row in "${cases[@]}"; do
  IFS='|' read -r name files status text <<<"$row"
  tree="$work/${name// /_}"
  mkdir -p "$tree"
  for file in $files; do
    path=${file%%>*}
    mkdir -p "$tree/$(dirname "$path")"
    : >"$tree/$path"
    IFS=',' read -ra includes <<<"${file#*>}"
    for include in "${includes[@]}"; do
      [[ -n $include ]] && printf '#include "%s"\n' "$include" >>"$tree/$path"
    done
  done
  output=$(cmake -DROOT="$tree" -P "$source_dir/cmake/FolderCycles.cmake" 2>&1)
  got=$([[ $? -eq 0 ]] && echo 0 || echo 1)
  if [[ $got != "$status" ]] || [[ -n $text && $output != *"$text"* ]]; then
    echo "FAIL $name: status $got (expected $status)"
    echo "$output"
    failures=$((failures + 1))
  fi
done

# The tree itself.
if ! output=$(cmake -DROOT="$source_dir/src" -P "$source_dir/cmake/FolderCycles.cmake" 2>&1); then
  echo "FAIL src/: $output"
  failures=$((failures + 1))
fi
exit $((failures > 0))
