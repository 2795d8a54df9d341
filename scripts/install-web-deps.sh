#!/usr/bin/env bash
# Installs what the browser build and its tests need: Debian's Emscripten
# (it works offline, with its own prebuilt library cache), and Chromium with
# its driver and Selenium for the tests and the benchmark. Installs only what
# is missing.
set -euo pipefail

packages=(emscripten chromium chromium-driver python3-selenium fonts-liberation2 fonts-comic-neue)

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
