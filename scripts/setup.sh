#!/usr/bin/env bash
# Installs every Debian package that building, running and testing Bloomzap needs.
# Skips the work when everything is already present.
set -euo pipefail

packages=(
  # build
  cmake ninja-build g++ clang clang-format clang-tidy pkg-config ccache
  # libraries
  qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev libqt6svg6
  libcurl4-openssl-dev libsqlite3-dev liblz4-dev zlib1g-dev
  libcpp-httplib-dev libsodium-dev libpqxx-dev libpq-dev
  # tests, fuzzing, benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev libclang-rt-14-dev
  # runtime: fonts, image plugins, offscreen and virtual displays
  fonts-liberation2 qt6-image-formats-plugins
  xvfb xauth x11-utils imagemagick xdotool curl
  # server tests and load figures: PostgreSQL cluster, nginx and wrk on loopback
  postgresql nginx-light wrk
  # desktop installation checks and packages
  desktop-file-utils appstream lintian dpkg-dev fakeroot file man-db
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update
  $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi
