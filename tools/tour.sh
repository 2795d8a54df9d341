#!/usr/bin/env bash
# A screenshot tour: runs a typical session of the real program in a private
# X server with openbox, driven with real X input (xdotool) and the window
# manager's close, and saves one picture per stop into OUTPUT_DIR:
#   start.png     the window at start
#   number.png    after keying 42.5
#   progress.png  the progress area during "=" (taken while the question is open)
#   question.png  the question "=" asks
#   flood.png     the maximized window full of prize buttons
#   farewell.png  the farewell box
#   windows.png   the Windows program at start under Wine, when it has been
#                 built (make windows; ABACORIA_WINDOWS_EXE names another)
#   web.png       the browser build at start in headless Chromium, when it
#                 has been built (make web npm-deps; ABACORIA_WEB_DIR names
#                 another)
# Usage: tour.sh ABACORIA_BINARY OUTPUT_DIR
set -euo pipefail

app_bin=$(realpath "${1:?usage: $0 ABACORIA_BINARY OUTPUT_DIR}")
out=${2:?usage: $0 ABACORIA_BINARY OUTPUT_DIR}
for tool in Xvfb openbox xdotool wmctrl import convert; do
    command -v "$tool" >/dev/null || { echo "missing $tool: run scripts/install-deps.sh" >&2; exit 1; }
done
mkdir -p "$out"

# shellcheck source=../tests/lib/session.sh
. "$(dirname "$0")/../tests/lib/session.sh"
session_begin
work=$session_dir
export XDG_RUNTIME_DIR=$work

say() { echo "[tour] $*"; }
die() { echo "[tour] FAILED: $*" >&2; exit 1; }

# A small screen keeps the flood picture small.
session_xvfb 640x480x24 10 || die "Xvfb did not start"
# The window asks for a close box only (its maximize hint is there so that
# code can maximize it). openbox ignores a Motif request for no minimize box,
# and draws a disallowed maximize box when a minimize box stands beside it;
# so the tour's openbox lays out title bars as icon, label and close.
openbox_rc=/etc/xdg/openbox/rc.xml
sed 's|<titleLayout>[A-Z]*</titleLayout>|<titleLayout>NLC</titleLayout>|' "$openbox_rc" >"$work/rc.xml"
grep -q '<titleLayout>NLC</titleLayout>' "$work/rc.xml" || die "no titleLayout in $openbox_rc"
session_openbox 10 --config-file "$work/rc.xml" || die "openbox did not start"

QT_QPA_PLATFORM=xcb "$app_bin" >"$work/abacoria.log" 2>&1 &
app=$!
pids+=("$app")

windows() { xdotool search --onlyvisible --name '^Abacoria$' 2>/dev/null || true; }
main=""
main_found() { main=$(windows | head -n1); [ -n "$main" ]; }
poll 20 main_found || die "no window appeared"
xdotool windowmove --sync "$main" 11 31 # the frame at 10,10
# A message box: a visible window other than the main one; $1 is its title.
box=""
box_found() { box=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | grep -vx "$main" | head -n1); [ -n "$box" ]; }
# A box just mapped shows what lay under it until it paints: its picture
# must hold a while.
shoot_box() { shoot "$box" "$1" 3; }
place_box() { xdotool windowmove --sync "$box" 231 31 >/dev/null 2>&1 || true; }
# Presses Return in the box, as the keyboard's focus.
answer() {
    xdotool windowactivate --sync "$box" >/dev/null 2>&1 || true
    xdotool key Return
}
gone() { ! xdotool getwindowname "$1" >/dev/null 2>&1 || ! xdotool search --onlyvisible --name . 2>/dev/null | grep -qx "$1"; }

# Where a window lies on the screen with its frame: WxH+X+Y.
frame_geometry() {
    local x y w h l r t b
    read -r x y w h < <(xwininfo -id "$1" | awk '/Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF }
        /Width:/ { w = $NF } /Height:/ { h = $NF } END { print x, y, w, h }')
    read -r l r t b < <(xprop -id "$1" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g; /[^0-9 ]/s/.*/0 0 0 0/')
    echo "$((w + l + r))x$((h + t + b))+$((x - l))+$((y - t))"
}
# The picture of one window with its frame, cut from the screen; waits for
# pending paints by taking it until HOLD more takes, a tenth of a second
# apart, agree with it (1 by default: the banner changes every half second).
shoot() { # shoot WINDOW FILE [HOLD]
    local a=$work/a.png b=$work/b.png geometry same=0 hold=${3:-1}
    geometry=$(frame_geometry "$1")
    import -silent -window root -crop "$geometry" +repage "$a" 2>/dev/null || return 1
    for _ in $(seq 30); do
        sleep 0.1
        import -silent -window root -crop "$geometry" +repage "$b" 2>/dev/null || return 1
        if [ "$(compare -metric AE "$a" "$b" null: 2>&1)" = 0 ]; then
            same=$((same + 1))
            [ "$same" -lt "$hold" ] || break
        else
            same=0
        fi
        mv "$b" "$a"
    done
    convert "$a" -strip "$2"
    say "saved $2 ($(identify -format '%wx%h' "$2"))"
}
click() { xdotool mousemove --window "$main" "$1" "$2" click 1; sleep 0.05; }
# Key centres in the client area, in pixels.
key_4() { click 32 88; }
key_2() { click 72 48; }
key_point() { click 72 168; }
key_5() { click 72 88; }
key_equals() { click 112 168; }
banner() { click 30 266; }

say "the window at start"
shoot "$main" "$out/start.png"

say "keying 42.5"
key_4; key_2; key_point; key_5
shoot "$main" "$out/number.png"

say "= : the count runs, then the question"
key_equals
poll 30 box_found Abacoria || die "no question box"
place_box
shoot "$main" "$out/progress.png"
shoot_box "$out/question.png"
answer # Yes: the next box scolds
poll 10 box_found 'Yell!' || die "no answer to Yes"
answer
poll 10 gone "$box" || die "the answer box stayed"

say "the banner: the prize and its flood"
banner
poll 10 box_found Abacoria || die "no prize box"
answer
# The flood is over when the program stops working: only the banner's ticks
# remain, a few milliseconds a second.
cpu() { awk '{ print $14 + $15 }' "/proc/$app/stat"; }
idle() {
    local a b
    a=$(cpu)
    sleep 1
    b=$(cpu)
    [ $((b - a)) -le 5 ]
}
sleep 1
poll 300 idle || die "the flood did not end"
shoot "$main" "$out/flood.png"

say "closing through the window manager: the farewell"
wmctrl -i -c "$main"
poll 10 box_found Abacoria || die "no farewell box"
place_box
shoot_box "$out/farewell.png"
answer
poll 10 box_found Abacoria || die "no second farewell box"
answer
poll 20 sh -c "! kill -0 $app 2>/dev/null" || die "the program did not end"

win_exe=${ABACORIA_WINDOWS_EXE:-$(dirname "$0")/../build-win32/abacoria.exe}
# The picture is of the PE32, which needs a machine that runs 32-bit programs.
win_arch=$(env -u WINDOWS_TEST_ARCH "$(dirname "$0")/../scripts/windows-arch.sh" --quiet)
if [ -f "$win_exe" ] && command -v wine >/dev/null && [ "$win_arch" = i686 ]; then
    say "the Windows program under Wine"
    # A prefix of the tour's own, where Wine draws the title bar itself (not
    # decorated by the window manager), as the window asks for it.
    wine_prefix=$(cd "$(dirname "$win_exe")" && pwd)/wine/tour-prefix
    "$(dirname "$0")/../tests/win32/wine-prefix.sh" "$wine_prefix"
    export WINEPREFIX=$wine_prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N /f >/dev/null 2>&1 ||
        die "could not set Wine's Decorated"
    wine "$win_exe" >"$work/wine.log" 2>&1 &
    pids+=($!)
    main=""
    poll 60 main_found || die "no window under Wine"
    xdotool windowmove --sync "$main" 10 10
    shoot "$main" "$out/windows.png"
    wineserver -k || true
else
    say "no Windows program (make windows) or no 32-bit Wine here: no windows.png"
fi

web_dir=${ABACORIA_WEB_DIR:-$(dirname "$0")/../build-web}
if [ ! -f "$web_dir/abacoria.html" ]; then
    say "no browser build (make web): no web.png"
elif [ ! -d "$(dirname "$0")/../node_modules/puppeteer-core" ]; then
    say "no browser driver (make npm-deps): no web.png"
else
    say "the browser build in headless Chromium"
    node "$(dirname "$0")/web/tour.mjs" "$web_dir/abacoria.html" "$out/web.png" || die "no picture of the browser build"
    say "saved $out/web.png ($(identify -format '%wx%h' "$out/web.png"))"
fi
say "done: $(du -ch "$out"/{start,number,progress,question,flood,farewell}.png | tail -n1 | cut -f1) in $out"
