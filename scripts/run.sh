#!/usr/bin/env bash
# Installs what is missing, builds Halyard and starts it with a simulated sensor.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
HALYARD_TARGETS="halyard halyard-sim" bash scripts/build.sh build -DHALYARD_GUI=ON -DHALYARD_SANITIZE=OFF
if [ -x build/src/shell/halyard ]; then
  exec build/src/shell/halyard --simulate "$@"
fi
exec build/sim/halyard-sim "$@"
