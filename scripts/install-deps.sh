#!/usr/bin/env bash
# Installs the Debian packages Abacoria needs: everything building, running,
# testing, benchmarking and packaging it takes, or with --run (`make run`)
# only what building and running it take, with --dist (`make dist`) what
# building the downloads takes, or with --web (`make web`) what building the
# browser build and testing it take. Installs only what is missing, so
# repeated runs cost nothing.
# Usage: install-deps.sh [--run | --dist | --web]
set -euo pipefail

# Building: compiler, CMake, Qt's headers and tools, the OpenGL headers Qt's
# CMake package asks for, GoogleTest's sources (the default build compiles
# the toolkit-free tests too), rsvg-convert, which renders the 48x48 icon
# the build installs, and scdoc, which makes the manual page. Running: the
# X11 platform plugin comes with Qt's GUI library, the SVG icon engine draws
# the window icon, and the fonts are the ones the layout maps its classic
# faces to.
packages=(
    build-essential cmake googletest
    qt6-base-dev qt6-base-dev-tools libgl-dev
    librsvg2-bin scdoc
    libqt6svg6 fonts-liberation2 fonts-comic-neue
)
# Everything else: the end-to-end test, benchmarks and window checks (a
# private X server, window manager and X tools), the install and package
# checks (and `file`, which the package's library scan uses, and man, which
# renders the manual page), the icon theme the installed icon is looked up
# in, the Wayland test, the accessibility test (AT-SPI bus and a client), the
# screenshot tour, and the fuzz target (clang and its runtimes: libFuzzer,
# ASan, UBSan).
test_packages=(
    xvfb xauth openbox xdotool x11-utils wmctrl xclip x11-apps
    file man-db desktop-file-utils appstream hicolor-icon-theme
    weston qt6-wayland dbus-daemon at-spi2-core python3 python3-gi gir1.2-atspi-2.0 imagemagick
    clang libclang-rt-14-dev
)
# The downloads (scripts/dist.sh): the Windows program (mingw-w64 and the
# icon's converter), the browser build (Emscripten), zip, the library scan
# behind the package's dependencies, diffoscope, which tells what differs
# when two builds do not come out the same, and lintian, which judges the
# package as Debian does.
dist_packages=(
    g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-i686-dev
    imagemagick emscripten zip unzip file dpkg-dev git diffoscope-minimal lintian
)

# The browser build (`make web`): Emscripten alone builds it (and brings
# Node); its tests, benchmark and tour picture run it in Chromium, Firefox
# and WebKit (WebKitGTK's MiniBrowser and its WebDriver, in Xvfb), driven
# from npm's packages, which npm installs; the fonts are the look-alikes the
# page's font lists end in.
web_packages=(
    cmake make emscripten chromium firefox-esr webkit2gtk-driver xvfb fonts-liberation2 fonts-comic-neue
)

case "${1-}" in
    "") packages+=("${test_packages[@]}" "${dist_packages[@]}" "${web_packages[@]}") ;;
    --run) ;;
    --dist) packages+=("${dist_packages[@]}") ;;
    --web) packages=("${web_packages[@]}") ;;
    *)
        echo "usage: $0 [--run | --dist | --web]" >&2
        exit 2
        ;;
esac

# npm comes with some builds of Node and not with Debian's.
case " ${packages[*]} " in
    *" emscripten "*) command -v npm >/dev/null || packages+=(npm) ;;
esac

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
if [ "$(id -u)" -ne 0 ]; then
    sudo=(sudo)
fi
echo "Installing: ${missing[*]}"
"${sudo[@]}" apt-get update -q
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
