# The start every desktop check shares: strict mode, the desktop checks
# (desktop-tree.sh), the session plumbing (../lib/session.sh), and a private
# directory $tmp that goes when the script ends.
# Sourced first thing by tests/desktop/check-*.sh.
# shellcheck shell=bash
set -euo pipefail
desktop_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=desktop-tree.sh
. "$desktop_dir/desktop-tree.sh"
# shellcheck source=../lib/session.sh
. "$desktop_dir/../lib/session.sh"
session_begin
# shellcheck disable=SC2034 # for the scripts that source this one
tmp=$session_dir
