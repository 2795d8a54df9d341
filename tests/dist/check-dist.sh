#!/usr/bin/env bash
# The downloads come out byte for byte the same when HEAD is built twice: in
# two trees at different paths, the second at least a second later, with
# another umask and, run as root, as another user. On a difference,
# diffoscope tells what differs in the first file that does. Then what they
# hold.
# Usage: check-dist.sh
set -euo pipefail
repo=$(cd "$(dirname "$0")/../.." && pwd -P)
tmp=$(mktemp -d /tmp/abacoria-dist.XXXXXX)
trap 'rm -rf "$tmp"' EXIT
chmod 755 "$tmp"

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# build NAME [COMMAND...]: scripts/dist.sh into $tmp/NAME, run by COMMAND.
build() {
    local name=$1
    shift
    local dir=$tmp/$name
    mkdir -p "$dir"
    if ! "$@" "$repo/scripts/dist.sh" "$dir/out" "$dir/work/of/$name" >"$dir.log" 2>&1; then
        tail -n 40 "$dir.log" >&2
        fail "building the downloads in $dir failed"
    fi
}

build first
sleep 1
as_other=()
nobody=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
if [ "$(id -u)" -eq 0 ] && "${nobody[@]}" test -r "$repo/.git/HEAD"; then
    mkdir -p "$tmp/second"
    chown nobody:nogroup "$tmp/second"
    # git refuses a repository of another owner unless told it is safe.
    as_other=("${nobody[@]}" env HOME="$tmp/second" GIT_CONFIG_COUNT=1 GIT_CONFIG_KEY_0=safe.directory
              GIT_CONFIG_VALUE_0="$repo")
fi
build second "${as_other[@]}" sh -c 'umask 027 && exec "$@"' sh

one=$tmp/first/out two=$tmp/second/out
[ "$(ls "$one")" = "$(ls "$two")" ] || fail "the two builds made different files: $(ls "$one") / $(ls "$two")"
# The downloads, in name order, and their checksums after them, which differ
# when they do.
downloads=()
for f in "$one"/*; do
    [ "${f##*/}" = SHA256SUMS ] || downloads+=("${f##*/}")
done
for name in "${downloads[@]}" SHA256SUMS; do
    if ! cmp -s "$one/$name" "$two/$name"; then
        diffoscope --text - --no-progress "$one/$name" "$two/$name" | head -n 300 || true
        fail "$name differs between the two builds"
    fi
done
echo "the two builds, by $(stat -c %U "$one/SHA256SUMS") and by $(stat -c %U "$two/SHA256SUMS"), are the same, byte for byte:"
(cd "$one" && for f in *; do printf '%9d  %s\n' "$(stat -c %s "$f")" "$f"; done && cat SHA256SUMS)

# What they hold.
version=$(git -C "$repo" show HEAD:CMakeLists.txt | sed -n 's/^project(Abacoria VERSION \([^ )]*\).*/\1/p')
date=$(git -C "$repo" log -1 --format=%ct HEAD) arch=$(dpkg --print-architecture)
cd "$one"
[ "$(ls)" = "$(printf '%s\n' SHA256SUMS "abacoria-$version-win32.zip" "abacoria-$version.html" \
    "abacoria-$version.tar.gz" "abacoria_${version}_$arch.deb")" ] || fail "dist/ holds: $(ls)"
[ "$(awk '{ print $2 }' SHA256SUMS)" = "$(printf '%s\n' "${downloads[@]}")" ] || fail "SHA256SUMS lists: $(cat SHA256SUMS)"
sha256sum --quiet -c SHA256SUMS || fail "SHA256SUMS does not verify"

zip_lists() { [ "$(unzip -Z1 "$1" | tr '\n' ' ')" = "$2" ] || fail "$1 holds: $(unzip -Z1 "$1" | tr '\n' ' ')"; }
zip_lists "abacoria-$version-win32.zip" "LICENSE README.txt abacoria.exe "
cmp -s <(unzip -p "abacoria-$version-win32.zip" LICENSE) <(git -C "$repo" show HEAD:LICENSE) ||
    fail "the Windows zip's LICENSE is not the project's"
exe_sum=$(unzip -p "abacoria-$version-win32.zip" abacoria.exe | sha256sum | cut -d' ' -f1)
readme=$(unzip -p "abacoria-$version-win32.zip" README.txt | tr -d '\r')
grep -q "certutil -hashfile abacoria.exe SHA256" <<<"$readme" || fail "README.txt does not say how to check the program"
grep -qx " *$exe_sum" <<<"$readme" || fail "README.txt does not give the program's checksum $exe_sum"
page=$(cat "abacoria-$version.html")
grep -q "<meta name=\"abacoria-version\" content=\"$version\">" <<<"$page" || fail "the page does not carry version $version"
grep -qF "$(git -C "$repo" show HEAD:LICENSE | tail -n 1)" <<<"$page" || fail "the page does not carry the licence"
! grep -qE '(src|href)="(https?:)?//' <<<"$page" || fail "the page names something elsewhere to load"

for file in LICENSE CHANGELOG.md data/abacoria.6.scd.in; do
    tar -tzf "abacoria-$version.tar.gz" "abacoria-$version/$file" >/dev/null || fail "the tarball has no $file"
done
script=$(tar -xzOf "abacoria-$version.tar.gz" "abacoria-$version/scripts/dist.sh")
grep -qx "archived_date='$date'" <<<"$script" || fail "the tarball's scripts/dist.sh does not carry the commit's time, $date"

dpkg-deb -x "abacoria_${version}_$arch.deb" "$tmp/deb"
said=$("$tmp/deb/usr/games/abacoria" --version 2>&1) || fail "the packaged abacoria --version failed: $said"
[ "$said" = "Abacoria $version" ] || fail "the packaged abacoria --version says '$said'"
grep -q "^License: MIT" "$tmp/deb/usr/share/doc/abacoria/copyright" || fail "the package carries no MIT licence"
[[ "$(zcat "$tmp/deb/usr/share/doc/abacoria/changelog.gz")" == "abacoria ($version) "* ]] ||
    fail "the package's changelog does not begin with $version"
# What a Debian packager asks of it: not one error or warning from lintian.
lintian --fail-on error,warning "abacoria_${version}_$arch.deb" >"$tmp/lintian.log" 2>&1 ||
    fail "lintian:"$'\n'"$(cat "$tmp/lintian.log")"
echo "lintian: no error, no warning"
echo "dist OK"
