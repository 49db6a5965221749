#!/usr/bin/env bash
# Runs the compressor's fuzz target under AddressSanitizer and UndefinedBehaviorSanitizer for a
# bounded time. Usage: scripts/fuzz.sh [seconds] (default 60). Findings land in build/fuzz/findings.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
build=build/fuzz
sanitize="-fsanitize=address,undefined,fuzzer-no-link -fno-sanitize-recover=undefined -fno-omit-frame-pointer"

cmake -S . -B "$build" -G Ninja \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_CXX_FLAGS="$sanitize" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
  -DBLOOMZAP_BUILD_TESTS=OFF -DBLOOMZAP_BUILD_FUZZ=ON >/dev/null
cmake --build "$build" --target lzrw1_fuzz

corpus="$build/corpus"
findings="$build/findings"
mkdir -p "$corpus" "$findings"
# Seeds: real containers of both methods, so the fuzzer starts from valid structure.
if [ -z "$(ls -A "$corpus")" ]; then
  printf 'WRZL\0\0\0\0\1\0\x80' >"$corpus/empty"
  printf 'WRZL\x28\0\0\0\7\0\x40\x80\0\0\0\x18A' >"$corpus/run"
  printf 'WRZL\3\0\0\0\4\0\x80abc' >"$corpus/stored"
  printf 'WRZL\x13\0\0\0\6\0\x40\x40\0x\0\x1f' >"$corpus/reference"
fi

UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
ASAN_OPTIONS=detect_leaks=1 \
  "$build/tools/lzrw1/lzrw1_fuzz" -max_total_time="$seconds" -max_len=70000 \
  -artifact_prefix="$findings/" -print_final_stats=1 "$corpus"
