#!/usr/bin/env bash
# Builds the Debian packages bloomzap (the game) and bloomzap-server (the score server) with
# Debian's hardening flags, then checks them with lintian when it is installed.
#   scripts/package.sh [build folder]        (default build/package; the .deb files land there)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/package}

bash scripts/setup.sh

export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake -S . -B "$build" -G Ninja \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_INSTALL_PREFIX=/usr \
  -DBLOOMZAP_INSTALL_GAMEDIR=games \
  -DBLOOMZAP_BUILD_TESTS=OFF \
  -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON \
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)"
# Only what the packages hold (cpack would otherwise build every target first).
cmake --build "$build" --target bloomzap_packaging_files
rm -f "$build"/*.deb
(cd "$build" && cpack -G DEB)

debs=("$build"/*.deb)
ls -l "${debs[@]}"
if command -v lintian >/dev/null; then
  lintian "${debs[@]}"
fi
