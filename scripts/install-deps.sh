#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Abacoria
# need. Installs only what is missing, so repeated runs cost nothing.
set -euo pipefail

packages=(
    build-essential cmake file
    qt6-base-dev qt6-base-dev-tools libgl-dev
    fonts-liberation2 fonts-comic-neue
    xvfb xauth openbox xdotool x11-utils wmctrl xclip x11-apps
    librsvg2-bin desktop-file-utils appstream libqt6svg6 hicolor-icon-theme
    # Wayland test, accessibility test (AT-SPI bus and a client), screenshot tour
    weston qt6-wayland dbus-daemon at-spi2-core python3 python3-gi gir1.2-atspi-2.0 imagemagick
    # The fuzz target: clang and its runtimes (libFuzzer, ASan, UBSan)
    clang libclang-rt-14-dev
)

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
