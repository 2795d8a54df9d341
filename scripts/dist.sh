#!/usr/bin/env bash
# Builds the downloads into OUT_DIR (dist/ by default):
#   abacoria-VERSION.tar.gz      the source: git archive of the commit
#   abacoria_VERSION_ARCH.deb    the Linux program, for apt install
#   abacoria-VERSION-win32.zip   abacoria.exe, README.txt, LICENSE
#   abacoria-VERSION.html        the browser page: one file, LICENSE inside
#   SHA256SUMS                   the checksums of the others
# The same commit gives the same bytes, whoever builds it, wherever and
# whenever: every time is the commit's (SOURCE_DATE_EPOCH), the compilers
# leave the trees' paths out, and archives hold their members in name order
# with fixed owners, modes and times.
#
# In a git checkout it builds the committed HEAD, by way of its tarball, so
# what is not committed is not in it. In an unpacked tarball it builds that
# tree, and makes everything but the tarball.
# Usage: dist.sh [OUT_DIR [WORK_DIR]]    (WORK_DIR: build-dist/ by default)
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd -P)
out=$(realpath -m "${1:-$here/dist}")
work=$(realpath -m "${2:-$here/build-dist}")
jobs=${JOBS:-$(nproc)}

# Nothing of the caller's that could reach the bytes: the modes of the
# files made, the time zone of zip's local times, the sort order.
umask 022
export TZ=UTC LC_ALL=C.UTF-8

# The version is project()'s in CMakeLists.txt.
version_in() { sed -n 's/^project(Abacoria VERSION \([^ )]*\).*/\1/p'; }

# git archive writes the commit's time here in the tarball's copy of this
# script; a tarball has no history to ask.
archived_date='$Format:%ct$'

rm -rf "$work/src" "$work/linux" "$work/win32" "$work/web" "$work/zip"
mkdir -p "$out" "$work"
made=()

if [ "$(git -C "$here" rev-parse --show-toplevel 2>/dev/null)" = "$here" ]; then
    git -C "$here" diff --quiet HEAD 2>/dev/null ||
        echo "dist: building the committed HEAD; uncommitted changes are left out" >&2
    version=$(git -C "$here" show HEAD:CMakeLists.txt | version_in)
    SOURCE_DATE_EPOCH=$(git -C "$here" log -1 --format=%ct HEAD)
    # The settings that would change what git archive writes are pinned:
    # the members' modes and their line endings.
    made+=("abacoria-$version.tar.gz")
    rm -f "$out/${made[0]}"
    git -C "$here" -c tar.umask=022 -c core.autocrlf=false -c core.eol=lf \
        archive --format=tar --prefix="abacoria-$version/" HEAD | gzip -n -9 >"$out/${made[0]}"
    mkdir -p "$work/src"
    tar -xzf "$out/${made[0]}" -C "$work/src" --no-same-owner
    src=$work/src/abacoria-$version
else
    src=$here
    version=$(version_in <"$src/CMakeLists.txt")
    SOURCE_DATE_EPOCH=$archived_date
    case $SOURCE_DATE_EPOCH in
        *[!0-9]* | "")
            echo "dist: $here is neither a git checkout nor an unpacked tarball" >&2
            exit 1
            ;;
    esac
fi
export SOURCE_DATE_EPOCH
arch=$(dpkg --print-architecture)
deb=abacoria_${version}_$arch.deb win32_zip=abacoria-$version-win32.zip page=abacoria-$version.html
rm -f "$out/SHA256SUMS" "$out/$deb" "$out/$win32_zip" "$out/$page"

# The programs alone, without tests or benchmarks.
flags=(-DCMAKE_BUILD_TYPE=Release -DABACORIA_WERROR=ON -DABACORIA_TESTS=OFF -DABACORIA_BENCH=OFF
       -DABACORIA_REPRODUCIBLE=ON)

# zip_of ZIP FILE...: the files side by side in ZIP, in name order, each
# 0644 with the commit's time, and no extra fields (owners, other times).
zip_of() {
    local zip=$1 dir
    shift
    dir=$work/zip/$(basename "$zip" .zip)
    mkdir -p "$dir"
    cp "$@" "$dir/"
    chmod 0644 "$dir"/*
    touch -d "@$SOURCE_DATE_EPOCH" "$dir"/*
    (cd "$dir" && ls | zip -q -X -9 "$zip" -@)
}

# Linux: CPack takes the package members' times from SOURCE_DATE_EPOCH.
cmake -S "$src" -B "$work/linux" "${flags[@]}"
cmake --build "$work/linux" -j "$jobs"
cpack --config "$work/linux/CPackConfig.cmake" -G DEB -B "$work/linux/package"
cp "$work/linux/package/$deb" "$out/$deb"
made+=("$deb")

# Windows: mingw-w64 alone, no Wine.
cmake -S "$src" -B "$work/win32" -DCMAKE_TOOLCHAIN_FILE="$src/cmake/toolchain-mingw32.cmake" "${flags[@]}"
cmake --build "$work/win32" -j "$jobs"
zip_of "$out/$win32_zip" "$work/win32/abacoria.exe" "$work/win32/README.txt" "$src/LICENSE"
made+=("$win32_zip")

# The browser: the page, one file that holds everything it needs.
emcmake cmake -S "$src" -B "$work/web" "${flags[@]}"
cmake --build "$work/web" -j "$jobs"
install -m 0644 "$work/web/abacoria.html" "$out/$page"
touch -d "@$SOURCE_DATE_EPOCH" "$out/$page"
made+=("$page")

(cd "$out" && printf '%s\n' "${made[@]}" | sort | xargs sha256sum -- >SHA256SUMS)
echo "dist: in $out:"
(cd "$out" && ls -l "${made[@]}" SHA256SUMS && cat SHA256SUMS)
