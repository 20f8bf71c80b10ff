#!/usr/bin/env bash
# Large rosters through the real program: generates a roster of N persons (a name, two genders,
# about N/25 classes, 50 towns, a language held by more than half), then times `init` on it and
# a run of the mix init wrote with a 1 s time limit, from the program's start to its end, and
# gives the size of the report. Wall-clock seconds: run it on a quiet machine.
#
#   bench/large_roster.sh build/quorvalemixer [N] [more options for the run, e.g. --threads 1]
set -euo pipefail
program=$(realpath "$1")
persons=${2:-40000}
shift $(($# < 2 ? $# : 2))
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

awk -v n="$persons" 'BEGIN {
  srand(7)
  print "Name,Gender,Class,Town,Language"
  classes = int(n / 25) < 2 ? 2 : int(n / 25)
  split("de de de de de de tr pl ru vi it", languages, " ")
  for (p = 1; p <= n; ++p) {
    printf "Person %d,%s,C%d,T%d,%s\n", p, rand() < 0.5 ? "f" : "m", int(rand() * classes),
           int(rand() * 50), languages[1 + int(rand() * 11)]
  }
}' >roster.csv

# Prints the wall-clock seconds `command` takes; its own output goes to out.txt and err.txt.
seconds() {
  local start end
  start=$(date +%s.%N)
  "$@" >out.txt 2>err.txt || { cat err.txt >&2; exit 1; }
  end=$(date +%s.%N)
  awk -v s="$start" -v e="$end" 'BEGIN { printf "%.2f", e - s }'
}

echo "persons: $persons"
echo "init: $(seconds "$program" init roster.csv) s ($(grep -o '[0-9]* groups' out.txt))"
echo "run, --time-limit 1s $*: $(seconds "$program" roster.toml --no-pause --time-limit 1s \
  --seed 1 "$@") s"
echo "report: $(wc -c <roster.report.html) bytes"
