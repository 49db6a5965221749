#!/usr/bin/env bash
# Checks the house naming with clang-tidy (.clang-tidy) on the project's own C++ sources.
#   scripts/tidy.sh BUILD_DIR            every source of the tree
#   scripts/tidy.sh BUILD_DIR BASE       only sources changed since git revision BASE, and the
#                                        sources beside changed headers
# BUILD_DIR must hold compile_commands.json (the presets write it). Exits non-zero on a finding.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:?build folder}
base=${2:-}

# Sources a build compiles; fuzz targets need clang's fuzzer and are not in every build.
mapfile -t known < <(python3 - "$build/compile_commands.json" <<'PY'
import json, os, sys
root = os.getcwd()
for entry in json.load(open(sys.argv[1])):
    f = os.path.relpath(os.path.join(entry["directory"], entry["file"]), root)
    if not f.startswith("..") and "/build/" not in "/" + f and not f.startswith("build/"):
        print(f)
PY
)

if [[ -n "$base" ]]; then
    mapfile -t changed < <(git diff --name-only --diff-filter=d "$base" -- '*.cpp' '*.h')
    files=()
    for f in "${known[@]}"; do
        for c in "${changed[@]}"; do
            if [[ "$f" == "$c" || "${f%.cpp}.h" == "$c" ]]; then
                files+=("$f")
                break
            fi
        done
    done
else
    files=("${known[@]}")
fi

if [[ ${#files[@]} -eq 0 ]]; then
    echo "tidy: nothing to check"
    exit 0
fi
echo "tidy: checking ${#files[@]} files"
run-clang-tidy -quiet -p "$build" -j "$(nproc)" "${files[@]/#/$PWD/}" 2>/dev/null |
    grep -E "(warning|error):" | sort -u > "$build/tidy.log" || true
if [[ -s "$build/tidy.log" ]]; then
    cat "$build/tidy.log"
    exit 1
fi
echo "tidy: clean"
