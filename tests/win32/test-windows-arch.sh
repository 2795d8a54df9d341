#!/usr/bin/env bash
# The choice of Windows build for the tests (scripts/windows-arch.sh), under
# stand-ins for the probe: a program the kernel refuses as it refuses i386
# programs on machines without 32-bit support (an ELF for a machine no
# kernel knows), and one that runs.
set -euo pipefail

probe=$(cd "$(dirname "$0")/../.." && pwd)/scripts/windows-arch.sh
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
refused=$tmp/refused
{ printf '\177ELF\001\001\001\000\000\000\000\000\000\000\000\000\002\000\231\231\001\000\000\000'; head -c 72 /dev/zero; } >"$refused"
chmod +x "$refused"

failed=0
# expect NAME STATUS ARCH SENTENCE [ENV...] -- PROBE-ARGS...: the probe's
# status, its answer on stdout and the sentence on stderr.
expect() {
    local name=$1 status=$2 arch=$3 sentence=$4 got=0
    shift 4
    local envs=()
    while [ "$1" != -- ]; do envs+=("$1"); shift; done
    shift
    out=$(env -u WINDOWS_TEST_ARCH "${envs[@]}" "$probe" "$@" 2>"$tmp/err") || got=$?
    if [ "$got" != "$status" ] || [ "$out" != "$arch" ] || [ "$(cat "$tmp/err")" != "$sentence" ]; then
        echo "FAIL $name: status $got, answer '$out', said '$(cat "$tmp/err")'"
        echo "     wanted status $status, answer '$arch', said '$sentence'"
        failed=1
    else
        echo "ok   $name"
    fi
}

expect "refused probe" 0 x86_64 \
    "Windows tests: x86-64 build under 64-bit Wine (this machine cannot run 32-bit programs: Exec format error)" \
    -- --try "$refused"
expect "refused probe, i686 forced" 1 "" \
    "Windows tests: WINDOWS_TEST_ARCH=i686, but this machine cannot run 32-bit programs: Exec format error" \
    WINDOWS_TEST_ARCH=i686 -- --try "$refused"
expect "refused probe, x86_64 forced" 0 x86_64 \
    "Windows tests: x86-64 build under 64-bit Wine (WINDOWS_TEST_ARCH=x86_64)" \
    WINDOWS_TEST_ARCH=x86_64 -- --try "$refused"
expect "probe that runs" 0 i686 \
    "Windows tests: the PE32 under 32-bit Wine (this machine runs 32-bit programs)" \
    -- --try /bin/true
expect "probe that runs, x86_64 forced" 0 x86_64 \
    "Windows tests: x86-64 build under 64-bit Wine (WINDOWS_TEST_ARCH=x86_64)" \
    WINDOWS_TEST_ARCH=x86_64 -- --try /bin/true
expect "quiet" 0 x86_64 "" -- --quiet --try "$refused"
expect "unknown architecture" 2 "" \
    "Windows tests: WINDOWS_TEST_ARCH is 'arm64'; it can be i686 or x86_64" \
    WINDOWS_TEST_ARCH=arm64 -- --try /bin/true
exit "$failed"
