#!/usr/bin/env bash
# The running window tells an X11 desktop who it is: the window class that
# the desktop entry's StartupWMClass names, and an icon (_NET_WM_ICON). Run
# from the build tree the icon is the drawing compiled in; installed, it is
# the theme's icon, 48x48 bitmap included. Runs its own Xvfb.
# Usage: check-window.sh BUILD_DIR
# shellcheck source=begin.sh
. "$(dirname "$0")/begin.sh"
build=$1

# Our own X server on a free display, which it names itself.
session_xvfb 1024x768x24 20 || { cat "$tmp/xvfb.log" >&2; fail "Xvfb did not start"; }

cmake --install "$build" --prefix "$tmp/prefix" >/dev/null
expected_class=$(desktop_key "$tmp/prefix/share/applications/$app_id.desktop" StartupWMClass)

# Starts the program, waits for its window and prints its class and icon.
window_properties() {
    "$@" >/dev/null 2>&1 &
    local pid=$!
    pids+=("$pid")
    local wid
    wid=$(timeout 20 xdotool search --sync --all --pid "$pid" --name '^Abacoria$' | head -1) \
        || { kill "$pid"; fail "no Abacoria window from $*"; }
    # The window is found by its title; give its other properties the same
    # bounded time to arrive.
    poll 10 eval 'xprop -id "$wid" _NET_WM_ICON | grep -q "Icon ("' || true
    xprop -id "$wid" WM_CLASS _NET_WM_ICON
    kill "$pid"
}

icon_sizes() { grep -o 'Icon ([0-9]* x [0-9]*)' | sed 's/Icon (\(.*\))/\1/' | tr -d ' ' | sort -u; }

check_identity() {
    local what=$1 props=$2
    local class
    class=$(sed -n 's/^WM_CLASS(STRING) = "[^"]*", "\([^"]*\)"$/\1/p' <<<"$props")
    [ "$class" = "$expected_class" ] || fail "$what: window class '$class', desktop entry expects '$expected_class'"
    [ -n "$(icon_sizes <<<"$props")" ] || fail "$what: the window has no icon"
    # xprop draws each icon; a drawing that loaded has dark strokes in it.
    grep -q '^	.*[^[:space:]]' <<<"$(sed -n '/Icon (/,$p' <<<"$props" | grep -v 'Icon (')" \
        || fail "$what: the window icon is blank"
}

# From the build tree, with no icon theme that knows the program.
mkdir -p "$tmp/empty"
props=$(XDG_DATA_DIRS=$tmp/empty XDG_DATA_HOME=$tmp/empty window_properties "$build/abacoria")
check_identity "uninstalled" "$props"
! grep -qx 48x48 <<<"$(icon_sizes <<<"$props")" || fail "uninstalled: a 48x48 icon, from which theme?"
echo "uninstalled: class $expected_class, icon sizes $(icon_sizes <<<"$props" | tr '\n' ' ')"

# Installed: the theme's icon, found through the data directories.
props=$(XDG_DATA_DIRS=$tmp/prefix/share:/usr/share XDG_DATA_HOME=$tmp/empty window_properties "$tmp/prefix/games/abacoria")
check_identity "installed" "$props"
grep -qx 48x48 <<<"$(icon_sizes <<<"$props")" || fail "installed: the window icon is not the theme's (no 48x48)"
echo "installed: class $expected_class, icon sizes $(icon_sizes <<<"$props" | tr '\n' ' ')"
