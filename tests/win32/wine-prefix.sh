#!/usr/bin/env bash
# Makes the Wine prefix the Windows tests run in, once: a 32-bit prefix (with
# --arch win64 a 64-bit one) in the build tree with Wine's own fonts where
# its font loader looks for them (the Debian package leaves them where it
# does not), "Comic Sans MS" answered by Comic Neue, and optionally another
# screen resolution.
#
#   wine-prefix.sh [--arch win32|win64] PREFIX [DPI]
#
# Safe to run from parallel tests: they wait for whichever makes it first.
set -euo pipefail
# shellcheck source=wine-env.sh
. "$(dirname "$0")/wine-env.sh"

arch=win32
if [ "${1-}" = --arch ]; then
    arch=$2
    shift 2
fi
prefix=${1:?usage: $0 [--arch win32|win64] PREFIX [DPI]}
dpi=${2:-}
mkdir -p "$(dirname "$prefix")"
exec 9>"$prefix.lock"
flock 9
[ -f "$prefix/.abacoria-ready" ] && exit 0

wine_use "$arch" "$prefix"
rm -rf "$prefix"
"$wine" wineboot --init >/dev/null 2>&1
wineserver -w
fonts=$prefix/drive_c/windows/Fonts
mkdir -p "$fonts"
if ! compgen -G '/usr/share/wine/fonts/*' >/dev/null; then
    echo "wine-prefix: /usr/share/wine/fonts is empty: install fonts-wine (scripts/install-windows-deps.sh)" >&2
    exit 1
fi
cp /usr/share/wine/fonts/* "$fonts/"
"$wine" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'Comic Sans MS' /t REG_SZ /d 'Comic Neue' /f >/dev/null 2>&1
if [ -n "$dpi" ]; then
    "$wine" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
fi
wineserver -w
touch "$prefix/.abacoria-ready"
