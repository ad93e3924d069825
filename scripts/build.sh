#!/usr/bin/env bash
# build.sh DIR [cmake options...]: configures and builds Halyard into DIR.
# HALYARD_TARGETS, when set, names the targets to build (default: all).
set -euo pipefail
cd "$(dirname "$0")/.."
dir=$1; shift
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
targets=()
for t in ${HALYARD_TARGETS:-}; do targets+=(--target "$t"); done
cmake --build "$dir" -j "$(nproc)" "${targets[@]}"
