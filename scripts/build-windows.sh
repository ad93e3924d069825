#!/usr/bin/env bash
# build-windows.sh [BUILD_DIR [cmake options...]]: cross-builds Halyard for
# Windows with mingw-w64 into BUILD_DIR (default build-win): the core, the
# console program and the tests as .exe files, no GUI (Debian has no Qt for
# Windows). `ctest -L wine` in BUILD_DIR runs the tests under Wine.
# HALYARD_TARGETS, when set, names the targets to build (default: all).
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build-win}
shift || true
cmake -S . -B "$dir" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DHALYARD_GUI=OFF -DHALYARD_BENCH=OFF \
  -DHALYARD_SANITIZE=OFF -DHALYARD_TESTS=ON "$@" >/dev/null
targets=()
for t in ${HALYARD_TARGETS:-}; do targets+=(--target "$t"); done
cmake --build "$dir" -j "$(nproc)" "${targets[@]}"
