#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The installed program, away from the build tree:
#   install_test.sh install BUILD PREFIX   cmake --install BUILD into PREFIX (fresh)
#   install_test.sh CHECK PREFIX DEMO       one check on the installation; DEMO is
#                                           the built velmora-demo
# Each check runs in a new empty folder with PATH holding only the system's
# folders, so nothing of the build tree can stand in for what was installed.
set -euo pipefail

fail() {
    echo "FAILED: $*" >&2
    exit 1
}

check=$1
if [ "$check" = install ]; then
    rm -rf "$3"
    cmake --install "$2" --prefix "$3" >/dev/null
    exit 0
fi
prefix=$(cd "$2" && pwd)
demo=${3:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
export PATH=/usr/local/bin:/usr/bin:/bin TMP="$work/tmp" LC_ALL=C.UTF-8
mkdir "$TMP"
cli="$prefix/bin/velmora-cli"

case $check in
layout)
    for f in bin/velmora bin/velmora-cli libexec/velmora/pvw32con libexec/velmora/pixmend \
        libexec/velmora/xvid_encraw libexec/velmora/mpeg2decode \
        share/man/man1/velmora.1.gz share/man/man1/velmora-cli.1.gz \
        share/applications/org.velmora.Velmora.desktop \
        share/icons/hicolor/scalable/apps/org.velmora.Velmora.svg \
        share/metainfo/org.velmora.Velmora.metainfo.xml \
        share/bash-completion/completions/velmora-cli \
        share/doc/velmora/copyright share/doc/velmora/changelog.gz; do
        [ -f "$prefix/$f" ] || fail "$f is not installed"
    done
    # The mjpegtools programs come from PATH, never from the installation.
    [ -z "$(find "$prefix" -name 'jpeg2yuv*' -o -name 'mpeg2enc*' -o -name 'yuvscaler*')" ] ||
        fail "mjpegtools programs were installed"
    ;;
replace)
    # A real JPEG replacement of an MPEG-2 and an MPEG-4 picture: the helpers
    # come from libexec/velmora, the mjpegtools programs from PATH.
    "$demo" "$work/demo" >/dev/null
    cp "$work/demo/demo.bin" fw.bin
    for n in 1 3; do
        "$cli" replace fw.bin $n "$work/demo/photo.jpg" >"replace$n.log" 2>&1 ||
            fail "replace $n: $(cat "replace$n.log")"
        grep -qx "All operations completed successfully!" "replace$n.log" ||
            fail "replace $n did not complete: $(cat "replace$n.log")"
    done
    ! cmp -s fw.bin "$work/demo/demo.bin" || fail "the firmware was not changed"
    "$cli" analyze fw.bin >analyze.log || fail "analyze after the replacements"
    [ "$(grep -c $'\tMPEG' analyze.log)" = 4 ] || fail "not four pictures after: $(cat analyze.log)"
    # The new MPEG-2 picture decodes with the installed decoder.
    "$cli" tga fw.bin 1 picture >/dev/null || fail "tga of the new picture"
    [ -s picture.tga ] || fail "no TGA written"
    ;;
help)
    out=$("$cli" --help) || fail "--help exits $?"
    grep -q "^usage: velmora-cli analyze FIRMWARE \[--json\]" <<<"$out" || fail "--help: $out"
    grep -q "velmora-cli(1)" <<<"$out" || fail "--help does not name the man page"
    ;;
version)
    out=$("$cli" --version) || fail "--version exits $?"
    [ "$out" = "velmora-cli $VELMORA_VERSION" ] || fail "--version printed '$out'"
    ;;
man)
    for page in velmora velmora-cli; do
        file="$prefix/share/man/man1/$page.1.gz"
        warnings=$(zcat "$file" | groff -ww -z -man -Tutf8 2>&1)
        [ -z "$warnings" ] || fail "groff warns on $page.1: $warnings"
        MANWIDTH=80 man -l "$file" >"$page.txt" 2>"$page.err" || fail "man -l $page.1"
        [ ! -s "$page.err" ] || fail "man -l $page.1 warns: $(cat "$page.err")"
        grep -q "^NAME" "$page.txt" || fail "$page.1 renders no NAME section"
    done
    grep -q -- "--json" velmora-cli.txt || fail "velmora-cli(1) lacks --json"
    grep -q "$prefix/libexec/velmora\|libexec/velmora" velmora-cli.txt ||
        fail "velmora-cli(1) does not say where the helpers lie"
    ;;
desktop)
    desktop-file-validate "$prefix/share/applications/org.velmora.Velmora.desktop" ||
        fail "desktop-file-validate"
    appstreamcli validate --no-net "$prefix/share/metainfo/org.velmora.Velmora.metainfo.xml" ||
        fail "appstreamcli validate"
    grep -qx "Exec=velmora %f" "$prefix/share/applications/org.velmora.Velmora.desktop" ||
        fail "the desktop entry does not hand the file over"
    ;;
completion)
    source "$prefix/share/bash-completion/completions/velmora-cli"
    complete() {
        COMP_WORDS=("$@")
        COMP_CWORD=$(($# - 1))
        _velmora_cli
        echo "${COMPREPLY[*]}"
    }
    touch dump.bin photo.jpg
    [ "$(complete velmora-cli re)" = "replace restore" ] || fail "commands"
    [ "$(complete velmora-cli analyze dump.bin --j)" = --json ] || fail "analyze options"
    [ "$(complete velmora-cli replace dump.bin 1 photo.jpg --col)" = --colors ] || fail "options"
    [ "$(complete velmora-cli replace dump.bin 1 photo.jpg --colors 2)" = "24 256" ] || fail "values"
    [ "$(complete velmora-cli analyze du)" = dump.bin ] || fail "firmware file names"
    [ "$(complete velmora-cli replace dump.bin 1 ph)" = photo.jpg ] || fail "source file names"
    [ -z "$(complete velmora-cli extract dump.bin "")" ] || fail "N is no file name"
    ;;
window)
    # A firmware given as the argument is opened as --open opens it: the two
    # windows look the same, and different from one without a firmware.
    "$demo" "$work/demo" >/dev/null
    export QT_QPA_PLATFORM=offscreen
    "$prefix/bin/velmora" "$work/demo/demo.bin" --screenshot argument.png || fail "velmora FIRMWARE"
    "$prefix/bin/velmora" --open "$work/demo/demo.bin" --screenshot open.png || fail "--open"
    "$prefix/bin/velmora" --screenshot empty.png || fail "velmora"
    cmp -s argument.png open.png || fail "the argument is not opened as --open opens it"
    ! cmp -s argument.png empty.png || fail "the argument was not opened"
    ;;
*)
    fail "unknown check $check"
    ;;
esac
