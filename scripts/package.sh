#!/usr/bin/env bash
# Builds the Debian source package and, with dpkg-buildpackage, the binary packages from a copy
# of the source tree (what git tracks, and new files it does not ignore), then checks them all
# with lintian.
#   scripts/package.sh [output folder]       (default build/package)
# The folder receives the source package (.dsc, .tar.xz), bloomzap, bloomzap-lzrw1,
# bloomzap-server, their -dbgsym packages and the .changes file.
# DEB_BUILD_OPTIONS passes through (for example nocheck parallel=2).
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-build/package}")

bash scripts/setup.sh package

version=$(dpkg-parsechangelog -S Version)
source="$out/bloomzap-$version"
rm -rf "$source" "$out"/*.deb "$out"/*.changes "$out"/*.buildinfo "$out"/*.dsc "$out"/*.tar.*
mkdir -p "$source"
git ls-files -z --cached --others --exclude-standard |
  while IFS= read -r -d '' file; do
    # A file deleted but not yet committed is still listed.
    if [ -e "$file" ]; then
      printf '%s\0' "$file"
    fi
  done | xargs -0 cp --parents -t "$source"

(cd "$out" && dpkg-source -b "$(basename "$source")")
(cd "$source" && dpkg-buildpackage -us -uc -b)
rm -rf "$source"

changes=("$out"/bloomzap_"$version"_*.changes)
ls -l "$out"/*.deb
# Every tag, pedantic ones included, fails the script unless an override in debian/ argues it.
lintian --pedantic --fail-on error,warning,info,pedantic "${changes[@]}" "$out/bloomzap_$version.dsc"
echo "lintian: clean"
