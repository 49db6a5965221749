#!/usr/bin/env bash
# Builds the Debian packages from debian/ with dpkg-buildpackage, in a copy of the source tree
# (what git tracks, and new files it does not ignore), then checks them with lintian.
#   scripts/package.sh [output folder]       (default build/package)
# The folder receives bloomzap, bloomzap-server, their -dbgsym packages and the .changes file.
# DEB_BUILD_OPTIONS passes through (for example nocheck parallel=2).
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-build/package}")

bash scripts/setup.sh package

version=$(dpkg-parsechangelog -S Version)
source="$out/bloomzap-$version"
rm -rf "$source" "$out"/*.deb "$out"/*.ddeb "$out"/*.changes "$out"/*.buildinfo
mkdir -p "$source"
git ls-files -z --cached --others --exclude-standard |
  while IFS= read -r -d '' file; do
    # A file deleted but not yet committed is still listed.
    if [ -e "$file" ]; then
      printf '%s\0' "$file"
    fi
  done | xargs -0 cp --parents -t "$source"

(cd "$source" && dpkg-buildpackage -us -uc -b)
rm -rf "$source"

changes=("$out"/bloomzap_"$version"_*.changes)
ls -l "$out"/*.deb
# Every tag, pedantic ones included, fails the script unless an override in debian/ argues it.
lintian --pedantic --fail-on error,warning,info,pedantic "${changes[@]}"
echo "lintian: clean"
