#!/usr/bin/env bash
# Installs what building Abacoria for Windows and testing it under Wine need
# on Debian 12: mingw-w64 (the -posix compilers), Wine and its fonts, pefile
# for checking the executable, and Xvfb and openbox for the tests that show
# windows. Installs only what is missing, so repeated runs cost nothing.
#
#   install-windows-deps.sh [i686 | x86_64]
#
# The argument is the build the tests run on: by default the one this
# machine can run (scripts/windows-arch.sh, which WINDOWS_TEST_ARCH
# overrides). i686: the PE32 under Wine's 32-bit half (wine32, an i386
# package). x86_64, for machines whose kernel refuses 32-bit programs:
# 64-bit Wine (wine64) and the x86-64 compilers, and nothing of i386. The
# i686 compilers come either way: they build the product.
#
# Wine's 32-bit half (wine32) brings i386 twins of this system's libraries,
# which must be the very versions installed here. When the archive cannot
# give them (its i386 security index has been seen out of step with its
# Release file, so apt has no i386 security updates while this system has
# the amd64 ones), Wine goes into a test bed instead: a Debian 12 tree in
# /opt/abacoria/wine-bed from the main archive alone, in step with itself,
# whose /usr and /etc stand in for this system's while Wine runs (bwrap),
# with every other path shared. /usr/local/bin/wine and wineserver start it.
# It holds no security updates, and runs only the programs given to Wine.
# Its Wine is i386 too, so it is made only where 32-bit programs run.
# Remove it with: rm -rf /opt/abacoria/wine-bed /usr/local/bin/wine /usr/local/bin/wineserver
set -euo pipefail

arch=${1:-$("$(dirname "$0")/windows-arch.sh" --quiet)}
packages=(
    cmake make
    g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-i686-dev
    # Wine's fonts, which the tests' prefix copies in
    fonts-wine
    # Test framework sources, built for Windows; the PE check
    googletest python3 python3-pefile
    # The icon, drawn from the SVG at build time
    librsvg2-bin imagemagick
    # Stand-ins for the window's fonts under Wine
    fonts-liberation2 fonts-comic-neue
    # A private display with a window manager for the tests
    xvfb xauth openbox x11-utils
)
case $arch in
i686) wine_packages=(wine wine32:i386) ;;
x86_64)
    # The x86-64 build and its Wine; the wine package brings wineserver and
    # the tools, wine64 the 64-bit loader the tests call by name.
    packages+=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
        mingw-w64-x86-64-dev wine wine64)
    wine_packages=()
    ;;
*) echo "usage: $0 [i686 | x86_64]" >&2; exit 2 ;;
esac
bed=/opt/abacoria/wine-bed
mirror=${ABACORIA_DEBIAN_MIRROR:-http://deb.debian.org/debian}

sudo=()
if [ "$(id -u)" -ne 0 ]; then
    sudo=(sudo)
fi

installed() {
    dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'
}

missing=()
for p in "${packages[@]}"; do
    installed "$p" || missing+=("$p")
done
wine_here=1
for p in "${wine_packages[@]}"; do
    installed "$p" || wine_here=0
done
wine_in_bed=0
[ -f "$bed/.ready" ] && [ -x /usr/local/bin/wine ] && wine_in_bed=1
need_wine=0
[ "$wine_here" = 0 ] && [ "$wine_in_bed" = 0 ] && need_wine=1
[ ${#missing[@]} -eq 0 ] && [ "$need_wine" = 0 ] && exit 0

# wine32 is an i386 package.
added_arch=0
if [ "$need_wine" = 1 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    echo "Adding the i386 architecture for wine32"
    "${sudo[@]}" dpkg --add-architecture i386
    added_arch=1
fi

# A mirror caught in the middle of a sync serves index files that do not
# match its Release file, and apt fails the update; such a state usually
# passes, so try again. The indexes that did update are still used: what
# cannot be installed from them fails below, with apt's reason.
for attempt in 1 2 3; do
    if "${sudo[@]}" apt-get update -q; then
        break
    fi
    if [ "$attempt" -eq 3 ]; then
        echo "install-windows-deps: some package indexes could not be updated (see apt's message above); going on with the others" >&2
        break
    fi
    echo "install-windows-deps: apt-get update failed; trying again in 20 s" >&2
    sleep 20
done

apt_install() {
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "$@"
}
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    apt_install "${missing[@]}"
fi
[ "$need_wine" = 1 ] || exit 0

if trial=$("${sudo[@]}" apt-get install -s -q --no-install-recommends "${wine_packages[@]}" 2>&1); then
    echo "Installing: ${wine_packages[*]}"
    apt_install "${wine_packages[@]}"
    exit 0
fi

echo "install-windows-deps: ${wine_packages[*]} cannot be installed on this system; apt says:" >&2
grep -E '^ |^E:' <<<"$trial" | head -n 12 >&2 || true
echo "install-windows-deps: making a test bed for Wine in $bed instead" >&2
# The architecture served only wine32; left in, every later update would
# fail on the same index.
if [ "$added_arch" = 1 ]; then
    "${sudo[@]}" dpkg --remove-architecture i386
fi
installed debootstrap && installed bubblewrap || apt_install debootstrap bubblewrap

# Runs a command in a tree with /proc and /dev; the mounts live in a mount
# namespace of the command's own, so none outlives it (and removing a tree
# never reaches into the host's /dev).
in_tree() {
    "${sudo[@]}" unshare -m --propagation private sh -ec \
        'root=$1; shift; mount -t proc proc "$root/proc"; mount --rbind /dev "$root/dev"; exec chroot "$root" "$@"' \
        sh "$@"
}

partial=$bed.partial
"${sudo[@]}" rm -rf "$partial"
"${sudo[@]}" mkdir -p "$(dirname "$bed")"
"${sudo[@]}" debootstrap --variant=minbase --arch=amd64 bookworm "$partial" "$mirror"
printf 'deb %s bookworm main\ndeb %s bookworm-updates main\n' "$mirror" "$mirror" |
    "${sudo[@]}" tee "$partial/etc/apt/sources.list" >/dev/null
in_tree "$partial" dpkg --add-architecture i386
in_tree "$partial" apt-get update -q
in_tree "$partial" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
    "${wine_packages[@]}" fonts-wine fonts-liberation2 fonts-comic-neue
in_tree "$partial" apt-get clean
"${sudo[@]}" rm -rf "$bed"
"${sudo[@]}" mv "$partial" "$bed"

# One starter for both commands, named by how it is called. Wine installed
# here later takes over.
"${sudo[@]}" tee /usr/local/bin/wine >/dev/null <<EOF
#!/bin/sh
# Runs Wine from Abacoria's test bed in $bed (made by its
# scripts/install-windows-deps.sh where Wine's 32-bit half could not be
# installed): the bed's /usr and /etc, with this system's users, stand in for
# this system's; every other path, /tmp and its X sockets among them, is shared.
name=\$(basename "\$0")
[ -x /usr/lib/wine/wine ] && exec /usr/bin/"\$name" "\$@"
exec bwrap --dev-bind / / --ro-bind $bed/usr /usr --ro-bind $bed/etc /etc \\
    --ro-bind /etc/passwd /etc/passwd --ro-bind /etc/group /etc/group \\
    -- /usr/bin/"\$name" "\$@"
EOF
"${sudo[@]}" chmod 755 /usr/local/bin/wine
"${sudo[@]}" ln -sf wine /usr/local/bin/wineserver
"${sudo[@]}" touch "$bed/.ready"
echo "install-windows-deps: Wine runs from the test bed: $(/usr/local/bin/wine --version)"
