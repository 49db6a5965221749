#!/usr/bin/env bash
# Checks that programs built only from plain targets load no Qt library: each plain target's
# test program and the plain programs. A Qt module linked into a plain target shows here.
# Usage: plain_programs_test.sh PROGRAM...
set -euo pipefail
status=0
for program in "$@"; do
  if [[ ! -x "$program" ]]; then
    echo "FAIL: $program is not a built program" >&2
    status=1
    continue
  fi
  qt=$(ldd "$program" | awk '$1 ~ /^libQt/ { print $1 }')
  if [[ -n "$qt" ]]; then
    echo "FAIL: $program loads" $qt >&2
    status=1
  fi
done
[[ $status -eq 0 ]] && echo "no Qt library in $# plain programs"
exit "$status"
