#!/usr/bin/env bash
# Runs the fuzz targets under AddressSanitizer and UndefinedBehaviorSanitizer, each for a bounded
# time, and prints per target the executions, the coverage and the findings.
# Usage: scripts/fuzz.sh [seconds] [target...]   (default 60 seconds, every target)
# Seeds come from tests/fuzz/corpus/<target>; what the fuzzer learns stays in build/fuzz/corpus;
# findings land in build/fuzz/findings, named after their target.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
shift || true
all=(lzrw1_fuzz settings_fuzz tallytext_fuzz postingquery_fuzz fetchreply_fuzz httpfetch_fuzz
  releasestatement_fuzz gamerecord_fuzz)
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=("${all[@]}")

build=build/fuzz
sanitize="-fsanitize=address,undefined,fuzzer-no-link -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
cmake -S . -B "$build" -G Ninja \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_CXX_FLAGS="$sanitize" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
  -DBLOOMZAP_BUILD_TESTS=OFF -DBLOOMZAP_BUILD_TOOLS=OFF -DBLOOMZAP_BUILD_FUZZ=ON >/dev/null
cmake --build "$build" -j2 --target "${targets[@]}"

findings="$build/findings"
mkdir -p "$findings"
failed=0
for target in "${targets[@]}"; do
  corpus="$build/corpus/$target"
  seeds="tests/fuzz/corpus/$target"
  log="$build/$target.log"
  mkdir -p "$corpus"
  before=$(find "$findings" -name "$target-*" | wc -l)
  status=0
  UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 ASAN_OPTIONS=detect_leaks=1 \
    "$build/tests/fuzz/$target" -max_total_time="$seconds" -max_len=70000 -rss_limit_mb=2048 \
    -timeout=10 -artifact_prefix="$findings/$target-" -print_final_stats=1 \
    "$corpus" "$seeds" >"$log" 2>&1 || status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1 || true)
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | cut -d" " -f2 || true)
  ft=$(grep -o 'ft: [0-9]*' "$log" | tail -1 | cut -d" " -f2 || true)
  found=$(($(find "$findings" -name "$target-*" | wc -l) - before))
  printf '%-22s executions %-10s coverage %-5s features %-6s findings %s\n' \
    "$target" "${runs:-?}" "${cov:-?}" "${ft:-?}" "$found"
  if [ "$status" -ne 0 ] || [ "$found" -ne 0 ]; then
    failed=1
    echo "  see $log and $findings" >&2
  fi
done
exit "$failed"
