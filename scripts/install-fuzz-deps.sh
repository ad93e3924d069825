#!/usr/bin/env bash
# Installs the Debian 12 packages the fuzz build needs (clang and its runtime
# libraries, libFuzzer among them), only those that are missing. The normal
# build does not need them. Needs root (or sudo).
set -euo pipefail
exec bash "$(dirname "$0")/install-deps.sh" clang libclang-rt-14-dev
