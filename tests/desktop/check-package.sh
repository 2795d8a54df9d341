#!/usr/bin/env bash
# The Debian package: built with CPack, named and versioned as the program,
# depending on everything the program loads, and unpacking to the places the
# desktop expects.
# Usage: check-package.sh BUILD_DIR VERSION
# shellcheck source=begin.sh
. "$(dirname "$0")/begin.sh"
build=$1 version=$2

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$tmp/out" >"$tmp/cpack.log" 2>&1 \
    || { cat "$tmp/cpack.log" >&2; fail "cpack failed"; }
deb=$tmp/out/abacoria_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || fail "no $(basename "$deb") among: $(ls "$tmp/out")"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = abacoria ] || fail "Package is $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version is $(field Version)"
[[ "$(field Maintainer)" =~ ^[^\<]+\ \<[^@\>]+@example\.org\>$ ]] || fail "Maintainer is $(field Maintainer)"
[[ "$(field Section)" =~ ^(games|utils)$ ]] || fail "Section is $(field Section)"
depends=$(field Depends)
echo "Depends: $depends"
# Package names alone, one a line.
depends_names=$(echo "$depends" | tr ',|' '\n\n' | sed 's/(.*//; s/^ *//; s/ *$//' | sort -u)
need=(libqt6widgets6 libqt6gui6 libqt6core6 qt6-qpa-plugins libqt6svg6 fonts-liberation2 fonts-comic-neue)
for p in "${need[@]}"; do
    grep -qx "$p" <<<"$depends_names" || fail "Depends lacks $p"
done

# Every file owned by root, as dpkg will install it.
if dpkg-deb -c "$deb" | awk '$2 != "root/root"' | grep -q .; then
    fail "files not owned by root: $(dpkg-deb -c "$deb" | awk '$2 != "root/root"')"
fi

dpkg-deb -x "$deb" "$tmp/root"
outside=$(find "$tmp/root" -mindepth 1 -maxdepth 1 ! -name usr -printf '%f ')
[ -z "$outside" ] || fail "the package installs outside /usr: $outside"
check_tree "$tmp/root/usr" "$version"

# The package that owns a file; merged /usr means dpkg may know it under
# either of its two names.
owner_of() {
    local path=$1 alt
    case $path in /usr/*) alt=${path#/usr} ;; *) alt=/usr$path ;; esac
    { dpkg -S "$path" 2>/dev/null || dpkg -S "$alt" 2>/dev/null; } | head -1 | cut -d: -f1
}

# Each library the binary links comes from a package it depends on.
resolved=$(ldd "$tmp/root/usr/games/abacoria")
needed=$(objdump -p "$tmp/root/usr/games/abacoria" | awk '$1 == "NEEDED" { print $2 }')
[ -n "$needed" ] || fail "objdump finds no libraries the packaged binary links"
for soname in $needed; do
    path=$(awk -v so="$soname" '$1 == so && $2 == "=>" { print $3 }' <<<"$resolved")
    [ -n "$path" ] && [ "$path" != not ] || fail "$soname is not found on this system"
    owner=$(owner_of "$path")
    [ -n "$owner" ] || fail "no installed package provides $path"
    grep -qx "$owner" <<<"$depends_names" || fail "$soname comes from $owner, which the package does not depend on"
done
# And so do the plugins it loads: the X11 platform and the SVG icon engine.
plugins=$(qtpaths6 --plugin-dir)
for plugin in platforms/libqxcb.so iconengines/libqsvgicon.so; do
    owner=$(owner_of "$plugins/$plugin")
    [ -n "$owner" ] || fail "no installed package provides the plugin $plugins/$plugin"
    grep -qx "$owner" <<<"$depends_names" || fail "$plugin comes from $owner, which the package does not depend on"
done
# The native Wayland platform is recommended (XWayland serves without it).
field Recommends | tr ',' '\n' | sed 's/(.*//; s/^ *//; s/ *$//' | grep -qx qt6-wayland \
    || fail "Recommends lacks qt6-wayland: $(field Recommends)"
echo "package OK"
