#!/usr/bin/env bash
# Several rounds through the real program, as a user runs them (`quorvalemixer MIX.toml`):
#   - Kirkman's fifteen: 15 names, groups = 5, rounds = 7, 60 s;
#   - the social golfers: 32 names, groups = 8, rounds = 8 and rounds = 9, 120 s each;
#   - a class of 60 (gender balanced, class and town spread, clubs packed, two apart rules and a
#     together rule) over rounds = 3, 60 s, against three groupings of the same mix searched on
#     their own with seeds 1 to 3 (20 s each).
# Prints each run's wall-clock seconds and its summary lines on the wishes, the meetings and the
# scores, then the pairs of the class that meet more than once (the together rule's pair aside)
# in the three rounds and in the three independent groupings, counted from the groups files.
#
#   bench/rounds_program.sh build/quorvalemixer [more options for every run, e.g. --threads 1]
set -euo pipefail
program=$(realpath "$1")
shift
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

names() { # COUNT PREFIX
  echo Name
  for i in $(seq 1 "$1"); do echo "$2 $i"; done
}
names 15 Girl >fifteen.csv
names 32 Golfer >golfers.csv
awk 'BEGIN {
  srand(7)
  print "Name,Gender,Class,Home town,Club"
  split("Aachen Jülich Düren Eschweiler Kreuzau Stolberg Würselen Alsdorf", town, " ")
  for (i = 1; i <= 60; ++i) {
    club = rand() < 0.25 ? "Choir" : (rand() < 0.2 ? "Chess" : "")
    printf "Pupil %02d,%s,6%s,%s,%s\n", i, i % 2 ? "f" : "m", substr("abc", i % 3 + 1, 1),
           town[int(rand() * 8) + 1], club
  }
}' >class.csv

mix() { # FILE ROSTER GROUPS ROUNDS SECONDS [MORE LINES]
  printf 'roster = "%s"\nname = "Name"\ngroups = %s\nrounds = %s\ntime_limit = "%ss"\n%s' \
    "$2" "$3" "$4" "$5" "${6:-}" >"$1"
}
class_wishes='balance = "Gender"
[spread]
"Class" = 100
"Home town" = 50
[pack]
"Club" = 30
[rules]
apart = [["Pupil 01", "Pupil 02"], ["Pupil 10", "Pupil 11", "Pupil 12"]]
together = [["Pupil 20", "Pupil 21"]]
'
mix kirkman.toml fifteen.csv 5 7 60
mix golfers-8.toml golfers.csv 8 8 120
mix golfers-9.toml golfers.csv 8 9 120
mix class-3.toml class.csv 6 3 60 "$class_wishes"
mix class-1.toml class.csv 6 1 20 "$class_wishes"

run() { # MIX [OPTIONS]
  local start end
  start=$(date +%s.%N)
  "$program" "$@" --no-pause >out.txt 2>&1 || true
  end=$(date +%s.%N)
  awk -v s="$start" -v e="$end" -v what="$*" 'BEGIN { printf "== %s: %.1f s\n", what, e - s }'
  grep -E '^(Every round|Round [0-9]+|Meetings|Best score)' out.txt || tail -5 out.txt
}

# The pairs of a groups file that share a group in more than one of the columns `cols` (numbers,
# comma-separated), the pairs of the names in `skip` ("|a|b|") aside.
pairs_meeting_again() {
  awk -F, -v cols="$1" -v skip="$2" '
    BEGIN { n = split(cols, c, ",") }
    NR > 1 { name[NR] = $1; for (k = 1; k <= n; ++k) g[NR, k] = $(c[k]); last = NR }
    END {
      for (a = 2; a <= last; ++a) for (b = a + 1; b <= last; ++b) {
        if (index(skip, "|" name[a] "|") && index(skip, "|" name[b] "|")) continue
        m = 0
        for (k = 1; k <= n; ++k) m += g[a, k] == g[b, k]
        pairs += m > 1
      }
      print pairs + 0
    }' "$3"
}

for m in kirkman golfers-8 golfers-9; do run "$m.toml" --seed 1 "$@"; done
run class-3.toml --seed 1 "$@"
for seed in 1 2 3; do
  run class-1.toml --seed "$seed" "$@"
  cut -d, -f6 class-1.groups.csv >"independent-$seed.csv"
done
paste -d, class.csv independent-{1,2,3}.csv >independent.csv
echo "== class of 60, pairs meeting more than once, the together pair aside:" \
  "3 rounds $(pairs_meeting_again 6,7,8 '|Pupil 20|Pupil 21|' class-3.groups.csv)," \
  "3 independent groupings $(pairs_meeting_again 6,7,8 '|Pupil 20|Pupil 21|' independent.csv)"
