#!/usr/bin/env bash
# Tells which Windows build this machine can test under Wine: i686 (the PE32
# itself, under Wine's 32-bit half) where the kernel runs 32-bit x86
# programs, x86_64 (the same source built for x86-64, under 64-bit Wine)
# where it refuses them, as some kernels do ("Exec format error"). It asks
# the machine rather than guessing: it runs a tiny i386 Linux program.
#
#   windows-arch.sh [--quiet] [--try PROGRAM]
#
# Prints the architecture on stdout and, unless --quiet, the sentence that
# says which and why on stderr. WINDOWS_TEST_ARCH=i686|x86_64 forces one; a
# forced i686 on a machine that cannot run it fails (status 1) with the
# sentence. --try runs PROGRAM in place of the i386 one (the probe's test
# hands it one the kernel refuses).
set -euo pipefail

quiet=0 program=""
while [ $# -gt 0 ]; do
    case $1 in
    --quiet) quiet=1; shift ;;
    --try) program=$2; shift 2 ;;
    *) echo "usage: $0 [--quiet] [--try PROGRAM]" >&2; exit 2 ;;
    esac
done

say() { [ "$quiet" = 1 ] || echo "Windows tests: $*" >&2; }
i686="the PE32 under 32-bit Wine"
x86_64="x86-64 build under 64-bit Wine"

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
if [ -z "$program" ]; then
    # An ELF32 i386 executable of one page: its code is exit(0) through
    # int 0x80, loaded at 0x08048000, entry just past the headers.
    program=$tmp/i386-probe
    printf '\177ELF\001\001\001\000\000\000\000\000\000\000\000\000'  >"$program" # ident
    printf '\002\000\003\000\001\000\000\000\124\200\004\010'        >>"$program" # exec, i386, v1, entry
    printf '\064\000\000\000\000\000\000\000\000\000\000\000'        >>"$program" # phoff 52, no sections
    printf '\064\000\040\000\001\000\000\000\000\000\000\000'        >>"$program" # sizes, 1 program header
    printf '\001\000\000\000\000\000\000\000\000\200\004\010'        >>"$program" # PT_LOAD from 0 at the base
    printf '\000\200\004\010\135\000\000\000\135\000\000\000'        >>"$program" # 93 bytes in file and memory
    printf '\005\000\000\000\000\020\000\000'                        >>"$program" # r-x, page aligned
    printf '\061\333\270\001\000\000\000\315\200'                    >>"$program" # xor ebx,ebx; mov eax,1; int 0x80
    chmod +x "$program"
fi

# bash reports a refused program as "...: cannot execute binary file: Exec
# format error" and status 126; the reason is the last part.
runs=1 why=""
if ! out=$("$program" 2>&1); then
    runs=0
    why=${out##*: }
    [ -n "$why" ] || why="it exited with a failure"
fi

case ${WINDOWS_TEST_ARCH:-} in
"")
    if [ "$runs" = 1 ]; then
        say "$i686 (this machine runs 32-bit programs)"
        echo i686
    else
        say "$x86_64 (this machine cannot run 32-bit programs: $why)"
        echo x86_64
    fi
    ;;
x86_64)
    say "$x86_64 (WINDOWS_TEST_ARCH=x86_64)"
    echo x86_64
    ;;
i686)
    if [ "$runs" = 0 ]; then
        echo "Windows tests: WINDOWS_TEST_ARCH=i686, but this machine cannot run 32-bit programs: $why" >&2
        exit 1
    fi
    say "$i686 (WINDOWS_TEST_ARCH=i686)"
    echo i686
    ;;
*)
    echo "Windows tests: WINDOWS_TEST_ARCH is '$WINDOWS_TEST_ARCH'; it can be i686 or x86_64" >&2
    exit 2
    ;;
esac
