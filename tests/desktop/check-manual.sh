#!/usr/bin/env bash
# The installed manual page renders without a warning, and says what the
# installed program does: the options --help lists, each described first in
# --help's words, its description, its version, the line it writes where no
# display can be opened, and every file the install puts down.
# Usage: check-manual.sh BUILD_DIR
# shellcheck source=begin.sh
. "$(dirname "$0")/begin.sh"
build=$1

cmake --install "$build" --prefix "$tmp/prefix" >/dev/null
page=$tmp/prefix/share/man/man6/abacoria.6.gz bin=$tmp/prefix/games/abacoria
[ -f "$page" ] || fail "no manual page in section 6"

MANWIDTH=80 man --warnings -l "$page" >/dev/null 2>"$tmp/warnings" || fail "man cannot render $page"
[ ! -s "$tmp/warnings" ] || fail "man warns about the page:"$'\n'"$(cat "$tmp/warnings")"

# Wide enough that no paragraph the checks read is broken or hyphenated.
text=$(MANWIDTH=400 LC_ALL=C man -l "$page")
flat=$(tr -s ' \n' '  ' <<<"$text")
mkdir -m 0700 "$tmp/runtime"
run() { env -i PATH="$PATH" HOME="$tmp" XDG_RUNTIME_DIR="$tmp/runtime" "$@"; }

# "FORMS<tab>DESCRIPTION" for each option, from --help and from the page's
# OPTIONS section (terms at the section's indent, described on the next line).
help=$(run "$bin" --help)
from_help=$(awk -F'  +' '/^  -/ { print $2 "\t" $3 }' <<<"$help" | sort)
from_page=$(awk '/^[A-Z]/ { options = $0 == "OPTIONS" } options && term { sub(/^ +/, ""); print term "\t" $0 }
                 { term = "" } options && /^       -/ { term = substr($0, 8) }' <<<"$text" | sort)
[ "$(cut -f1 <<<"$from_help")" = "$(cut -f1 <<<"$from_page")" ] \
    || fail "--help and the page list different options:"$'\n'"$(diff <(cut -f1 <<<"$from_help") <(cut -f1 <<<"$from_page"))"
while IFS=$'\t' read -r forms said; do
    described=$(awk -F'\t' -v forms="$forms" '$1 == forms { print $2 }' <<<"$from_page")
    [[ "$described" == "${said%.}"* ]] || fail "the page describes $forms as '$described', --help as '$said'"
done <<<"$from_help"
description=$(sed -n 2p <<<"$help")
grep -qiF "${description%.}" <<<"$flat" || fail "the page does not say what --help does: $description"

version=$(run "$bin" --version)
grep -qF "\"$version\"" <<<"$flat" || fail "the page does not give the version as $version"

status=0
run "$bin" 2>"$tmp/err" || status=$?
[ "$status" -eq 1 ] && [ "$(wc -l <"$tmp/err")" -eq 1 ] || fail "without a display: status $status, $(cat "$tmp/err")"
grep -qF "$(cat "$tmp/err")" <<<"$flat" || fail "the page does not show the line: $(cat "$tmp/err")"

# The page names the Debian package's paths, /usr in place of the prefix.
for file in $(cd "$tmp/prefix" && find . -type f | sed 's|^\./||'); do
    grep -qF "/usr/$file" <<<"$flat" || fail "the page's FILES do not name /usr/$file"
done
echo "manual page OK: $(cut -f1 <<<"$from_page" | tr '\n' ' ')"
