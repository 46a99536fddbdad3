#!/bin/bash
# The program under a real AT-SPI client: a private display and session bus with the
# accessibility bus enabled, the program on them, and atspi_client.py driving it.
# Usage: atspi_e2e_test.sh <tolvane binary> <main layout>
set -euo pipefail
binary="$1"
layout="$2"
here="$(cd "$(dirname "$0")" && pwd)"
work="$(mktemp -d)"
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    [[ -n "${DBUS_SESSION_BUS_PID:-}" ]] && kill "$DBUS_SESSION_BUS_PID" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# A free display of our own.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
pids+=($!)
for _ in $(seq 100); do [[ -s "$work/display" ]] && break; sleep 0.05; done
export DISPLAY=":$(cat "$work/display")"

# A private session bus; asking for the accessibility status starts its bus.
eval "$(dbus-launch --sh-syntax)"
export NO_AT_BRIDGE=0 GTK_MODULES="" XDG_RUNTIME_DIR="$work"
dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus \
    org.freedesktop.DBus.Properties.Set string:org.a11y.Status string:IsEnabled \
    variant:boolean:true >/dev/null

"$binary" >"$work/tolvane.log" 2>&1 &
program=$!
pids+=($program)
status=0
/usr/bin/python3 "$here/atspi_client.py" "$layout" || status=$?
# Ending as the session does: the bridge and its objects go cleanly with the windows.
if kill -TERM "$program" 2>/dev/null; then
    code=0
    wait "$program" || code=$?
    ((code == 0)) || { echo "the program ended with status $code"; status=1; }
else
    echo "the program ended early"; status=1
fi
if ((status != 0)); then
    echo "--- the program's output:"; cat "$work/tolvane.log"
fi
exit $status
