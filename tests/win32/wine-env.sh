# The Wine the Windows tests run under, for a 32-bit (PE32, i386) or a
# 64-bit (PE32+, x86-64) program: sourced by wine-prefix.sh and wine-run.sh.
# Sourced, not executed; the caller sets its own shell options.
# shellcheck shell=bash

# wine_arch_of PROGRAM: prints win32 or win64, from the machine field of the
# program's PE header; fails for anything else.
wine_arch_of() {
    local pe machine
    pe=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ') || return 1
    [ -n "$pe" ] || return 1
    machine=$(od -An -tx2 -j$((pe + 4)) -N2 "$1" | tr -d ' ')
    case $machine in
    014c) echo win32 ;;
    8664) echo win64 ;;
    *) echo "wine-env: $1 is not a Windows program for i386 or x86-64" >&2; return 1 ;;
    esac
}

# wine_use ARCH PREFIX: Wine of that architecture in that prefix, quiet and
# without the downloads it would offer. Sets wine, the loader to run
# programs with: for win64 the 64-bit loader itself, so that no 32-bit
# program starts on the way (Debian's wine picks wine32 where it is
# installed, and some machines cannot run it).
wine_use() {
    # Wine takes an absolute prefix only.
    WINEPREFIX=$(realpath -m "$2")
    export WINEPREFIX WINEARCH=$1 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    unset DISPLAY WAYLAND_DISPLAY
    case $1 in
    win32) wine=wine ;;
    win64)
        wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
        [ -x "$wine" ] || { echo "wine-env: no 64-bit Wine: install wine64 (scripts/install-windows-deps.sh x86_64)" >&2; return 1; }
        export WINELOADER=$wine
        ;;
    *) echo "wine-env: no Wine for '$1'" >&2; return 1 ;;
    esac
}
