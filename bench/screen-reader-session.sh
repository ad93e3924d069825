#!/bin/sh
# Runs a command as it runs beside a screen reader: in a D-Bus session of its
# own with the accessibility bus up and "screen reader enabled" set, so that
# Qt's accessibility bridge is on. For the GUI benchmark:
#   bench/screen-reader-session.sh xvfb-run -a build/bench/halyard_view_bench
set -eu
if [ -z "${HALYARD_IN_A11Y_SESSION:-}" ]; then
  HALYARD_IN_A11Y_SESSION=1 exec dbus-run-session -- "$0" "$@"
fi
# Asking the accessibility bus starts it; the setting is what a screen reader sets.
dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus \
  org.freedesktop.DBus.Properties.Set string:org.a11y.Status \
  string:ScreenReaderEnabled variant:boolean:true >/dev/null
exec "$@"
