#!/usr/bin/env bash
# Installs what is missing, builds Halyard twice (plain, and with the address and
# undefined-behaviour sanitizers) and runs every test in both builds, cross-builds
# it for Windows and runs those tests under Wine, then runs each fuzz target for
# 30 seconds (a clang build in build-fuzz). Every build
# goes through ccache, so an unchanged tree builds from the cache.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

# ctest runs every label, the fault runs (label "fault", about 1.5 minutes
# each build) included: in the sanitizer build they drive the hang-up, kill
# and rubbish paths of a sanitized halyard-cli, where memory errors would hide.
# Most tests spend their time waiting on the sensor's pace, not on a core, so
# ctest runs three of them for each core, the longest first.
# Options are given in full: the run script shares the build folder with fewer of them.
jobs=$((3 * $(nproc)))
bash scripts/build.sh build -DHALYARD_TESTS=ON -DHALYARD_BENCH=ON -DHALYARD_GUI=ON -DHALYARD_SANITIZE=OFF
(cd build && ctest --output-on-failure --no-tests=error -j "$jobs")

bash scripts/build.sh build-asan -DHALYARD_TESTS=ON -DHALYARD_BENCH=OFF -DHALYARD_GUI=ON -DHALYARD_SANITIZE=ON
(cd build-asan && ctest --output-on-failure --no-tests=error -j "$jobs")

# The Windows build, cross-compiled with mingw-w64, and its tests under Wine
# (label "wine"); the end-to-end runs of halyard-cli.exe compare it with the
# plain build's halyard-cli on the plain build's halyard-sim.
windows_start=$(date +%s)
bash scripts/build-windows.sh build-win -DHALYARD_LINUX_BUILD="$PWD/build"
(cd build-win && ctest --output-on-failure --no-tests=error -j "$jobs" -L wine)
echo "test.sh: the Windows build and its Wine tests took $(($(date +%s) - windows_start)) s"

bash scripts/fuzz.sh 30
