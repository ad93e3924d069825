#!/usr/bin/env bash
# wine-cli-e2e.sh CLI_EXE LINUX_CLI LINUX_SIM WINE_RUN NVM_FILE WORK_DIR
#
# halyard-cli.exe under Wine against simulated sensors (the Linux halyard-sim)
# on pseudo-terminals made COM5 and COM7 through Wine's HKLM\Software\Wine\Ports,
# beside the Linux halyard-cli on a second sensor that gets the same commands:
# - the port list shows both ports by the system's numbers;
# - identify, send, load (the values read back), log (into "Données.LOG",
#   stopped by SIGINT, which Wine hands to the console control handler) and
#   dump give what the Linux program gives;
# - --simulate runs its sensor on an in-process line, with no terminal at all.
# It uses a Wine prefix of its own under WORK_DIR, whose server it restarts
# so that the ports are mapped. Exit 77 (skipped) without the Linux programs.
set -euo pipefail
exe=$1 cli=$2 sim=$3 winerun=$4 nvm=$5 work=$6
if [ ! -x "$cli" ] || [ ! -x "$sim" ]; then
  echo "needs the Linux build's halyard-cli and halyard-sim: $cli, $sim" >&2
  exit 77
fi
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
export WINEPREFIX=$work/prefix
# Wine reads the command line in the locale's encoding.
export LANG=C.UTF-8 LC_ALL=C.UTF-8
mkdir -p "$work"
cd "$work"
rm -f ./*.LOG ./*.TXT ./*.txt ./*.path

pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  "$wineserver" -k > /dev/null 2>&1 || true
}
trap cleanup EXIT

fail() { echo "FAILED: $*" >&2; exit 1; }

# Waits (20 s at most) until the command succeeds.
wait_for() {
  local what=$1
  shift
  for _ in $(seq 200); do
    if "$@"; then return 0; fi
    sleep 0.1
  done
  fail "timed out waiting for $what"
}

# The Windows program's output with its CR LF line ends made LF.
win() { "$winerun" "$exe" "$@" | tr -d '\r'; }

# Compares what the two programs printed for one step.
same() {
  local step=$1
  if ! diff -u "linux-$step.txt" "windows-$step.txt"; then fail "$step: the programs differ"; fi
  [ -s "linux-$step.txt" ] || fail "$step: nothing printed"
  echo "ok: $step"
}

# Not in a subshell: the sensor's process is remembered for the clean-up.
start_sensor() {
  local name=$1
  "$sim" --data-period 1000 > "$name.path" 2> "$name.err" &
  pids+=($!)
  wait_for "sensor $name" test -s "$name.path"
}
start_sensor windows
start_sensor linux
pty_win=$(head -n1 windows.path)
pty_linux=$(head -n1 linux.path)

# The ports are mapped when the Wine server starts.
"$winerun" reg add 'HKLM\Software\Wine\Ports' /v COM5 /d "$pty_win" /f > /dev/null
"$winerun" reg add 'HKLM\Software\Wine\Ports' /v COM7 /d "$pty_linux" /f > /dev/null
"$wineserver" -k > /dev/null 2>&1 || true
"$wineserver" -w > /dev/null 2>&1 || true

win ports > ports.txt
grep -q "^COM5	\\\\\\\\.\\\\COM5	" ports.txt || fail "COM5 is not listed: $(cat ports.txt)"
grep -q "^COM7	\\\\\\\\.\\\\COM7	" ports.txt || fail "COM7 is not listed: $(cat ports.txt)"
echo "ok: ports"

"$cli" --port "$pty_linux" identify > linux-identify.txt
win --port COM5 identify > windows-identify.txt
same identify

"$cli" --port "$pty_linux" send JM? OS? OP? V9? PV? > linux-send.txt
win --port COM5 send JM? OS? OP? V9? PV? > windows-send.txt
same send

"$cli" --quiet --port "$pty_linux" load "$nvm"
win --quiet --port COM5 load "$nvm"
"$cli" --port "$pty_linux" send V12? V13? V40? > linux-load.txt
win --port COM5 send V12? V13? V40? > windows-load.txt
grep -q 250 linux-load.txt || fail "load: V12 is not the file's 250: $(cat linux-load.txt)"
same load

# Logging until SIGINT: polled data messages, the same on both sensors.
has_records() { [ -f "$1" ] && [ "$(tr -cd '\n' < "$1" | wc -c)" -ge "$2" ]; }
log_until_sigint() {
  local file=$1
  shift
  "$@" log "$file" --no-stamp --no-auto-r --poll D? --every 1 2> "$file.err" &
  local pid=$!
  pids+=("$pid")
  wait_for "3 records in $file" has_records "$file" 3
  kill -INT "$pid"
  wait "$pid" || fail "log into $file ended with status $?: $(cat "$file.err")"
}
log_until_sigint linux.LOG "$cli" --port "$pty_linux"
log_until_sigint "Données.LOG" "$winerun" "$exe" --port COM5
head -n 3 linux.LOG > linux-log.txt
head -n 3 "Données.LOG" > windows-log.txt
same log

# The dump, both at once (it paces itself for about 100 s); the header names
# the file and the time, and "T?" gives the sensor's clock, which differ; the
# data messages (PW) the sensor sends by itself while its output is on come
# as each program's pace has them.
"$cli" --quiet --port "$pty_linux" dump linux.TXT &
linux_dump=$!
pids+=("$linux_dump")
"$winerun" "$exe" --quiet --port COM5 dump windows.TXT
wait "$linux_dump" || fail "the Linux dump failed"
for side in linux windows; do
  grep -v -e '^:' -e '^PW ' "$side.TXT" | sed 's/^TIME .*/TIME (the clock)/' > "$side-dump.txt"
done
same dump

win --simulate identify > simulate-identify.txt
grep -q "^ZRT-630	" simulate-identify.txt || fail "--simulate identify: $(cat simulate-identify.txt)"
win --simulate send OK > simulate-send.txt
grep -q "^Orvan Sensor OK$" simulate-send.txt || fail "--simulate send: $(cat simulate-send.txt)"
echo "ok: --simulate"
