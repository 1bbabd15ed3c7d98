#!/usr/bin/env bash
# The real program's accessibility tree over AT-SPI: x5k-driver runs against the emulated
# mouse on a private X server with a session bus of its own (the accessibility bus is
# started on demand there), and atspi_e2e.py walks the tree as a screen reader would.
#
# Usage: atspi_e2e.sh X5K_DRIVER
#   X5K_DRIVER  the program; its folder is the program folder with the shipped files
# Exits 0 on success, 77 (skipped) when the program has not been built, 1 on a failure.
# X5K_E2E_KEEP=1 keeps the temporary folder (program log, data folder).
set -euo pipefail

if [ $# -ne 1 ]; then
    echo "usage: $0 X5K_DRIVER" >&2
    exit 64
fi
driver=$1
if [ ! -x "$driver" ]; then
    echo "atspi: $driver has not been built; nothing to run"
    exit 77
fi
for tool in xvfb-run dbus-run-session; do
    command -v "$tool" >/dev/null || { echo "atspi: $tool is missing (scripts/setup installs it)" >&2; exit 1; }
done
# Debian's pyatspi belongs to Debian's own Python, whatever python3 comes first on the path.
python=/usr/bin/python3
"$python" -c 'import pyatspi' 2>/dev/null ||
    { echo "atspi: python3-pyatspi is missing (scripts/setup installs it)" >&2; exit 1; }

# A private X server first, then a session bus that knows its display, so the
# accessibility bus it starts can be found by the program and by the walker alike.
# xvfb-run picks the first free display number, and another X server starting at the same
# moment can take it first; the run is then tried again, but only when the script never
# got to start on its server or the program could not reach it.
if [ -z "${X5K_ATSPI_STARTED:-}" ]; then
    marks=$(mktemp -d "${TMPDIR:-/tmp}/x5k-atspi-start.XXXXXX")
    trap 'rm -rf "$marks"' EXIT
    export X5K_ATSPI_STARTED="$marks/started"
    for attempt in 1 2 3; do
        rc=0
        xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" dbus-run-session -- "$0" "$@" || rc=$?
        [ -e "$X5K_ATSPI_STARTED" ] && exit "$rc"
        echo "atspi: the X server did not start or could not be reached (attempt $attempt, exit code $rc)" >&2
    done
    exit 1
fi
touch "$X5K_ATSPI_STARTED"

program_dir=$(cd "$(dirname "$driver")" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/x5k-atspi.XXXXXX")
driver_pid=""

cleanup() {
    if [ -n "$driver_pid" ]; then
        kill -TERM "$driver_pid" 2>/dev/null || true
        wait "$driver_pid" 2>/dev/null || true
    fi
    if [ "${X5K_E2E_KEEP:-}" = 1 ]; then
        echo "atspi: kept $work"
    else
        rm -rf "$work"
    fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Nothing of the real desktop: folders of its own, no desktop session's settings.
export HOME="$work/home" XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config"
export XDG_CACHE_HOME="$work/cache" XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_CACHE_HOME"
mkdir -m 700 "$XDG_RUNTIME_DIR"
unset WAYLAND_DISPLAY XDG_CURRENT_DESKTOP XDG_SESSION_DESKTOP DESKTOP_SESSION KDE_FULL_SESSION \
    GNOME_DESKTOP_SESSION_ID XDG_SESSION_TYPE QT_QPA_PLATFORMTHEME
export QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 NO_AT_BRIDGE=0

"$driver" --emulated-mouse="$work/mouse.state" >"$work/driver.log" 2>&1 &
driver_pid=$!

rc=0
"$python" "$here/atspi_e2e.py" "$program_dir/Language/en.xml" || rc=$?
if [ "$rc" -ne 0 ]; then
    echo "--- driver.log:" >&2
    tail -n 40 "$work/driver.log" >&2 || true
    # An X server that went away or was never reachable is the machine's, not the
    # program's: the run starts again on a new server.
    if grep -q "could not connect to display" "$work/driver.log"; then
        echo "atspi: the program could not reach the X server; trying again on a new one" >&2
        rm -f "$X5K_ATSPI_STARTED"
    fi
fi
exit "$rc"
