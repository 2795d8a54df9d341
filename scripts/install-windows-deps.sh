#!/usr/bin/env bash
# Installs what building Abacoria for 32-bit Windows and testing it under Wine
# need on Debian 12: mingw-w64 (the -posix compilers), Wine with its 32-bit
# half and its fonts, pefile for checking the executable, and Xvfb and
# openbox for the tests that show windows. Installs only what is missing, so
# repeated runs cost nothing.
set -euo pipefail

packages=(
    cmake make
    g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-i686-dev
    wine wine32:i386 fonts-wine
    # Test framework sources, built for Windows; the PE check
    googletest python3 python3-pefile
    # The icon, drawn from the SVG at build time
    librsvg2-bin imagemagick
    # Stand-ins for the window's fonts under Wine
    fonts-liberation2 fonts-comic-neue
    # A private display with a window manager for the tests
    xvfb xauth openbox x11-utils
)

sudo=()
if [ "$(id -u)" -ne 0 ]; then
    sudo=(sudo)
fi

# wine32 is an i386 package.
added_arch=0
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    echo "Adding the i386 architecture for wine32"
    "${sudo[@]}" dpkg --add-architecture i386
    added_arch=1
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && [ "$added_arch" -eq 0 ] && exit 0

# A mirror caught in the middle of a sync serves index files that do not
# match its Release file, and apt fails the update; the i386 indexes, fetched
# only here, have been seen that way. Such a state usually passes: try again
# a few times before giving up.
for attempt in 1 2 3 4; do
    if "${sudo[@]}" apt-get update -q; then
        break
    fi
    if [ "$attempt" -eq 4 ]; then
        echo "install-windows-deps: the package indexes could not be updated (see apt's message above)" >&2
        exit 1
    fi
    echo "install-windows-deps: apt-get update failed; trying again in 30 s" >&2
    sleep 30
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
