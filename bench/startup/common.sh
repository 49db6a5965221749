# Sourced by the start-up benchmarks (startup.sh, startup_memory.sh, startup_phases.sh), run from
# the project's root.

# bench_build TARGET...: the Release bench preset, configured and the targets built.
bench_build() {
  cmake --preset bench >/dev/null
  cmake --build --preset bench --target "$@" >/dev/null
}

# probes_and_games [GAME-PROGRAM...]: the probe and the bare window built, and $probe, $bare and
# $games set; without programs named, the bench build's game is built and measured.
probes_and_games() {
  local targets=(startup_probe bare_window)
  [[ $# -ge 1 ]] || targets+=(bloomzap)
  bench_build "${targets[@]}"
  games=("$@")
  [[ ${#games[@]} -ge 1 ]] || games=(build/bench/app/bloomzap)
  probe=build/bench/bench/startup_probe
  bare=build/bench/bench/bare_window
}

# start_display NAME: a virtual display of the benchmark's own, exported as DISPLAY, and a
# scratch folder in $scratch; both go when the script ends. Xvfb picks a free display itself and
# names it once it is ready: a display number chosen here could be one another user's server
# holds on a shared machine.
start_display() {
  scratch=$(mktemp -d)
  Xvfb -displayfd 1 -screen 0 1280x1024x24 -nolisten tcp >"$scratch/display" 2>/dev/null &
  xvfb=$!
  trap 'kill $xvfb 2>/dev/null || true; rm -rf "$scratch"' EXIT
  for _ in $(seq 300); do [[ -s "$scratch/display" ]] && break; sleep 0.1; done
  [[ -s "$scratch/display" ]] || { echo "$1: Xvfb did not start" >&2; exit 1; }
  export DISPLAY=":$(head -n 1 "$scratch/display")"
}
