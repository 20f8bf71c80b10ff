#!/usr/bin/env bash
# The floors of the program: a folder includes only its own headers and those of floors below it,
# so that each floor can be read and built without the ones above. From the bottom:
#   base/, model/, engine/kernels/, engine/, proof/, the front and back ends (input/, roster/,
#   report/, console/, which include none of each other), app/.
# Prints every include that runs sideways or up a floor and fails when there is one.
set -euo pipefail
cd "$(dirname "$0")/.."

floor_of() {
  case "$1" in
    base) echo 0 ;; model) echo 1 ;; engine/kernels) echo 2 ;; engine) echo 3 ;; proof) echo 4 ;;
    input | roster | report | console) echo 5 ;; app) echo 6 ;; *) echo -1 ;;
  esac
}
# The folder of a path: engine/kernels/x.h -> engine/kernels, engine/x.h -> engine.
folder_of() {
  case "$1" in engine/kernels/*) echo engine/kernels ;; */*) echo "${1%%/*}" ;; *) echo "" ;; esac
}

bad=0
while IFS= read -r file; do
  from=$(folder_of "$file")
  from_floor=$(floor_of "$from")
  [ "$from_floor" -ge 0 ] || continue
  while IFS= read -r header; do
    to=$(folder_of "$header")
    to_floor=$(floor_of "$to")
    [ "$to_floor" -ge 0 ] || continue
    if [ "$to" != "$from" ] && [ "$to_floor" -ge "$from_floor" ]; then
      echo "$file includes $header: $to/ is not on a floor below $from/"
      bad=1
    fi
  done < <(sed -n 's/^#include "\([^"]*\)".*/\1/p' "$file")
done < <(git ls-files '*.cc' '*.h' | grep -v -E '^(tests|fuzz|bench)/')
[ "$bad" -eq 0 ] && echo "floors: every include runs down a floor"
exit "$bad"
