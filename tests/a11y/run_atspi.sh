#!/usr/bin/env bash
# Starts the real program in a private X server with the accessibility bridge
# on, on a private D-Bus session of its own (the accessibility bus and its
# registry are started from there on demand), and reads the window back over
# AT-SPI with atspi_check.py.
# Usage: run_atspi.sh ABACORIA_BINARY
set -euo pipefail

abacoria=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
python=/usr/bin/python3 # Debian's, which has the GObject bindings

if [ -z "${ABACORIA_PRIVATE_BUS:-}" ]; then
    for tool in Xvfb dbus-run-session /usr/libexec/at-spi-bus-launcher "$python"; do
        command -v "$tool" >/dev/null || { echo "missing $tool: run scripts/install-deps.sh" >&2; exit 1; }
    done
    "$python" -c 'import gi; gi.require_version("Atspi", "2.0")' \
        || { echo "missing AT-SPI bindings: run scripts/install-deps.sh" >&2; exit 1; }
    # A bus of our own: nothing on the developer's desktop sees the test.
    exec env ABACORIA_PRIVATE_BUS=1 dbus-run-session -- "$0" "$@"
fi

# shellcheck source=../lib/session.sh
. "$here/../lib/session.sh"
session_begin
work=$session_dir
export XDG_RUNTIME_DIR=$work

session_xvfb 800x600x24 10 || { echo "Xvfb did not start" >&2; cat "$work/xvfb.log" >&2; exit 1; }

QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$abacoria" >"$work/abacoria.log" 2>&1 &
app=$!
pids+=("$app")

status=0
"$python" "$here/atspi_check.py" "$app" 30 || status=$?
if [ "$status" -ne 0 ]; then
    echo "--- program output" >&2
    cat "$work/abacoria.log" >&2
fi
exit "$status"
