#!/usr/bin/env bash
# Instructions the game executes in each phase of its start, counted by callgrind on a virtual
# display: linking and the application's set-up, making the windows, showing the game window up
# to its first painting, and what follows in the next seconds (large icon sizes, the version
# check, the first sound). Counts are steady from run to run, unlike times on a busy machine.
#   bench/startup_phases.sh [SECONDS] [GAME-PROGRAM...]
# Builds the Release bench preset's game unless programs are named; SECONDS (default 30) is how
# long each program runs under callgrind, which is about fifty times slower than without.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=30
if [[ "${1:-}" =~ ^[0-9]+$ ]]; then
  seconds=$1
  shift
fi
source bench/startup/common.sh
games=("$@")
if [[ ${#games[@]} -eq 0 ]]; then
  bench_build bloomzap
  games=(build/bench/app/bloomzap)
fi
command -v valgrind >/dev/null || { echo "startup_phases.sh: valgrind is needed" >&2; exit 1; }

start_display startup_phases.sh

total() { callgrind_annotate "$1" 2>/dev/null | awk '/PROGRAM TOTALS/ { gsub(",", "", $1); print $1 }'; }

printf "%-24s %14s %14s %14s %14s %14s\n" "Minstr" set-up windows "shown, painted" "to painted" "then (${seconds}s)"
for game in "${games[@]}"; do
  # A first start, as in startup.sh: its own empty folder, no settings.
  dir="$scratch/run$RANDOM$RANDOM"
  mkdir -p "$dir"
  cp "$game" "$dir/bloomzap"
  (cd "$dir" && HOME="$dir" timeout -s INT "$seconds" valgrind --tool=callgrind \
    --callgrind-out-file="$dir/cg.out" --dump-before='GameWindows::GameWindows*' \
    --dump-before='GameProgram::exec*' --dump-before='programicon::addLargeSizes*' \
    ./bloomzap >"$dir/valgrind.log" 2>&1) || true
  a=$(total "$dir/cg.out.1"); b=$(total "$dir/cg.out.2"); c=$(total "$dir/cg.out.3")
  d=$(total "$dir/cg.out")
  awk -v n="$(basename "$(dirname "$game")")/$(basename "$game")" -v a="$a" -v b="$b" -v c="$c" \
      -v d="$d" 'BEGIN { printf "%-24s %14.1f %14.1f %14.1f %14.1f %14.1f\n", substr(n, 1, 24),
                         a / 1e6, b / 1e6, c / 1e6, (a + b + c) / 1e6, d / 1e6 }'
done
