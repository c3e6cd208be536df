#!/bin/bash
# SPDX-License-Identifier: MIT
# Checks an installation of the build into a scratch DESTDIR with prefix /usr.
#   CheckInstall.sh tree        SOURCE BUILD ROOT APP_ID  installs, checks the tree
#   CheckInstall.sh validate    SOURCE BUILD ROOT APP_ID  desktop file and metainfo
#   CheckInstall.sh first-start SOURCE BUILD ROOT APP_ID  the installed browser's
#       first start with an empty home folder sets up its data folder
#   CheckInstall.sh first-start-without-samples ...  a browser without sample
#       lists beside it creates nothing on its first start
set -u
step=$1 source=$2 build=$3 root=$4 id=$5
usr=$root/usr

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Width and height of a PNG file, from its header.
png_size() {
    od -An -tu1 -j16 -N8 "$1" | awk '{ printf "%dx%d\n", $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8 }'
}

tree() {
    rm -rf "$root"
    DESTDIR=$root cmake --install "$build" --prefix /usr >/dev/null || fail "cmake --install"
    local expected actual
    expected=$(sort <<END
usr/bin/spellbrowser
usr/bin/spellindex
usr/share/applications/$id.desktop
usr/share/doc/spellindex/changelog.gz
usr/share/doc/spellindex/copyright
usr/share/doc/spells/changelog.gz
usr/share/doc/spells/copyright
usr/share/icons/hicolor/128x128/apps/$id.png
usr/share/icons/hicolor/16x16/apps/$id.png
usr/share/icons/hicolor/256x256/apps/$id.png
usr/share/icons/hicolor/32x32/apps/$id.png
usr/share/icons/hicolor/48x48/apps/$id.png
usr/share/icons/hicolor/64x64/apps/$id.png
usr/share/icons/hicolor/scalable/apps/$id.svg
usr/share/man/man1/spellbrowser.1.gz
usr/share/lintian/overrides/spells
usr/share/man/man1/spellindex.1.gz
usr/share/metainfo/$id.metainfo.xml
usr/share/spells/samples/priest.txt
usr/share/spells/samples/wizard.txt
END
)
    actual=$(cd "$root" && find . ! -type d | sed 's|^\./||' | sort)
    [ "$expected" = "$actual" ] || fail "installed files differ:$(diff <(echo "$expected") <(echo "$actual"))"

    for size in 16 32 48 64 128 256; do
        local got
        got=$(png_size "$usr/share/icons/hicolor/${size}x$size/apps/$id.png")
        [ "$got" = "${size}x$size" ] || fail "icon ${size}x$size is $got"
    done
    grep -q '<svg' "$usr/share/icons/hicolor/scalable/apps/$id.svg" || fail "scalable icon is no SVG"
    # The menu shows the window's icon.
    for size in 16 32 48 64; do
        cmp -s "$usr/share/icons/hicolor/${size}x$size/apps/$id.png" "$source/res/icons/mainframe_$size.png" ||
            fail "icon ${size}x$size is not the window icon of that size"
    done
    for page in spellbrowser spellindex; do
        zcat "$usr/share/man/man1/$page.1.gz" | grep -q "^\.TH ${page^^} 1 " || fail "man page $page.1"
    done
    for sample in wizard priest; do
        cmp -s "$source/samples/$sample.txt" "$usr/share/spells/samples/$sample.txt" || fail "sample $sample.txt"
    done
    [ -x "$usr/bin/spellbrowser" ] && [ -x "$usr/bin/spellindex" ] || fail "programs not executable"
    [ "$("$usr/bin/spellindex" --version)" = "spellindex (Spells) 1.0.0.1" ] || fail "spellindex --version"
    [ "$(env -u DISPLAY QT_QPA_PLATFORM=xcb "$usr/bin/spellbrowser" --version)" = "spellbrowser (Spells) 1.0.0.1" ] ||
        fail "spellbrowser --version without a display"
    echo "installed tree: $(echo "$actual" | wc -l) files"
}

validate() {
    local desktop=$usr/share/applications/$id.desktop metainfo=$usr/share/metainfo/$id.metainfo.xml
    desktop-file-validate "$desktop" || fail "desktop-file-validate"
    appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate"
    grep -qx "Icon=$id" "$desktop" || fail "desktop file names another icon"
    grep -q "<id>$id</id>" "$metainfo" || fail "metainfo has another id"
    grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" ||
        fail "metainfo launches another desktop file"
    grep -q "<project_license>MIT</project_license>" "$metainfo" || fail "metainfo names no MIT licence"
    grep -q "^License: Expat$" "$usr/share/doc/spells/copyright" || fail "copyright file names no licence"
    echo "desktop file and metainfo valid"
}

first_start() {
    local pid data
    home=$(mktemp -d) || fail "mktemp"
    trap 'rm -rf "$home"' EXIT
    data=$home/.local/share/spells
    env -u XDG_DATA_HOME -u SPELLS_DATA_DIR HOME="$home" QT_QPA_PLATFORM=offscreen \
        "$usr/bin/spellbrowser" wizard &
    pid=$!
    # The folder appears complete (it is set up aside and renamed into
    # place); the browser then stays open until it is ended.
    for _ in $(seq 600); do
        [ -d "$data" ] && break
        kill -0 $pid 2>/dev/null || fail "spellbrowser ended before setting up $data"
        sleep 0.1
    done
    [ -d "$data" ] || fail "no data folder $data"
    kill -0 $pid 2>/dev/null || fail "spellbrowser did not stay open"
    kill -TERM $pid
    wait $pid

    [ "$(ls "$data" | tr '\n' ' ')" = "priest.idx priest.txt wizard.idx wizard.txt " ] ||
        fail "data folder holds: $(ls -A "$data")"
    for sample in wizard priest; do
        cmp -s "$source/samples/$sample.txt" "$data/$sample.txt" || fail "$sample.txt is not the sample"
    done
    local dump
    dump=$("$usr/bin/spellindex" dump "$data" wizard) || fail "spellindex dump wizard"
    [ "$(wc -l <<<"$dump")" = 29 ] || fail "wizard index has $(wc -l <<<"$dump") records"
    grep -q '^{"offset":0,"text_offset":[0-9]*,"name":"Quill of Patient Copying","level":1,' <<<"$dump" ||
        fail "first wizard record: $(head -1 <<<"$dump")"
    "$usr/bin/spellindex" dump "$data" priest >/dev/null || fail "spellindex dump priest"
    echo "first start set up $data"
}

first_start_without_samples() {
    local pid scratch
    scratch=$(mktemp -d) || fail "mktemp"
    trap 'rm -rf "$scratch"' EXIT
    mkdir -p "$scratch/opt/bin" && cp "$usr/bin/spellbrowser" "$scratch/opt/bin/" || fail "copy"
    env -u XDG_DATA_HOME -u SPELLS_DATA_DIR HOME="$scratch/home" QT_QPA_PLATFORM=offscreen \
        "$scratch/opt/bin/spellbrowser" &
    pid=$!
    # The data folder would be settled before the window opens.
    sleep 3
    kill -0 $pid 2>/dev/null || fail "spellbrowser ended without samples"
    kill -TERM $pid
    wait $pid
    [ ! -e "$scratch/home" ] || fail "created: $(find "$scratch/home")"
    echo "first start without samples created nothing"
}

case $step in
tree) tree ;;
validate) validate ;;
first-start) first_start ;;
first-start-without-samples) first_start_without_samples ;;
*) fail "unknown step $step" ;;
esac
