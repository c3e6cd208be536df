#!/bin/bash
# SPDX-License-Identifier: MIT
# Every command and option that PROGRAM --help lists is in its man page.
#   CheckManPage.sh PROGRAM MANPAGE
# A command is the word after the program's name on a usage line; the man
# page's synopsis names it as ".B program command". An option (-x, --long)
# must stand in the page as a whole word.
set -u
program=$1 page=$2
name=$(basename "$program")

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

help=$(env -u DISPLAY -u WAYLAND_DISPLAY "$program" --help) || fail "$name --help"
# The page's text with roff's escaped hyphens and font changes made plain.
text=$(sed -e 's/\\-/-/g' -e 's/\\f[BIRP]//g' "$page") || fail "no man page $page"

commands=$(grep -oE "^ *(usage: )?$name [a-z]+" <<<"$help" | awk '{ print $NF }' | sort -u)
options=$(grep -oE '(^|[][ ,|])--?[a-z][a-z-]*' <<<"$help" | sed 's/^[][ ,|]*//' | sort -u)
[ -n "$options" ] || fail "$name --help lists no options"

missing=""
for c in $commands; do
    grep -qE "^\.B $name $c( |$)" <<<"$text" || missing="$missing $c"
done
for o in $options; do
    grep -qE -- "(^|[^-a-z])$o([^-a-z]|$)" <<<"$text" || missing="$missing $o"
done
# Each command's own --help succeeds and names only what the page holds.
for c in $commands; do
    own=$(env -u DISPLAY -u WAYLAND_DISPLAY "$program" "$c" --help) || fail "$name $c --help"
    for o in $(grep -oE '(^|[][ ,|(])--?[a-z][a-z-]*' <<<"$own" | sed 's/^[][ ,|(]*//' | sort -u); do
        grep -qE -- "(^|[^-a-z])$o([^-a-z]|$)" <<<"$text" || missing="$missing $c:$o"
    done
done
[ -z "$missing" ] || fail "$(basename "$page") lacks:$missing"
echo "$(basename "$page"):" $commands $options
