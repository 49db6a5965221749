#!/usr/bin/env bash
# Installs the Debian packages one kind of work needs, and nothing more:
#   scripts/setup.sh play       build tools, the libraries and the fonts of the game and of the
#                               score server with SQLite (what scripts/run.sh needs)
#   scripts/setup.sh test       play and package, plus everything the test suite, the naming
#                               check, the fuzzer and the benchmarks use (scripts/test.sh)
#   scripts/setup.sh package    the build tools and libraries, plus debhelper and lintian for
#                               the Debian packages (scripts/package.sh)
# Several sets may be named at once. Packages already present are skipped; with nothing
# missing, nothing is run. Services that the newly installed packages bring (PostgreSQL,
# nginx) are neither started nor left enabled: the tests start their own on loopback.
# --list prints the packages of the named sets instead of installing them.
set -euo pipefail

usage() {
  echo "usage: scripts/setup.sh [--list] play|test|package..." >&2
  exit 2
}

# Building the game and the score server (the server links libpqxx even when it runs on SQLite);
# Qt's translation tools make the game's German catalogue. The game compiles against GnuTLS and
# libidn2, which it loads only when an https site or an international host name needs them.
build=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-multimedia-dev qt6-tools-dev qt6-l10n-tools
  libsodium-dev libsqlite3-dev libpqxx-dev libpq-dev
  libmicrohttpd-dev
  libgnutls28-dev libidn2-dev
)
# Running the game: its fonts are mapped to Liberation Sans and Serif; under a German locale
# Qt's own buttons and dialogs speak German too.
play=(fonts-liberation2 qt6-translations-l10n)
test=(
  # the compiler cache shared by the build folders, the house style checks, the fuzzer
  ccache clang clang-format clang-tidy libclang-rt-14-dev
  # test frameworks and benchmarks (with the LZ4 and zlib coders they compare against)
  libgtest-dev libgmock-dev libbenchmark-dev liblz4-dev zlib1g-dev
  # image plugins and the SVG module the window and icon tests load
  qt6-image-formats-plugins libqt6svg6
  # virtual displays, a window manager, screenshots and input for the window tests
  xvfb xauth x11-utils openbox imagemagick xdotool curl
  # the screen-reader test: a private session bus with the AT-SPI registry, read through pyatspi
  dbus dbus-daemon at-spi2-core python3-pyatspi gir1.2-atspi-2.0
  # the server's PostgreSQL tests, the load figures with nginx and wrk on loopback, and the
  # https and TLS tests: nginx terminating TLS and the server's own TLS, with test authorities
  # made by the openssl tool
  postgresql nginx-light wrk python3 openssl
  # instruction counts per start-up phase (bench/startup_phases.sh)
  valgrind
  # the installed-tree checks: desktop entry, AppStream, manual pages, file types
  desktop-file-utils appstream man-db file
)
# The Debian packages: dpkg-buildpackage with debhelper, then lintian.
package=(build-essential debhelper dpkg-dev fakeroot lintian)
# Packages that start a service when they are installed; the tests never use those services.
services=(postgresql nginx)

list=0
wanted=()
[ $# -gt 0 ] || usage
for set in "$@"; do
  case "$set" in
  --list) list=1 ;;
  play) wanted+=("${build[@]}" "${play[@]}") ;;
  test) wanted+=("${build[@]}" "${play[@]}" "${test[@]}" "${package[@]}") ;;
  package) wanted+=("${build[@]}" "${package[@]}") ;;
  *) usage ;;
  esac
done
mapfile -t wanted < <(printf '%s\n' "${wanted[@]}" | sort -u)
if [ "$list" = 1 ]; then
  printf '%s\n' "${wanted[@]}"
  exit 0
fi

missing=()
for p in "${wanted[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -gt 0 ] || exit 0

# The process that holds the package manager's lock, as "name (pid N)", or nothing.
lock_holder() {
  local fd target pid
  for fd in /proc/[0-9]*/fd/*; do
    target=$(readlink "$fd" 2>/dev/null) || continue
    case "$target" in
    /var/lib/dpkg/lock-frontend | /var/lib/dpkg/lock | /var/lib/apt/lists/lock | /var/cache/apt/archives/lock)
      pid=${fd#/proc/}
      pid=${pid%%/*}
      echo "$(cat "/proc/$pid/comm" 2>/dev/null) (pid $pid)"
      return
      ;;
    esac
  done
}

echo "Installing: ${missing[*]}"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive

# While our packages are installed, a policy that refuses every service start (exit 101: action
# forbidden), unless the machine already has a policy of its own.
policy=/usr/sbin/policy-rc.d
own_policy=0
if [ ! -e "$policy" ]; then
  printf '#!/bin/sh\n# Written by Bloomzap'"'"'s scripts/setup.sh while it installs packages.\nexit 101\n' |
    $SUDO tee "$policy" >/dev/null
  $SUDO chmod 755 "$policy"
  own_policy=1
fi
remove_policy() {
  if [ "$own_policy" = 1 ]; then
    $SUDO rm -f "$policy"
  fi
}
trap remove_policy EXIT

# Another package manager (an unattended upgrade, a second setup) may hold apt's locks: wait for
# it, within a bound, instead of failing at once. apt names the holder while it waits.
lock_seconds=${BLOOMZAP_APT_LOCK_TIMEOUT:-600}
apt_get() {
  $SUDO apt-get -o DPkg::Lock::Timeout="$lock_seconds" "$@"
}
holder=$(lock_holder)
if [ -n "$holder" ]; then
  echo "Waiting up to $lock_seconds s for the package manager's lock, held by $holder."
fi
apt_get update
apt_get install -y --no-install-recommends "${missing[@]}"

# The services of packages installed just now: stopped (should anything have started them) and
# not enabled at boot. Services that were on the machine before are left as they were.
for service in "${services[@]}"; do
  new=0
  for p in "${missing[@]}"; do
    if [ "$p" = "$service" ] || [ "$p" = "$service-light" ]; then
      new=1
    fi
  done
  [ "$new" = 1 ] || continue
  if [ -d /run/systemd/system ]; then
    $SUDO systemctl stop "$service.service" || true
  elif [ -x "/etc/init.d/$service" ]; then
    $SUDO "/etc/init.d/$service" stop >/dev/null || true
  fi
  # systemctl disable works without a running systemd too (it removes the boot links, the SysV
  # ones included); without systemd, update-rc.d does it.
  if command -v systemctl >/dev/null; then
    $SUDO systemctl disable "$service.service" >/dev/null 2>&1 || true
  elif [ -x "/etc/init.d/$service" ]; then
    $SUDO update-rc.d "$service" disable >/dev/null 2>&1 || true
  fi
  echo "Left the $service service stopped and disabled."
done
