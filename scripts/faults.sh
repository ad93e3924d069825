#!/usr/bin/env bash
# faults.sh [BUILD_DIR]: installs what is missing, builds halyard-cli and the
# fault runs (default in build, the test script's plain build) and runs
# `ctest -L fault`: hang-ups mid-log, mid-dump, mid-load and mid-calibration,
# SIGKILL while logging, a full disk, a stream of rubbish
# (HALYARD_NOISE_SECONDS, default 60) and ports that cannot be opened. Prints
# each run's figures; HALYARD_FAULT_SEED repeats the random moments of a run.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
bash scripts/install-deps.sh
export QT_QPA_PLATFORM=offscreen
opts=(-DHALYARD_TESTS=ON -DHALYARD_BENCH=ON -DHALYARD_GUI=ON -DHALYARD_SANITIZE=OFF)
if [ "$dir" = build-asan ]; then
  opts=(-DHALYARD_TESTS=ON -DHALYARD_BENCH=OFF -DHALYARD_GUI=ON -DHALYARD_SANITIZE=ON)
fi
HALYARD_TARGETS="halyard-cli faults_tests gui_fault_tempcal" bash scripts/build.sh "$dir" "${opts[@]}"
status=0
(cd "$dir" && nice -n 10 ctest -L fault --output-on-failure --no-tests=error) || status=$?
grep -h '^\[  FIGURE  \]' "$dir/Testing/Temporary/LastTest.log" || true
exit "$status"
