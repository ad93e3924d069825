#!/usr/bin/env bash
# Installs what is missing, makes a Release build for /usr in build-pkg (no
# tests, no benchmarks) and packs it as a Debian package; prints its path.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

dir=build-pkg
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DHALYARD_GUI=ON -DHALYARD_TESTS=OFF -DHALYARD_BENCH=OFF -DHALYARD_SANITIZE=OFF >/dev/null
cmake --build "$dir" -j "$(nproc)"
if ! (cd "$dir" && cpack -G DEB >cpack.log 2>&1); then
  cat "$dir/cpack.log" >&2
  exit 1
fi
ls -t "$PWD/$dir"/halyard_*.deb | head -n 1
