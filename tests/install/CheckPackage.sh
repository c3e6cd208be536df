#!/bin/bash
# SPDX-License-Identifier: MIT
# Builds the Debian packages as make package does (presets dist) and checks them.
#   CheckPackage.sh build    SOURCE VERSION  configures, builds, runs cpack
#   CheckPackage.sh contents SOURCE VERSION  each package's files and Depends
#   CheckPackage.sh lintian  SOURCE VERSION  lintian reports no error or warning
#       (exit 77, skipped, when lintian is not installed)
set -u
step=$1 source=$2 version=$3
dist=$source/build/dist
arch=$(dpkg --print-architecture)
spellindex=$dist/spellindex_${version}_$arch.deb
spells=$dist/spells_${version}_$arch.deb

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

build() {
    cd "$source" || fail "cd $source"
    rm -f "$spellindex" "$spells"
    cmake --preset dist >/dev/null || fail "cmake --preset dist"
    cmake --build --preset dist || fail "cmake --build --preset dist"
    cpack --preset dist >/dev/null || fail "cpack --preset dist"
    [ -f "$spellindex" ] && [ -f "$spells" ] || fail "no packages: $(ls "$dist"/*.deb)"
}

# The package's files, without directories.
files() {
    dpkg-deb -c "$1" | awk '$1 !~ /^d/ { print $6 }' | sed 's|^\./||' | sort
}

contents() {
    local expected depends
    expected=$(sort <<END
usr/bin/spellindex
usr/share/doc/spellindex/changelog.gz
usr/share/doc/spellindex/copyright
usr/share/man/man1/spellindex.1.gz
END
)
    [ "$(files "$spellindex")" = "$expected" ] ||
        fail "spellindex holds:$(diff <(echo "$expected") <(files "$spellindex"))"
    depends=$(dpkg-deb -f "$spellindex" Depends)
    echo "spellindex Depends: $depends"
    grep -qi 'qt\|libgl\|mesa' <<<"$depends" && fail "spellindex depends on Qt: $depends"
    grep -q '^libc6 ' <<<"$depends" || fail "spellindex Depends lacks libc6: $depends"

    depends=$(dpkg-deb -f "$spells" Depends)
    echo "spells Depends: $depends"
    grep -q "^spellindex (= $version), qt6-qpa-plugins, .*libqt6widgets6" <<<"$depends" ||
        fail "spells Depends: $depends"
    files "$spells" | grep -q '^usr/bin/spellindex$' && fail "spells holds spellindex too"
    for f in usr/bin/spellbrowser usr/share/doc/spells/copyright usr/share/doc/spells/changelog.gz \
        usr/share/man/man1/spellbrowser.1.gz usr/share/lintian/overrides/spells \
        usr/share/spells/samples/wizard.txt; do
        files "$spells" | grep -qx "$f" || fail "spells lacks $f"
    done
    for deb in "$spellindex" "$spells"; do
        [ "$(dpkg-deb -f "$deb" Section)" = utils ] || fail "$deb: section $(dpkg-deb -f "$deb" Section)"
    done
}

run_lintian() {
    command -v lintian >/dev/null || { echo "lintian is not installed"; exit 77; }
    local out
    # Root is warned about on stderr; the tags come on stdout.
    out=$(lintian --fail-on none "$spellindex" "$spells" 2>/dev/null) || fail "lintian did not run"
    [ -z "$out" ] || fail "lintian:"$'\n'"$out"
    echo "lintian: no errors or warnings"
}

case $step in
build) build ;;
contents) contents ;;
lintian) run_lintian ;;
*) fail "unknown step $step" ;;
esac
