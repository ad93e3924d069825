#!/usr/bin/env bash
# fuzz.sh [SECONDS]: installs clang and libFuzzer when missing, builds the fuzz
# targets of fuzz/ (HALYARD_FUZZ=ON) in build-fuzz and runs each for SECONDS
# (default 30), on a copy of its committed corpus so that fuzz/corpus stays as
# it is. Prints for each target its executions, coverage and corpus size;
# fails when any target found something (the input is kept beside its log in
# build-fuzz/fuzz-run/TARGET/).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
bash scripts/install-deps.sh
bash scripts/install-fuzz-deps.sh

dir=build-fuzz
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DHALYARD_FUZZ=ON \
  -DHALYARD_TESTS=OFF -DHALYARD_BENCH=OFF -DHALYARD_GUI=OFF >/dev/null
cmake --build "$dir" -j "$(nproc)" --target halyard_fuzz

run=$dir/fuzz-run
rm -rf "$run"

# Each target is one process on one core: as many run at once as there are cores.
fuzz_one() {
  local name=$1 out=$run/$1 max_len=4096
  mkdir -p "$out/corpus"
  if [ -d "fuzz/corpus/$name" ]; then
    cp fuzz/corpus/"$name"/* "$out/corpus/"
  fi
  # Lines longer than a packet or a command need inputs past the usual 4096 bytes.
  case $name in
    fuzz_line_assembler | fuzz_command_file) max_len=16384 ;;
  esac
  local status=0
  "$dir/fuzz/$name" "$out/corpus" -max_total_time="$seconds" -max_len="$max_len" -timeout=60 \
    -print_final_stats=1 -artifact_prefix="$out/" >"$out/log" 2>&1 || status=$?
  echo "$status" >"$out/status"
}

names=()
for src in fuzz/fuzz_*.cpp; do
  names+=("$(basename "$src" .cpp)")
done
for name in "${names[@]}"; do
  while [ "$(jobs -rp | wc -l)" -ge "$(nproc)" ]; do
    wait -n || true
  done
  fuzz_one "$name" &
done
wait

failed=()
for name in "${names[@]}"; do
  out=$run/$name
  status=$(cat "$out/status")
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$out/log")
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$out/log")
  last=$(grep -E '^#[0-9]+' "$out/log" | tail -n 1)
  cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$last")
  ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$last")
  corp=$(sed -n 's/.* corp: \([0-9]*\/[0-9]*[a-zA-Z]*\).*/\1/p' <<<"$last")
  if [ "$status" -eq 0 ]; then
    printf '%-24s ok     execs %s (%s/s) cov %s ft %s corpus %s\n' "$name" "$execs" "$rate" "$cov" "$ft" "$corp"
  else
    printf '%-24s FAILED execs %s cov %s ft %s corpus %s: see %s\n' "$name" "${execs:-?}" "$cov" "$ft" "$corp" "$out/log"
    grep -E 'invariant broken|ERROR: |runtime error|SUMMARY|Test unit written' "$out/log" | head -n 5 | sed 's/^/    /'
    failed+=("$name")
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "Fuzzing found something in: ${failed[*]}" >&2
  exit 1
fi
