#!/usr/bin/env bash
# Where no display can be opened (a terminal over ssh, a packaging script, a
# container), --help and --version answer as they do where one can, and a
# plain start says in one line that no display could be opened and what
# DISPLAY and WAYLAND_DISPLAY held, then exits 1: no abort, no core file.
# Usage: check-no-display.sh BUILD_DIR
# shellcheck source=begin.sh
. "$(dirname "$0")/begin.sh"
build=$1
bin=$(cd "$build" && pwd)/abacoria
mkdir -m 0700 "$tmp/runtime"
# An abort would leave its core here.
cd "$tmp"
ulimit -c unlimited

# The program in a clean environment plus NAME=value words; a private
# runtime directory keeps the Wayland client library from adding its own
# complaint about a missing one.
run() { env -i PATH="$PATH" HOME="$tmp" XDG_RUNTIME_DIR="$tmp/runtime" "$@"; }

declare -A reference
for option in --version --help; do
    reference[$option]=$(run QT_QPA_PLATFORM=offscreen "$bin" "$option" 2>/dev/null) \
        || fail "$option on the offscreen platform failed"
done

# DISPLAY, WAYLAND_DISPLAY, QT_QPA_PLATFORM; - is unset. Named servers that
# are not there must count as no display.
cases=(
    "- - -"
    ":54321 abacoria-nowhere -"
    "- abacoria-nowhere wayland"
    ":54321 - xcb"
)
names=(DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM)
for row in "${cases[@]}"; do
    read -r -a values <<<"$row"
    vars=() tried=()
    for i in 0 1 2; do
        if [ "${values[$i]}" != - ]; then
            vars+=("${names[$i]}=${values[$i]}")
            tried+=("${names[$i]}=\"${values[$i]}\"")
        elif [ "$i" -lt 2 ]; then
            tried+=("${names[$i]} unset")
        fi
    done

    for option in --version --help; do
        status=0
        out=$(run "${vars[@]}" "$bin" "$option" 2>"$tmp/err") || status=$?
        [ "$status" -eq 0 ] || fail "$option with ${vars[*]:-nothing set}: status $status: $(cat "$tmp/err")"
        [ "$out" = "${reference[$option]}" ] \
            || fail "$option with ${vars[*]:-nothing set} prints"$'\n'"$out"$'\n'"instead of"$'\n'"${reference[$option]}"
    done

    status=0
    run "${vars[@]}" timeout 30 "$bin" >"$tmp/out" 2>"$tmp/err" || status=$?
    [ "$status" -eq 1 ] || fail "start with ${vars[*]:-nothing set}: status $status, not 1: $(cat "$tmp/err")"
    tried_text=$(printf '%s, ' "${tried[@]}")
    expected="abacoria: no display could be opened (tried ${tried_text%, })"
    [ "$(cat "$tmp/err")" = "$expected" ] \
        || fail "start with ${vars[*]:-nothing set} says"$'\n'"$(cat "$tmp/err")"$'\n'"instead of"$'\n'"$expected"
    echo "no display (${vars[*]:-nothing set}): --version, --help, and one line and status 1 on start"
done
! compgen -G "$tmp/core*" >/dev/null || fail "a core file was written: $(ls "$tmp")"

# A platform that needs no display still starts the window: still running
# when timeout ends it.
status=0
run QT_QPA_PLATFORM=offscreen timeout 3 "$bin" >/dev/null 2>&1 || status=$?
[ "$status" -eq 124 ] || fail "start on the offscreen platform with no display: status $status"
echo "offscreen with no display: starts"
