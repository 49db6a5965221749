#!/usr/bin/env bash
# What the resident memory 3 s after the first window is made of, for a bare Qt main window and
# the game, on one virtual display in one run: medians of the runs by kind (the program's own
# image, shared libraries, fonts, heap, other anonymous memory ...) and then by mapped file, the
# largest differences first (last program minus the bare window, or with -d minus the first
# program: a build before a change).
#   bench/startup_memory.sh [-n RUNS] [-r ROWS] [-d] [GAME-PROGRAM...]
# Builds the Release bench preset's game and probes unless game programs are named; several
# programs are measured alternately in the same runs, one column each.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=5
rows=25
base=0
while [[ "${1:-}" =~ ^-[nrd]$ ]]; do
  case $1 in
    -n) runs=$2; shift 2 ;;
    -r) rows=$2; shift 2 ;;
    -d) base=1; shift ;;
  esac
done
source bench/startup/common.sh
probes_and_games "$@"

start_display startup_memory.sh

# As in startup.sh, each game run is a first start in its own empty folder, its file named
# "bloomzap" so that the program's image is told apart from the libraries.
programs=(bare "${games[@]}")
for i in $(seq "$runs"); do
  for p in "${!programs[@]}"; do
    if [[ ${programs[$p]} == bare ]]; then
      "$probe" --smaps "$scratch/smaps.$p.$i" 3 "$bare" >/dev/null
    else
      dir="$scratch/run$p.$i"
      mkdir -p "$dir"
      cp "${programs[$p]}" "$dir/bloomzap"
      "$probe" --smaps "$scratch/smaps.$p.$i" 3 "$dir/bloomzap" >/dev/null
    fi
  done
  echo "run $i done" >&2
done

# One line per run and name: "column run kind name kB". Names are file base names; anonymous
# mappings are told apart only by their kind.
for p in "${!programs[@]}"; do
  for i in $(seq "$runs"); do
    awk -v col="$p" -v run="$i" '
      /^[0-9a-f]+-[0-9a-f]+ / {
        name = $6
        for (f = 7; f <= NF; f++) name = name " " $f
        perms = $2
        next
      }
      /^Rss:/ {
        kb = $2
        if (name == "") { kind = "anonymous"; shown = "(anonymous " perms ")" }
        else if (name == "[heap]") { kind = "heap"; shown = name }
        else if (name == "[stack]") { kind = "stack"; shown = name }
        else if (name ~ /^\[/) { kind = "kernel"; shown = name }
        else {
          n = split(name, part, "/"); shown = part[n]
          if (shown ~ /^(bloomzap|bare_window)$/) { kind = "program image"; shown = "(program image)" }
          else if (shown ~ /\.(ttf|otf|pfb|pfa|ttc)$/ || name ~ /fontconfig/) kind = "fonts"
          else if (shown ~ /\.so(\.|$)/) kind = "libraries"
          else kind = "other files"
        }
        total[kind] += kb; byname[shown] += kb
      }
      END {
        for (k in total) printf "%s\t%s\tkind\t%s\t%d\n", col, run, k, total[k]
        for (s in byname) printf "%s\t%s\tname\t%s\t%d\n", col, run, s, byname[s]
      }' "$scratch/smaps.$p.$i"
  done
done >"$scratch/table"

# Medians per column, missing entries counted as 0 kB.
header="$(printf '%-34s' 'medians, kB')"
for p in "${!programs[@]}"; do
  label=bare
  if [[ ${programs[$p]} != bare ]]; then
    label=$(basename "${programs[$p]}")
    [[ $label != bloomzap ]] || label=$(basename "$(dirname "${programs[$p]}")")
    label="[$p] $label"
  fi
  header+="$(printf ' %12s' "${label:0:12}")"
done
[[ $base == 0 ]] && header+="$(printf ' %12s' 'last - bare')" || header+="$(printf ' %12s' 'last - [1]')"
awk -F'\t' -v runs="$runs" -v columns="${#programs[@]}" -v rows="$rows" -v header="$header" -v base="$base" '
  { value[$3 FS $4, $1, $2] = $5; seen[$3 FS $4] = 1 }
  function median(key, col,    i, n, v, j, t) {
    n = 0
    for (i = 1; i <= runs; i++) v[++n] = ((key, col, i) in value) ? value[key, col, i] : 0
    for (i = 1; i <= n; i++) for (j = i + 1; j <= n; j++) if (v[j] < v[i]) { t = v[i]; v[i] = v[j]; v[j] = t }
    return (n % 2) ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2
  }
  END {
    for (key in seen) {
      split(key, part, FS)
      line = sprintf("%-34s", substr(part[2], 1, 34))
      for (c = 0; c < columns; c++) { m[c] = median(key, c); line = line sprintf(" %12.0f", m[c]) }
      line = line sprintf(" %+12.0f", m[columns - 1] - m[base])
      if (part[1] == "kind") { kinds[key] = line; total0 += m[0]; totalLast += m[columns - 1] }
      else { names[key] = line; diff[key] = m[columns - 1] - m[base] }
    }
    print header
    for (key in kinds) print kinds[key] | "sort -t\"|\" -k1,1"
    close("sort -t\"|\" -k1,1")
    printf "%-34s %12.0f ... %12.0f %+12.0f   (sums of kind medians, bare ... last)\n\n", "all", total0, totalLast, totalLast - total0
    print header
    n = 0
    for (key in names) { n++; order[n] = key }
    for (i = 1; i <= n; i++) for (j = i + 1; j <= n; j++) {
      a = diff[order[i]]; b = diff[order[j]]
      if ((b < 0 ? -b : b) > (a < 0 ? -a : a)) { t = order[i]; order[i] = order[j]; order[j] = t }
    }
    for (i = 1; i <= n && i <= rows; i++) print names[order[i]]
  }' "$scratch/table"
