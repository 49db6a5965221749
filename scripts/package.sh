#!/usr/bin/env bash
# Builds the Debian source package and, with dpkg-buildpackage, the binary packages from a copy
# of the source tree (what git tracks, and new files it does not ignore), then checks them all
# with lintian.
#   scripts/package.sh [--twice] [output folder]       (default build/package)
# The folder receives the source package (.dsc, .tar.xz), bloomzap, bloomzap-lzrw1,
# bloomzap-server, their -dbgsym packages and the .changes file.
# --twice builds the binary packages a second time in a folder of another name and length, and
# fails unless every package is the same bytes both times (diffoscope, where installed, shows
# what differs).
# DEB_BUILD_OPTIONS passes through (for example nocheck); without a parallel= of its own, the
# build uses every core.
set -euo pipefail
cd "$(dirname "$0")/.."
twice=0
if [ "${1:-}" = --twice ]; then
  twice=1
  shift
fi
out=$(realpath -m "${1:-build/package}")

bash scripts/setup.sh package
case " ${DEB_BUILD_OPTIONS:-} " in
*" parallel="*) ;;
*) export DEB_BUILD_OPTIONS="${DEB_BUILD_OPTIONS:+$DEB_BUILD_OPTIONS }parallel=$(nproc)" ;;
esac

version=$(dpkg-parsechangelog -S Version)

# Copies the source tree into FOLDER/bloomzap-VERSION.
copy_tree() {
  local source="$1/bloomzap-$version"
  rm -rf "$source"
  mkdir -p "$source"
  git ls-files -z --cached --others --exclude-standard |
    while IFS= read -r -d '' file; do
      # A file deleted but not yet committed is still listed.
      if [ -e "$file" ]; then
        printf '%s\0' "$file"
      fi
    done | xargs -0 cp --parents -t "$source"
}

# Builds the binary packages in FOLDER, from a copy of the tree that is removed afterwards.
build_binaries() {
  local folder=$1
  rm -f "$folder"/*.deb "$folder"/*.changes "$folder"/*.buildinfo
  copy_tree "$folder"
  (cd "$folder/bloomzap-$version" && dpkg-buildpackage -us -uc -b)
  rm -rf "${folder:?}/bloomzap-$version"
}

rm -f "$out"/*.dsc "$out"/*.tar.*
copy_tree "$out"
(cd "$out" && dpkg-source -b "bloomzap-$version")
build_binaries "$out"

if [ "$twice" = 1 ]; then
  again="$out/a-folder-of-another-name-and-length"
  mkdir -p "$again"
  build_binaries "$again"
  differ=0
  for deb in "$out"/*.deb; do
    other="$again/$(basename "$deb")"
    if ! cmp -s "$deb" "$other"; then
      echo "FAIL: $(basename "$deb") differs when built in another folder" >&2
      if command -v diffoscope >/dev/null; then
        diffoscope "$deb" "$other" >&2 || true
      fi
      differ=1
    fi
  done
  [ "$differ" = 0 ] || exit 1
  (cd "$out" && sha256sum ./*.deb)
  echo "reproducible: $(ls "$out"/*.deb | wc -l) packages, the same bytes from two build folders"
  rm -rf "$again"
fi

changes=("$out"/bloomzap_"$version"_*.changes)
ls -l "$out"/*.deb
# Every tag, pedantic ones included, fails the script unless an override in debian/ argues it.
lintian --pedantic --fail-on error,warning,info,pedantic "${changes[@]}" "$out/bloomzap_$version.dsc"
echo "lintian: clean"
