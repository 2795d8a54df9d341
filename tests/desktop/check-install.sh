#!/usr/bin/env bash
# `cmake --install` into a throwaway prefix puts the program, its desktop
# entry, metainfo and icons where a desktop looks for them, all valid.
# Usage: check-install.sh BUILD_DIR VERSION
# shellcheck source=begin.sh
. "$(dirname "$0")/begin.sh"
build=$1 version=$2

cmake --install "$build" --prefix "$tmp/prefix" >/dev/null
check_tree "$tmp/prefix" "$version"
echo "install tree OK"
