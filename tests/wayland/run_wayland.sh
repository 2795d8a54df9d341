#!/usr/bin/env bash
# The calculator on a Wayland compositor: weston with its headless backend and
# the software renderer, in a private runtime directory, on a private D-Bus
# session. Shows that
#   - the real program's window is mapped by the compositor at its size and
#     drawn (the compositor's scene graph and a screenshot of its output),
#   - keys pressed on the real program change the display, read back over
#     the accessibility bus and seen in a second screenshot,
#   - wayland_driver: the program's runtime and handlers on the wayland
#     platform take mouse clicks and keys through the platform window, and
#     the close guard refuses a close request and keeps the window mapped.
# Exits 77 (skipped) only when the compositor cannot start here at all.
# Usage: run_wayland.sh ABACORIA_BINARY WAYLAND_DRIVER
set -euo pipefail

abacoria=$(realpath "$1")
driver=$(realpath "$2")
here=$(cd "$(dirname "$0")" && pwd)
python=/usr/bin/python3 # Debian's, which has the GObject bindings

if [ -z "${ABACORIA_PRIVATE_BUS:-}" ]; then
    for tool in weston weston-debug weston-screenshooter convert compare dbus-run-session "$python"; do
        command -v "$tool" >/dev/null || { echo "missing $tool: run scripts/install-deps.sh" >&2; exit 1; }
    done
    exec env ABACORIA_PRIVATE_BUS=1 dbus-run-session -- "$0" "$@"
fi

# shellcheck source=../lib/session.sh
. "$here/../lib/session.sh"
session_begin
work=$session_dir
export XDG_RUNTIME_DIR=$work
unset DISPLAY # nothing may fall back to an X server

passed=0
failed=0
check() { # check DESCRIPTION COMMAND...
    local what=$1
    shift
    if "$@"; then
        passed=$((passed + 1))
        echo "ok - $what"
    else
        failed=$((failed + 1))
        echo "FAIL - $what"
    fi
}

# session_weston's --debug lets the test's own clients read the scene graph
# and take screenshots; --idle-time=0 keeps the output from blanking.
socket="abacoria-test"
if ! session_weston "$socket" 15 --width=640 --height=480 --idle-time=0 --no-config; then
    echo "SKIP: weston could not start a headless compositor here" >&2
    cat "$work/weston.log" >&2 2>/dev/null || true
    exit 77
fi
export WAYLAND_DISPLAY=$socket QT_QPA_PLATFORM=wayland

scene() { timeout 5 weston-debug scene-graph 2>/dev/null; }
# The client area of the top-level window 'Abacoria' of process $1:
# "x y width height".
window_area() {
    scene | awk -v pid="PID $1," 'index($0, pid) && /top-level window .Abacoria./ { found = 1; next }
        found && /opaque:/ { gsub(/[^0-9 ]/, " "); split($0, n, " +"); print n[2], n[3], n[4] - n[2], n[5] - n[3]; exit }'
}
screenshot() { # screenshot FILE
    rm -f "$work"/shots/*.png
    mkdir -p "$work/shots"
    (cd "$work/shots" && timeout 10 weston-screenshooter >/dev/null 2>&1) || return 1
    mv "$work"/shots/*.png "$1"
}
# The colour at x,y of the window's client area in a screenshot: "r,g,b".
pixel() { # pixel FILE X Y
    local x=$((area_x + $2)) y=$((area_y + $3))
    convert "$1" -format "%[fx:int(255*p{$x,$y}.r+.5)],%[fx:int(255*p{$x,$y}.g+.5)],%[fx:int(255*p{$x,$y}.b+.5)]" info:
}
pixel_is() { [ "$(pixel "$1" "$2" "$3")" = "$4" ]; }
# Whether the display (16,8 153x19 in the client area) differs between two
# shots: the number of differing pixels is above zero.
display_differs() {
    local geometry="153x19+$((area_x + 16))+$((area_y + 8))" diff
    convert "$1" -crop "$geometry" +repage "$work/display1.png" || return 1
    convert "$2" -crop "$geometry" +repage "$work/display2.png" || return 1
    diff=$(compare -metric AE "$work/display1.png" "$work/display2.png" null: 2>&1) || true
    [[ "$diff" =~ ^[0-9]+$ ]] && [ "$diff" -gt 0 ]
}

echo "# the real program on $(weston --version)"
QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$abacoria" >"$work/abacoria.log" 2>&1 &
app=$!
pids+=("$app")
area=""
got_area() { area=$(window_area "$app"); [ -n "$area" ]; }
check "the compositor maps the program's top-level window 'Abacoria'" poll 20 got_area
read -r area_x area_y area_w area_h <<<"${area:-0 0 0 0}"
check "its client area is 185x281 (got ${area_w}x${area_h})" test "${area_w}x${area_h}" = 185x281

# The first frames may still be on their way; the background is drawn last
# of nothing, so wait for it.
shot1=$work/start.png
drawn() { screenshot "$shot1" && pixel_is "$shot1" 3 240 255,255,128; }
check "the screenshot shows the yellow window background" poll 10 drawn
check "a green digit key" pixel_is "$shot1" 21 37 0,255,0
check "the red \"=\" key" pixel_is "$shot1" 101 157 255,0,0
check "the red banner" pixel_is "$shot1" 3 277 255,0,0

echo "# keys pressed over the accessibility bus"
if "$python" "$here/../a11y/atspi_check.py" "$app" 30 | sed 's/^/    /'; then
    check "names, roles and key presses over AT-SPI on wayland" true
else
    check "names, roles and key presses over AT-SPI on wayland" false
fi
shot2=$work/after.png
changed() { screenshot "$shot2" && display_differs "$shot1" "$shot2"; }
check "the compositor shows the changed display" poll 10 changed
kill "$app" 2>/dev/null || true

echo "# the runtime on the wayland platform (wayland_driver)"
if "$driver" 2>&1 | sed 's/^/    /'; [ "${PIPESTATUS[0]}" -eq 0 ]; then
    check "mapped, clicked, keyed, close refused while the banner is unclicked" true
else
    check "mapped, clicked, keyed, close refused while the banner is unclicked" false
fi

echo "$passed passed, $failed failed"
if [ "$failed" -ne 0 ]; then
    echo "--- weston log" >&2
    tail -n 30 "$work/weston.log" >&2 || true
    echo "--- program output" >&2
    cat "$work/abacoria.log" >&2 || true
    exit 1
fi
