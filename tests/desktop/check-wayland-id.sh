#!/usr/bin/env bash
# On Wayland the compositor ties the window to its desktop entry by the
# toplevel's app_id, which Qt takes from the desktop file name the program
# sets. Runs the program on weston's headless compositor and reads the id
# from its scene graph. Exit 77 (skipped) only when weston cannot start.
# Usage: check-wayland-id.sh BUILD_DIR
# shellcheck source=begin.sh
. "$(dirname "$0")/begin.sh"
build=$1

# A private runtime directory, so the socket name cannot clash.
export XDG_RUNTIME_DIR=$tmp/runtime
mkdir -m 0700 "$XDG_RUNTIME_DIR"
export WAYLAND_DISPLAY=abacoria-desktop-id
if ! session_weston "$WAYLAND_DISPLAY" 20; then
    cat "$tmp/weston.log" >&2
    echo "SKIP: weston did not start"
    exit 77
fi

QT_QPA_PLATFORM=wayland "$build/abacoria" >"$tmp/abacoria.log" 2>&1 &
pid=$!
pids+=("$pid")

# weston labels each toplevel "top-level window 'TITLE' of APP_ID".
toplevel() {
    timeout 5 weston-debug scene-graph 2>/dev/null | grep -o "PID $pid, .*top-level window 'Abacoria' of [^,]*" \
        | sed 's/.* of //' | head -1
}
mapped() { [ -n "$(toplevel)" ]; }
poll 20 mapped || { cat "$tmp/abacoria.log" >&2; fail "no top-level window 'Abacoria' on the compositor"; }
app_id_seen=$(toplevel)
[ "$app_id_seen" = "$app_id" ] || fail "the window's app_id is '$app_id_seen', the desktop entry is $app_id.desktop"
echo "wayland: app_id $app_id_seen"
