# Session plumbing shared by the scripts that run the program in a private
# display server: a private directory, the background processes to end on
# exit, bounded polling, and starting Xvfb, openbox or weston.
# Sourced, not executed; the caller sets its own shell options (set -euo
# pipefail). Every started process is appended to the array pids.
# shellcheck shell=bash

# session_begin [VAR]: makes the private directory $session_dir (mode 0700:
# weston and the accessibility bus refuse a runtime directory others can
# read), also stored in VAR when given, and ends the processes in pids and
# removes the directory when the script exits.
session_begin() {
    session_dir=$(mktemp -d)
    chmod 700 "$session_dir"
    [ $# -eq 0 ] || printf -v "$1" '%s' "$session_dir"
    pids=()
    trap session_cleanup EXIT
}

# session_cleanup: the EXIT trap; kills what the script started, waits for
# it, removes the directory.
session_cleanup() {
    local p
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$session_dir"
}

# poll SECONDS COMMAND...: runs COMMAND every tenth of a second until it
# succeeds (0) or SECONDS have passed (1).
poll() {
    local end=$((SECONDS + $1))
    shift
    until "$@"; do
        [ "$SECONDS" -lt "$end" ] || return 1
        sleep 0.1
    done
}

# session_xvfb WxHxD SECONDS: starts Xvfb on a free display, which it names
# itself, and exports DISPLAY once it has; 1 when that takes longer than
# SECONDS (its messages are in $session_dir/xvfb.log).
session_xvfb() {
    Xvfb -displayfd 3 -screen 0 "$1" -nolisten tcp 3>"$session_dir/display" 2>"$session_dir/xvfb.log" &
    pids+=($!)
    poll "$2" test -s "$session_dir/display" || return 1
    DISPLAY=":$(head -n1 "$session_dir/display")"
    export DISPLAY
}

# session_openbox SECONDS [OPTION...]: starts openbox on $DISPLAY with the
# given options; 1 when it does not announce itself on the root window within
# SECONDS.
session_openbox() {
    local seconds=$1
    shift
    openbox --sm-disable "$@" >"$session_dir/openbox.log" 2>&1 &
    pids+=($!)
    poll "$seconds" sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"'
}

# session_weston SOCKET SECONDS [OPTION...]: starts weston's headless
# compositor with the software renderer and the debug protocol (so the
# caller can read its scene graph and take screenshots) on
# $XDG_RUNTIME_DIR/SOCKET, its output in $session_dir/weston.log; 1 when the
# socket is not there within SECONDS, or weston exited before making it.
session_weston() {
    local socket=$1 seconds=$2 pid
    shift 2
    weston --backend=headless-backend.so --use-pixman --socket="$socket" --debug "$@" \
        >"$session_dir/weston.log" 2>&1 &
    pid=$!
    pids+=("$pid")
    poll "$seconds" _session_socket_or_gone "$XDG_RUNTIME_DIR/$socket" "$pid" || true
    [ -S "$XDG_RUNTIME_DIR/$socket" ]
}

# _session_socket_or_gone SOCKET PID: the socket exists or the process ended.
_session_socket_or_gone() { [ -S "$1" ] || ! kill -0 "$2" 2>/dev/null; }
