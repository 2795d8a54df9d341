#!/usr/bin/env bash
# `cmake --install` into a throwaway prefix puts the program, its desktop
# entry, metainfo and icons where a desktop looks for them, all valid.
# Usage: check-install.sh BUILD_DIR VERSION
set -euo pipefail
build=$1 version=$2
here=$(cd "$(dirname "$0")" && pwd)
. "$here/desktop-tree.sh"
. "$here/../lib/session.sh"

session_begin tmp
cmake --install "$build" --prefix "$tmp/prefix" >/dev/null
check_tree "$tmp/prefix" "$version"
echo "install tree OK"
