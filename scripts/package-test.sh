#!/usr/bin/env bash
# Tests the Debian packages as a user meets them: installs the three packages of a folder that
# scripts/package.sh filled, runs the tests of debian/tests against the installed programs (as
# autopkgtest would, each in a temporary folder of its own), then purges the packages and every
# package their installation brought in, and the server's system user, so the machine is left
# as it was found.
#   scripts/package-test.sh [folder]       (default build/package)
# Needs root (or sudo). A test that ends with 77 and is marked skippable is skipped.
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath "${1:-build/package}")
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive

version=$(dpkg-parsechangelog -S Version)
arch=$(dpkg --print-architecture)
packages=(bloomzap bloomzap-lzrw1 bloomzap-server)
debs=()
for package in "${packages[@]}"; do
  deb="$out/${package}_${version}_${arch}.deb"
  [ -f "$deb" ] || {
    echo "no $deb: build the packages first (scripts/package.sh)" >&2
    exit 1
  }
  debs+=("$deb")
done
for package in "${packages[@]}"; do
  if dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    echo "$package is installed already; this script installs and purges its own copy" >&2
    exit 1
  fi
done

work=$(mktemp -d)
dpkg-query -W -f='${Package}\n' | sort >"$work/before"
had_user=0
getent passwd bloomzap-server >/dev/null && had_user=1

# Whatever happens below, the packages and what they brought in go again.
restore() {
  local status=$?
  set +e
  $SUDO apt-get purge -y -q "${packages[@]}" >"$work/purge.log" 2>&1 || cat "$work/purge.log" >&2
  dpkg-query -W -f='${Package}\n' | sort >"$work/after"
  mapfile -t brought < <(comm -13 "$work/before" "$work/after")
  if [ ${#brought[@]} -gt 0 ]; then
    echo "Purging what the packages brought in: ${brought[*]}"
    $SUDO apt-get purge -y -q "${brought[@]}" >"$work/purge.log" 2>&1 || cat "$work/purge.log" >&2
  fi
  if [ "$had_user" = 0 ] && getent passwd bloomzap-server >/dev/null; then
    $SUDO deluser --quiet --system bloomzap-server >/dev/null 2>&1 || true
    getent group bloomzap-server >/dev/null && $SUDO delgroup --quiet --system bloomzap-server >/dev/null 2>&1
  fi
  dpkg-query -W -f='${Package}\n' | sort >"$work/after"
  if ! cmp -s "$work/before" "$work/after"; then
    echo "FAIL: the installed packages differ from before:" >&2
    diff "$work/before" "$work/after" >&2
    status=1
  fi
  for left in /var/lib/bloomzap-server /etc/default/bloomzap-server /usr/games/bloomzap; do
    if [ -e "$left" ]; then
      echo "FAIL: $left is left after the purge" >&2
      status=1
    fi
  done
  rm -rf "$work"
  exit "$status"
}
trap restore EXIT

echo "Installing ${packages[*]} $version"
$SUDO apt-get install -y -q --no-install-recommends "${debs[@]}" >"$work/install.log" 2>&1 || {
  cat "$work/install.log" >&2
  exit 1
}

# The tests and their restrictions, as debian/tests/control lists them.
failed=0
passed=0
skipped=0
while IFS='|' read -r name restrictions; do
  [ -n "$name" ] || continue
  tmp=$(mktemp -d -p "$work")
  echo "--- debian/tests/$name"
  set +e
  AUTOPKGTEST_TMP="$tmp" sh "debian/tests/$name" >"$tmp.out" 2>"$tmp.err"
  status=$?
  set -e
  cat "$tmp.out"
  if [ "$status" = 77 ] && [[ " $restrictions " == *" skippable "* ]]; then
    echo "$name: skipped ($(tail -n 1 "$tmp.out"))"
    skipped=$((skipped + 1))
  elif [ "$status" != 0 ]; then
    cat "$tmp.err" >&2
    echo "$name: FAIL (exit $status)"
    failed=$((failed + 1))
  elif [ -s "$tmp.err" ] && [[ " $restrictions " != *" allow-stderr "* ]]; then
    cat "$tmp.err" >&2
    echo "$name: FAIL (wrote to standard error)"
    failed=$((failed + 1))
  else
    echo "$name: passed"
    passed=$((passed + 1))
  fi
done < <(awk '
  function flush() { if (tests != "") { n = split(tests, t, /[ ,]+/); for (i = 1; i <= n; i++) if (t[i] != "") print t[i] "|" restr } tests = ""; restr = "" }
  /^#/ { next }
  /^[[:space:]]*$/ { flush(); next }
  /^Tests:/ { sub(/^Tests:[[:space:]]*/, ""); tests = $0; next }
  /^Restrictions:/ { sub(/^Restrictions:[[:space:]]*/, ""); gsub(/,/, " "); restr = $0; next }
  END { flush() }' debian/tests/control)

echo "packages: $passed passed, $failed failed, $skipped skipped"
[ "$failed" = 0 ] && [ "$passed" -gt 0 ]
