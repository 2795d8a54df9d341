#!/usr/bin/env bash
# Runs a Windows program under Wine in the tests' prefix (made on first use),
# and never on the user's display: without --display it gets none, with it a
# private Xvfb, with --wm also openbox. 32- or 64-bit Wine, as the program
# is built. Exits with the program's status.
#
#   wine-run.sh --prefix PREFIX [--dpi N] [--display] [--wm] [--] PROGRAM [ARG...]
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
prefix="" dpi="" display=0 wm=0
while [ $# -gt 0 ]; do
    case $1 in
    --prefix) prefix=$2; shift 2 ;;
    --dpi) dpi=$2; shift 2 ;;
    --display) display=1; shift ;;
    --wm) display=1; wm=1; shift ;;
    --) shift; break ;;
    *) break ;;
    esac
done
[ -n "$prefix" ] && [ $# -gt 0 ] || { echo "usage: $0 --prefix PREFIX [--dpi N] [--display] [--wm] [--] PROGRAM [ARG...]" >&2; exit 2; }

# shellcheck source=wine-env.sh
. "$here/wine-env.sh"
arch=$(wine_arch_of "$1")
"$here/wine-prefix.sh" --arch "$arch" "$prefix" $dpi
wine_use "$arch" "$prefix"

if [ "$display" = 1 ]; then
    # shellcheck source=../lib/session.sh
    . "$here/../lib/session.sh"
    session_begin
    session_xvfb 1024x768x24 10 || { echo "wine-run: Xvfb did not start" >&2; exit 1; }
    if [ "$wm" = 1 ]; then
        session_openbox 10 || { echo "wine-run: openbox did not start" >&2; exit 1; }
    fi
fi
status=0
if [ "$display" = 1 ]; then
    # Wine's desktop process belongs to this display: the server, and it,
    # must be gone before the display is (a later program would find a
    # desktop without a display, and run slower). A short persistence keeps
    # that wait short.
    wineserver -p1 2>/dev/null || true
    "$wine" "$@" || status=$?
    wineserver -w
else
    "$wine" "$@" || status=$?
fi
exit "$status"
