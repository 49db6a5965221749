#!/usr/bin/env bash
# Start-up of the game beside a bare Qt main window (menu bar, one timer), measured in one run on
# one virtual display: milliseconds from exec to the first mapped window, the processor time used
# by then (steady on a busy machine, where the wall-clock time is not) and resident memory 3 s
# later, medians of the runs, taken alternately so both see the same machine.
#   bench/startup.sh [-n RUNS] [GAME-PROGRAM...]
# Builds the Release bench preset's game and probes unless game programs are named; several
# programs (a build before and after a change) are measured in the same runs, one row each.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=5
if [[ "${1:-}" == "-n" ]]; then
  runs=$2
  shift 2
fi
source bench/startup/common.sh
probes_and_games "$@"

start_display startup.sh

# Each game run starts as a first start: its own empty folder, no settings, no tally; the
# version request finds no server on this port.
measure() { # program-or-"bare" -> "ms kb cpu-ms"
  if [[ $1 == bare ]]; then
    "$probe" 3 "$bare"
  else
    local dir="$scratch/run$RANDOM$RANDOM"
    mkdir -p "$dir"
    cp "$1" "$dir/bloomzap"
    "$probe" 3 "$dir/bloomzap"
  fi
}

# One column per program, "bare" first; each run takes them in turn.
programs=(bare "${games[@]}")
declare -A ms kb cpu
for i in $(seq "$runs"); do
  line="run $i:"
  for p in "${!programs[@]}"; do
    read -r m k c < <(measure "${programs[$p]}")
    ms[$p]+=" $m"; kb[$p]+=" $k"; cpu[$p]+=" $c"
    line+=" [$p] $m ms $c cpu-ms $k kB"
  done
  echo "$line" >&2
done

median() { printf '%s\n' $@ | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
bm=$(median ${ms[0]}); bk=$(median ${kb[0]}); bc=$(median ${cpu[0]})
printf "medians of %d runs   window ms   CPU ms to window   RSS MB    ratios: window  CPU   RSS\n" "$runs"
awk -v m="$bm" -v c="$bc" -v k="$bk" 'BEGIN { printf "[0] bare Qt window   %9.1f   %16.1f   %6.1f\n", m, c, k / 1024 }'
for p in "${!games[@]}"; do
  n=$((p + 1))
  awk -v name="[$n] $(basename "$(dirname "${games[$p]}")")/$(basename "${games[$p]}")" \
      -v m="$(median ${ms[$n]})" -v c="$(median ${cpu[$n]})" -v k="$(median ${kb[$n]})" \
      -v bm="$bm" -v bc="$bc" -v bk="$bk" 'BEGIN {
    printf "%-20s %9.1f   %16.1f   %6.1f    %13.2fx %4.2fx %4.2fx\n", substr(name, 1, 20), m, c, k / 1024, m / bm, c / bc, k / bk
  }'
done
