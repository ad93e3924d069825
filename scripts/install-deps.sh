#!/usr/bin/env bash
# Installs the Debian 12 packages Halyard needs to build, test and run,
# only those that are missing; given package names, those instead (the fuzz
# build's). Needs root (or sudo).
set -euo pipefail

packages=(
  g++ cmake make pkg-config ccache
  g++-mingw-w64-x86-64-posix wine64 zip
  qt6-base-dev libgl-dev libqcustomplot-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libcli11-dev libudev-dev umockdev libumockdev-dev
  libmosquitto-dev nlohmann-json3-dev mosquitto mosquitto-clients openssl
  dpkg-dev file
  xvfb xauth
  locales
)
if [ $# -gt 0 ]; then
  packages=("$@")
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
as_root=()
if [ "$(id -u)" -ne 0 ]; then
  as_root=(sudo)
fi
"${as_root[@]}" apt-get update
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
