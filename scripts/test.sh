#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: once in the development
# build, then again under AddressSanitizer and UndefinedBehaviorSanitizer. The house naming is
# checked on the first build: on the whole tree, or with BLOOMZAP_TIDY_BASE=<revision>
# only on the sources changed since that revision. Then the Debian packages are built, checked
# with lintian, installed, tested as installed and purged again.
set -euo pipefail
cd "$(dirname "$0")/.."
# Another checkout of the project on this machine (CI's clone, a second work tree) reuses the
# compiler cache: paths are hashed relative to the checkout.
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
bash scripts/setup.sh test
# BLOOMZAP_TEST_BUILDS names the builds the suite runs in (CI runs it under the sanitizers
# alone, see .ci/run). The naming is checked on the first of them.
read -r -a builds <<< "${BLOOMZAP_TEST_BUILDS:-dev asan}"
for preset in "${builds[@]}"; do
  cmake --preset "$preset"
  cmake --build --preset "$preset"
  ctest --preset "$preset" -j2
  if [[ "$preset" == "${builds[0]}" ]]; then
    bash scripts/tidy.sh "build/$preset" "${BLOOMZAP_TIDY_BASE:-}"
  fi
done

# The packages as a distribution builds them and as a user installs them.
bash scripts/package.sh
bash scripts/package-test.sh

# Fuzz smoke: every fuzz target for a few seconds under the sanitizers, so a target that no
# longer builds or fails at once fails the run. Long runs are for people: scripts/fuzz.sh.
bash scripts/fuzz.sh "${BLOOMZAP_FUZZ_SMOKE_SECONDS:-5}"
