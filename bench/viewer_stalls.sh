#!/usr/bin/env bash
# The high-score viewer's longest UI-thread stall for each hostile page: runs viewer_stalls once
# per page (offscreen), each page served on 127.0.0.1 to the real window.
#   bench/viewer_stalls.sh [-g GIVE-UP-SECONDS] [VIEWER_STALLS-PROGRAM]
# The program is built with the "bench" preset (build/bench/bench/viewer_stalls by default).
set -euo pipefail
giveup=60
if [[ "${1:-}" == "-g" ]]; then
    giveup=$2
    shift 2
fi
program=${1:-build/bench/bench/viewer_stalls}
[[ -x "$program" ]] || { echo "no program $program; build it: cmake --preset bench && cmake --build --preset bench --target viewer_stalls" >&2; exit 2; }
for page in $("$program"); do
    "$program" "$page" "$giveup"
done
