#!/usr/bin/env bash
# End-to-end test: runs the real program in its own Xvfb with openbox and
# drives it like a person would, with real X input (xdotool), the window
# manager's close (WM_DELETE_WINDOW via wmctrl) and the X PRIMARY selection
# to read the display. One session from start to farewell, in order, which
# is why it is one long script.
#
# usage: abacoria_e2e.sh PATH/TO/abacoria OUTPUT_DIR
# On failure a screenshot (xwd, plus png when ImageMagick is around) and the
# program's output are left in OUTPUT_DIR.
set -uo pipefail

APP=${1:?usage: $0 PATH/TO/abacoria OUTPUT_DIR}
OUT=${2:?usage: $0 PATH/TO/abacoria OUTPUT_DIR}
STEP_TIMEOUT=${ABACORIA_E2E_STEP_TIMEOUT:-30} # seconds per bounded wait
# The whole run stays under CTest's TIMEOUT (240 s), so a slow run still
# fails here, with a screenshot, rather than being killed.
BUDGET=${ABACORIA_E2E_BUDGET:-220}
SCREEN_W=1280
SCREEN_H=1024

T0=$(date +%s%N)
END_OF_BUDGET=$(($(date +%s) + BUDGET))
CURRENT_STEP="setting up"
step() {
    CURRENT_STEP=$*
    printf '[e2e %6.2fs] %s\n' "$(($(date +%s%N) - T0))e-9" "$*"
}
note() { printf '             %s\n' "$*"; }

for tool in Xvfb openbox xdotool wmctrl xclip xwd xwininfo xprop; do
    if ! command -v "$tool" >/dev/null; then
        echo "FAIL: '$tool' is not installed (scripts/install-deps.sh installs it)" >&2
        exit 1
    fi
done
[ -x "$APP" ] || { echo "FAIL: no program at $APP" >&2; exit 1; }
mkdir -p "$OUT"
rm -f "$OUT"/e2e-failure.*

WORK=$(mktemp -d "${TMPDIR:-/tmp}/abacoria-e2e.XXXXXX")
XVFB_PID='' WM_PID='' APP_PID=''

# Ends what this script started and is still running (the program, openbox,
# Xvfb, a selection marker): bash's own list of its running children, so
# no recycled process id is ever hit.
cleanup() {
    local running
    running=$(jobs -pr)
    if [ -n "$running" ]; then
        kill $running 2>/dev/null
        wait $running 2>/dev/null
    fi
    rm -rf "$WORK"
}
trap cleanup EXIT
trap 'echo "interrupted" >&2; exit 130' INT TERM HUP

fail() {
    echo "FAIL during '$CURRENT_STEP': $*" >&2
    if [ -n "${DISPLAY:-}" ]; then
        echo "--- windows on $DISPLAY (wmctrl -l -G -p):" >&2
        wmctrl -l -G -p >&2 2>/dev/null
        if xwd -root -silent -out "$OUT/e2e-failure.xwd" 2>/dev/null; then
            echo "--- screenshot: $OUT/e2e-failure.xwd" >&2
            if command -v convert >/dev/null && convert "xwd:$OUT/e2e-failure.xwd" "$OUT/e2e-failure.png" 2>/dev/null; then
                echo "--- screenshot: $OUT/e2e-failure.png" >&2
            fi
        fi
    fi
    if [ -s "$WORK/app.log" ]; then
        cp "$WORK/app.log" "$OUT/e2e-failure.app.log"
        echo "--- program output:" >&2
        tail -n 40 "$WORK/app.log" >&2
    fi
    exit 1
}

# wait_for WHAT CMD...: runs CMD every POLL seconds until it succeeds, at
# most STEP_TIMEOUT seconds.
POLL=0.1
wait_for() {
    local what=$1
    shift
    local deadline=$(($(date +%s) + STEP_TIMEOUT))
    until "$@"; do
        [ "$(date +%s)" -lt "$deadline" ] || fail "timed out after ${STEP_TIMEOUT}s waiting for $what"
        [ "$(date +%s)" -lt "$END_OF_BUDGET" ] || fail "the whole run took over ${BUDGET}s (waiting for $what)"
        sleep "$POLL"
    done
}

# Bash reaps the program as soon as it ends (wait still gives its status);
# a zombie counts as ended too.
app_running() {
    local stat
    { stat=$(<"/proc/$APP_PID/stat"); } 2>/dev/null || return 1
    stat=${stat##*) } # the state follows the command name in parentheses
    [ "${stat%% *}" != Z ]
}

# --- windows --------------------------------------------------------------

# Visible top-level windows of the program with exactly this title.
windows_titled() {
    xdotool search --onlyvisible --pid "$APP_PID" --name "^$1\$" 2>/dev/null
}

is_viewable() { xwininfo -id "$1" 2>/dev/null | grep -q 'Map State: IsViewable'; }
is_gone() { ! is_viewable "$1"; }

# Client size as WIDTHxHEIGHT.
window_size() { xwininfo -id "$1" 2>/dev/null | awk '/^  Width:/{w=$2} /^  Height:/{h=$2} END{print w "x" h}'; }

FOUND=''
find_main_window() {
    FOUND=$(windows_titled Abacoria | head -n 1)
    [ -n "$FOUND" ]
}

# A visible window titled $1 that is neither the main window nor one of
# the ids in $2 (windows already answered).
find_box() {
    local title=$1 seen=${2:-} id
    app_running || fail "the program ended unexpectedly (waiting for a box titled \"$title\")"
    for id in $(windows_titled "$title"); do
        [ "$id" = "$MAIN" ] && continue
        [[ " $seen " == *" $id "* ]] && continue
        FOUND=$id
        return 0
    done
    return 1
}

# wait_box TITLE [IDS-TO-SKIP]: waits for a new message box; sets BOX.
wait_box() {
    wait_for "a message box titled \"$1\"" find_box "$1" "${2:-}"
    BOX=$FOUND
    note "box \"$1\" is window $BOX ($(window_size "$BOX"))"
}

# answer_box ID KEY: gives the box the focus, presses KEY, waits until the
# box is gone.
answer_box() {
    timeout 10 xdotool windowactivate --sync "$1" >/dev/null 2>&1 ||
        timeout 10 xdotool windowfocus --sync "$1" >/dev/null 2>&1 ||
        fail "could not give the focus to box $1"
    xdotool key "$2"
    wait_for "box $1 to close after pressing $2" is_gone "$1"
}

# Only the main window may be up: a stray box (a run-time error, say) fails.
only_main_window() {
    local id pid title
    # wmctrl lists the windows openbox manages: id, desktop, pid, host, title.
    while read -r id _ pid _ title; do
        [ "$pid" = "$APP_PID" ] || continue
        [ "$((id))" = "$MAIN" ] && continue
        fail "unexpected window $((id)) titled \"$title\""
    done < <(wmctrl -l -p 2>/dev/null)
}

activate_main() {
    timeout 10 xdotool windowactivate --sync "$MAIN" >/dev/null 2>&1 ||
        fail "could not activate the main window"
}

# --- input and reading ----------------------------------------------------

click_at() { xdotool mousemove --window "$MAIN" "$1" "$2" click 1; }

# Key positions in the client area (left, top); every key is 33x33.
declare -A KEY=(
    [1]="16 32" [2]="56 32" [3]="96 32" [+]="136 32"
    [4]="16 72" [5]="56 72" [6]="96 72" [-]="136 72"
    [7]="16 112" [8]="56 112" [9]="96 112" [/]="136 112"
    [0]="16 152" [.]="56 152" [=]="96 152" [*]="136 152"
)
click_key() {
    local left top
    read -r left top <<<"${KEY[$1]}"
    click_at $((left + 16)) $((top + 16))
}

# The display's text: select all of it and read the PRIMARY selection. A
# marker owns the selection first, so a stale text is never read. The
# marker's owner (xclip in the foreground, our own child) ends by itself
# once the next owner takes the selection.
READS=0
DISPLAY_TEXT=''
primary_is_marker() {
    DISPLAY_TEXT=$(timeout 5 xclip -o -selection primary 2>/dev/null) || return 1
    [ "$DISPLAY_TEXT" = "$MARKER" ]
}
primary_changed() {
    DISPLAY_TEXT=$(timeout 5 xclip -o -selection primary 2>/dev/null) || return 1
    [ "$DISPLAY_TEXT" != "$MARKER" ]
}
read_display() {
    READS=$((READS + 1))
    MARKER="@@e2e-marker-$READS@@"
    printf '%s' "$MARKER" >"$WORK/marker"
    xclip -quiet -i -selection primary "$WORK/marker" >/dev/null 2>&1 &
    wait_for "the marker to own the PRIMARY selection" primary_is_marker
    activate_main
    click_at 90 17 # the display lies at (16,8) 153x19
    xdotool key ctrl+a
    wait_for "the display's text in the PRIMARY selection" primary_changed
}

expect_display() {
    read_display
    [ "$DISPLAY_TEXT" = "$1" ] || fail "display shows \"$DISPLAY_TEXT\", expected \"$1\""
    note "display: \"$DISPLAY_TEXT\""
}

# --- pixels ---------------------------------------------------------------

# dump_window ID FILE: the window's pixels as xwd; sets PIX_* to the dump's
# layout. Depending on what overlaps the window, xwd writes 4 or 3 bytes a
# pixel, with rows padded: both are read.
dump_window() {
    xwd -id "$1" -silent -out "$2" || return 1
    local -a h
    read -r -a h <<<"$(od -An -N80 -v --endian=big -tu4 "$2" | tr '\n' ' ')" || return 1
    # [0] header size, [4] width, [7] byte order, [11] bits per pixel,
    # [12] bytes per line, [19] colour entries (12 bytes each)
    [ "${#h[@]}" -eq 20 ] || return 1
    PIX_OFFSET=$((h[0] + h[19] * 12))
    PIX_WIDTH=${h[4]}
    PIX_ORDER=${h[7]}
    PIX_BYTES=$((h[11] / 8))
    PIX_BPL=${h[12]}
    [ "$PIX_BYTES" -ge 3 ] && [ "$PIX_BYTES" -le 4 ] && [ $((PIX_BYTES * PIX_WIDTH)) -le "$PIX_BPL" ]
}

# pixels FILE FIRST COUNT: one "rrggbb" line per pixel of those rows.
pixels() {
    od -An -v -tx1 -w"$PIX_BPL" -j $((PIX_OFFSET + $2 * PIX_BPL)) -N $(($3 * PIX_BPL)) "$1" |
        awk -v n="$PIX_WIDTH" -v b="$PIX_BYTES" -v msb="$PIX_ORDER" '{
            for (i = 0; i < n; i++) {
                o = i * b
                if (msb == 1) print $(o + b - 2) $(o + b - 1) $(o + b)
                else print $(o + 3) $(o + 2) $(o + 1)
            }
        }'
}

# Checksum of the rows where the progress bar and its caption appear
# (window rows 198..235; nothing else there moves).
BAR_SUM=''
bar_rows_sum() {
    dump_window "$MAIN" "$WORK/win.xwd" || return 1
    BAR_SUM=$(pixels "$WORK/win.xwd" 198 38 | md5sum)
    BAR_SUM=${BAR_SUM%% *}
}
bar_rows_differ() { bar_rows_sum && [ "$BAR_SUM" != "$1" ]; }
bar_rows_equal() { bar_rows_sum && [ "$BAR_SUM" = "$1" ]; }

# count_background ID FIRST COUNT: pixels of the window's background colour
# (255,255,128) in those rows.
count_background() {
    dump_window "$1" "$WORK/win.xwd" || return 1
    pixels "$WORK/win.xwd" "$2" "$3" | grep -c '^ffff80$'
}

# --- the X server ---------------------------------------------------------

step "starting Xvfb (${SCREEN_W}x${SCREEN_H}x24, 96 dpi) and openbox"
Xvfb -displayfd 3 -screen 0 "${SCREEN_W}x${SCREEN_H}x24" -dpi 96 -nolisten tcp -noreset \
    3>"$WORK/display" >"$WORK/xvfb.log" 2>&1 &
XVFB_PID=$!
display_ready() {
    kill -0 "$XVFB_PID" 2>/dev/null || { cat "$WORK/xvfb.log" >&2; fail "Xvfb exited"; }
    grep -q '^[0-9][0-9]*$' "$WORK/display"
}
wait_for "Xvfb to report its display" display_ready
DISPLAY=":$(head -n 1 "$WORK/display")"
export DISPLAY
note "display $DISPLAY"

# Nothing from the caller's desktop session leaks in.
unset WAYLAND_DISPLAY SESSION_MANAGER DBUS_SESSION_BUS_ADDRESS QT_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS \
    QT_AUTO_SCREEN_SCALE_FACTOR QT_ENABLE_HIGHDPI_SCALING QT_FONT_DPI QT_STYLE_OVERRIDE
export QT_QPA_PLATFORM=xcb
export XDG_CONFIG_HOME="$WORK/config" XDG_CACHE_HOME="$WORK/cache" XDG_RUNTIME_DIR="$WORK/runtime"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_CACHE_HOME" && mkdir -m 700 "$XDG_RUNTIME_DIR"

openbox --sm-disable >"$WORK/openbox.log" 2>&1 &
WM_PID=$!
wm_ready() {
    kill -0 "$WM_PID" 2>/dev/null || { cat "$WORK/openbox.log" >&2; fail "openbox exited"; }
    wmctrl -m 2>/dev/null | grep -q '^Name: Openbox'
}
wait_for "openbox to manage the screen" wm_ready

# --- the program ----------------------------------------------------------

step "starting $APP"
"$APP" >"$WORK/app.log" 2>&1 &
APP_PID=$!
main_window_up() {
    app_running || fail "the program exited at start-up"
    find_main_window
}
wait_for "a window titled \"Abacoria\"" main_window_up
MAIN=$FOUND
note "main window $MAIN"

step "checking the window: 185x281, fixed size"
wait_for "the window to be mapped" is_viewable "$MAIN"
size=$(window_size "$MAIN")
[ "$size" = 185x281 ] || fail "client area is $size, expected 185x281"
hints=$(xprop -id "$MAIN" WM_NORMAL_HINTS)
grep -q 'minimum size: 185 by 281' <<<"$hints" && grep -q 'maximum size: 185 by 281' <<<"$hints" ||
    fail "the window is not fixed at 185x281: $hints"
only_main_window

step "the display starts as \"0\""
expect_display 0

# Each row: key to click, display expected after it. A display whose value
# is 0 ("0", ".") is cleared before a digit or point is appended.
keypad_table=(
    '7 7' '5 75' '+ 0'
    '. .' '3 3' '. 3.' '2 3.2' '- 0'
    '0 0' '9 9' '8 98' '/ 0'
    '4 4' '6 46' '1 461' '* 0'
    '7 7' '5 75'
)
for row in "${keypad_table[@]}"; do
    read -r key expected <<<"$row"
    step "clicking key \"$key\", expecting \"$expected\""
    click_key "$key"
    expect_display "$expected"
done
only_main_window

# "=" counts with the progress bar showing, then asks; the display stays.
step "recording the progress bar's area while it is hidden"
activate_main
bar_rows_sum || fail "could not dump the window"
BAR_HIDDEN=$BAR_SUM

step "clicking \"=\" and answering Yes (Return)"
click_key '='
wait_box Abacoria
QUESTION=$BOX
# The box is moved aside so the main window's rows can be read.
xdotool windowmove "$QUESTION" 700 700
wait_for "the progress bar to be visible behind the question" bar_rows_differ "$BAR_HIDDEN"
answer_box "$QUESTION" Return
wait_box 'Yell!'
answer_box "$BOX" Return
wait_for "the progress bar to be hidden again" bar_rows_equal "$BAR_HIDDEN"
only_main_window
expect_display 75

step "clicking \"=\" and answering No (n)"
click_key '='
wait_box Abacoria "$QUESTION"
QUESTION2=$BOX
answer_box "$QUESTION2" n
wait_box Yell
# Starting the external calculator fails here; that must stay silent.
answer_box "$BOX" Return
wait_for "the progress bar to be hidden again" bar_rows_equal "$BAR_HIDDEN"
only_main_window
expect_display 75

# Closing before the banner was clicked is refused, every time.
SEEN="$QUESTION $QUESTION2"
for attempt in 1 2; do
    step "closing the window before the banner was clicked (attempt $attempt): refused"
    activate_main
    wmctrl -i -c "$MAIN"
    wait_box Abacoria "$SEEN"
    SEEN="$SEEN $BOX"
    REFUSAL_SIZE=$(window_size "$BOX")
    answer_box "$BOX" Return
    app_running || fail "the program exited although the banner was never clicked"
    is_viewable "$MAIN" || fail "the main window went away although the close was refused"
    only_main_window
done
expect_display 75

step "clicking the banner text at (12,266)"
activate_main
click_at 12 266
wait_box Abacoria "$SEEN"
SEEN="$SEEN $BOX"
answer_box "$BOX" Return

step "the window maximizes for the flood of buttons"
maximized() {
    local w h
    IFS=x read -r w h <<<"$(window_size "$MAIN")"
    [ -n "$w" ] && [ "$w" -ge "$SCREEN_W" ] && [ "$h" -ge $((SCREEN_H * 9 / 10)) ]
}
# Polled closely: the close below should land early in the flood.
POLL=0.02 wait_for "the window to fill the screen" maximized
note "window is now $(window_size "$MAIN")"

# At once, while buttons are still being added.
step "closing the window during the flood"
wmctrl -i -c "$MAIN"
wait_box Abacoria "$SEEN"
FAREWELL1=$BOX
SEEN="$SEEN $FAREWELL1"
IFS=x read -r _ farewell1_height <<<"$(window_size "$FAREWELL1")"
[ "$(window_size "$FAREWELL1")" != "$REFUSAL_SIZE" ] ||
    fail "the box has the refusal's size ($REFUSAL_SIZE): the close was refused after the banner click"

# The flood waits behind the farewell box. Had it finished, the 10000
# buttons would leave about 0.2% of the background showing in rows
# 100..299; a close early in the flood leaves far more of it.
background=$(count_background "$MAIN" 100 200) || fail "could not read the window's pixels"
total=$((200 * SCREEN_W))
note "background still showing in rows 100..299: $background of $total pixels"
[ "$background" -gt $((total / 50)) ] ||
    fail "the close arrived after the flood was (nearly) done: only $background of $total background pixels left"

step "answering the first farewell"
answer_box "$FAREWELL1" Return
step "answering the second farewell"
wait_box Abacoria "$SEEN"
# Its text has two lines, the first farewell's one.
IFS=x read -r _ farewell2_height <<<"$(window_size "$BOX")"
[ "$farewell2_height" -gt "$farewell1_height" ] ||
    fail "the second farewell ($(window_size "$BOX")) is not taller than the first (height $farewell1_height)"
answer_box "$BOX" Return

step "the program exits with status 0"
wait_for "the program to exit" eval '! app_running'
wait "$APP_PID"
status=$?
[ "$status" -eq 0 ] || fail "the program exited with status $status"

step "PASS"
