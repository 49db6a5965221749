#!/usr/bin/env bash
# Start-up of the game beside a bare Qt main window (menu bar, one timer), measured in one run on
# one virtual display: milliseconds from exec to the first mapped window, the processor time used
# by then (steady on a busy machine, where the wall-clock time is not) and resident memory 3 s
# later, medians of the runs, taken alternately so both see the same machine.
#   bench/startup.sh [-n RUNS] [GAME-PROGRAM]
# Builds the Release bench preset's game and probes unless a game program is named.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=5
if [[ "${1:-}" == "-n" ]]; then
  runs=$2
  shift 2
fi
build=build/bench
cmake --preset bench >/dev/null
targets=(startup_probe bare_window)
[[ $# -ge 1 ]] || targets+=(bloomzap)
cmake --build --preset bench --target "${targets[@]}" >/dev/null
game="${1:-$build/app/bloomzap}"
probe="$build/bench/startup_probe"
bare="$build/bench/bare_window"

# Xvfb picks a free display itself and names it once it is ready: a display number chosen here
# could be one another user's server holds on a shared machine.
scratch=$(mktemp -d)
Xvfb -displayfd 1 -screen 0 1280x1024x24 -nolisten tcp >"$scratch/display" 2>/dev/null &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true; rm -rf "$scratch"' EXIT
for _ in $(seq 300); do [[ -s "$scratch/display" ]] && break; sleep 0.1; done
[[ -s "$scratch/display" ]] || { echo "startup.sh: Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(head -n 1 "$scratch/display")"

# Each game run starts as a first start: its own empty folder, no settings, no tally; the
# version request finds no server on this port.
measure() { # kind -> "ms kb cpu-ms"
  if [[ $1 == bare ]]; then
    "$probe" 3 "$bare"
  else
    local dir="$scratch/run$RANDOM"
    mkdir -p "$dir"
    cp "$game" "$dir/bloomzap"
    "$probe" 3 "$dir/bloomzap"
  fi
}

declare -a bareMs bareKb bareCpu gameMs gameKb gameCpu
for i in $(seq "$runs"); do
  read -r ms kb cpu < <(measure bare); bareMs+=("$ms"); bareKb+=("$kb"); bareCpu+=("$cpu")
  read -r ms kb cpu < <(measure game); gameMs+=("$ms"); gameKb+=("$kb"); gameCpu+=("$cpu")
  echo "run $i: bare ${bareMs[-1]} ms ${bareCpu[-1]} cpu-ms ${bareKb[-1]} kB," \
       "game ${gameMs[-1]} ms ${gameCpu[-1]} cpu-ms ${gameKb[-1]} kB" >&2
done

median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
bm=$(median "${bareMs[@]}"); bk=$(median "${bareKb[@]}")
gm=$(median "${gameMs[@]}"); gk=$(median "${gameKb[@]}")
bc=$(median "${bareCpu[@]}"); gc=$(median "${gameCpu[@]}")
awk -v bm="$bm" -v bk="$bk" -v gm="$gm" -v gk="$gk" -v bc="$bc" -v gc="$gc" -v n="$runs" 'BEGIN {
  printf "medians of %d runs   window ms   CPU ms to window   RSS MB\n", n
  printf "bare Qt window       %9.1f   %16.1f   %6.1f\n", bm, bc, bk / 1024
  printf "bloomzap             %9.1f   %16.1f   %6.1f\n", gm, gc, gk / 1024
  printf "ratio                %9.2fx  %16.2fx  %6.2fx\n", gm / bm, gc / bc, gk / bk
}'
