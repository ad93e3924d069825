#!/usr/bin/env bash
# soak.sh [MINUTES]: installs what is missing, builds the soak and runs
# halyard-cli log for MINUTES (default 60) on a 57600-baud stream with a daily
# file change every minute, under nice; prints memory, descriptors and
# records in against records out. The exit status says whether they held.
set -euo pipefail
cd "$(dirname "$0")/.."
minutes=${1:-60}
bash scripts/install-deps.sh
HALYARD_TARGETS="halyard_cli_soak" bash scripts/build.sh build -DHALYARD_TESTS=ON -DHALYARD_BENCH=ON -DHALYARD_GUI=ON -DHALYARD_SANITIZE=OFF
exec nice -n 10 build/bench/halyard_cli_soak "$minutes"
