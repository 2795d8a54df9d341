# shellcheck shell=bash
# Checks shared by the install and package tests: the files a desktop reads,
# under one root (an install prefix, or usr/ of an unpacked package).
# Sourced; defines check_tree ROOT VERSION and fail MESSAGE.

app_id=org.example.Abacoria
# AppStream's component id, the app id in lower case.
component_id=org.example.abacoria

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# The value of KEY in a desktop entry's main group.
desktop_key() {
    sed -n '/^\[Desktop Entry\]/,/^\[/{s/^'"$2"'=//p}' "$1"
}

# Width and height of a PNG, from its header.
png_size() {
    od -An -tu1 -j16 -N8 "$1" | awk '{ print $1*16777216 + $2*65536 + $3*256 + $4 "x" $5*16777216 + $6*65536 + $7*256 + $8 }'
}

check_tree() {
    local root=$1 want=$2
    local desktop=$root/share/applications/$app_id.desktop
    local metainfo=$root/share/metainfo/$component_id.metainfo.xml
    local svg=$root/share/icons/hicolor/scalable/apps/$app_id.svg
    local png=$root/share/icons/hicolor/48x48/apps/$app_id.png

    # Exactly these files, nothing the build made for itself.
    local expected actual
    expected=$(printf '%s\n' games/abacoria \
        share/applications/$app_id.desktop \
        share/doc/abacoria/changelog.gz \
        share/doc/abacoria/copyright \
        share/icons/hicolor/48x48/apps/$app_id.png \
        share/icons/hicolor/scalable/apps/$app_id.svg \
        share/man/man6/abacoria.6.gz \
        share/metainfo/$component_id.metainfo.xml | sort)
    actual=$(cd "$root" && find . -type f -o -type l | sed 's|^\./||' | sort)
    [ "$actual" = "$expected" ] || fail "installed files differ:"$'\n'"$(diff <(echo "$expected") <(echo "$actual"))"

    [ -x "$root/games/abacoria" ] || fail "games/abacoria is not executable"
    local version
    version=$(QT_QPA_PLATFORM=offscreen "$root/games/abacoria" --version 2>/dev/null) || fail "abacoria --version failed"
    [ "$version" = "Abacoria $want" ] || fail "abacoria --version says '$version'"

    # The desktop entry: valid, starting what was installed, with the icon
    # that was installed, and naming the window class Qt gives the window
    # (the application name) so X11 panels tie the window to it.
    local said
    said=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate rejects $desktop: $said"
    [ -z "$said" ] || fail "desktop-file-validate: $said"
    [ "$(desktop_key "$desktop" Exec)" = abacoria ] || fail "Exec is not abacoria"
    [ "$(desktop_key "$desktop" Icon)" = "$app_id" ] || fail "Icon is not $app_id"
    [ "$(desktop_key "$desktop" StartupWMClass)" = Abacoria ] || fail "StartupWMClass is not Abacoria"
    [ "$(desktop_key "$desktop" Type)" = Application ] || fail "Type is not Application"

    # The metainfo: valid on its own and together with the tree around it.
    said=$(appstreamcli validate --pedantic --no-net "$metainfo") || fail "appstreamcli rejects $metainfo: $said"
    ! grep -q '^[EWIP]: ' <<<"$said" || fail "appstreamcli, pedantic: $said"
    (cd "$root/.." && appstreamcli validate-tree --no-net "$root") || fail "appstreamcli rejects the tree $root"
    grep -q '<component type="desktop-application">' "$metainfo" || fail "not a desktop-application component"
    grep -q "<id>$component_id</id>" "$metainfo" || fail "metainfo id is not $component_id"
    grep -q "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$metainfo" \
        || fail "metainfo does not launch $app_id.desktop"
    grep -q "<release version=\"$want\"" "$metainfo" || fail "no release $want in the metainfo"
    grep -q '<metadata_license>CC0-1.0</metadata_license>' "$metainfo" || fail "metadata licence"
    grep -q '<project_license>MIT</project_license>' "$metainfo" || fail "project licence"
    grep -q '<content_rating type="oars-1.1">' "$metainfo" || fail "no content rating"
    local shot
    for shot in start number progress question flood farewell; do
        grep -q "<image type=\"source\">https://abacoria.example.org/screenshots/$shot.png</image>" "$metainfo" \
            || fail "no screenshot $shot.png in the metainfo"
    done

    # The icons: a drawing that renders, and a real 48x48 bitmap.
    rsvg-convert --width 16 --height 16 "$svg" >/dev/null || fail "the SVG icon does not render"
    [ "$(head -c 8 "$png" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] || fail "$png is not a PNG"
    [ "$(png_size "$png")" = 48x48 ] || fail "$png is $(png_size "$png"), not 48x48"
}
