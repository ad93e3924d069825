#!/usr/bin/env bash
# wine-run.sh PROGRAM.exe [ARGS...]: runs a Windows console program under Wine,
# with no display and no Wine diagnostics. The Wine prefix is $WINEPREFIX,
# else $HOME/.wine-halyard; it is set up once, quietly, on first use (several
# runs starting together wait for the one that sets it up).
set -euo pipefail
export WINEPREFIX=${WINEPREFIX:-$HOME/.wine-halyard}
export WINEDEBUG=${WINEDEBUG:--all}
# No offers to install Mono or Gecko: console programs need neither.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
unset DISPLAY WAYLAND_DISPLAY

wine=$(command -v wine64 || command -v wine || true)
if [ -z "$wine" ] && [ -x /usr/lib/wine/wine64 ]; then
  wine=/usr/lib/wine/wine64  # Debian's wine64 without the wine wrapper package
fi
if [ -z "$wine" ]; then
  echo "wine-run.sh: Wine is not installed (Debian: apt-get install wine64)" >&2
  exit 127
fi

ready=$WINEPREFIX/.halyard-ready
if [ ! -e "$ready" ]; then
  mkdir -p "$WINEPREFIX"
  (
    flock 9
    if [ ! -e "$ready" ]; then
      "$wine" wineboot -i >/dev/null 2>&1
      touch "$ready"
    fi
  ) 9>"$WINEPREFIX/.halyard-init-lock"
fi
exec "$wine" "$@"
