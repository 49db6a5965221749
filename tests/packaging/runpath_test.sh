#!/usr/bin/env bash
# Checks that no built program makes the loader search an empty or relative folder (an empty
# RUNPATH entry means the current folder, where anyone could plant a library).
# Usage: runpath_test.sh PROGRAM...
set -euo pipefail
status=0
for program in "$@"; do
  if [[ ! -x "$program" ]]; then
    echo "FAIL: $program is not a built program" >&2
    status=1
    continue
  fi
  # Lines look like: 0x... (RUNPATH)  Library runpath: [/a:/b]
  while IFS= read -r paths; do
    IFS=':' read -r -a entries <<<"$paths"
    # A trailing or lone ':' leaves an empty last entry that read -a drops.
    [[ "$paths" == *: || -z "$paths" ]] && entries+=("")
    for entry in "${entries[@]}"; do
      if [[ "$entry" != /* ]]; then
        echo "FAIL: $program searches '${entry}' (RUNPATH [$paths])" >&2
        status=1
        break
      fi
    done
  done < <(readelf -d "$program" | sed -n 's/.*(\(RUNPATH\|RPATH\)).*\[\(.*\)\]$/\2/p')
done
[[ $status -eq 0 ]] && echo "no empty or relative RUNPATH entries in $# programs"
exit "$status"
