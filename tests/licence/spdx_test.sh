#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Every source file of ours names its licence in its first line (the second,
# after a #! line). Reads the source tree, not the build: git's file list in a
# clone, else every file below it but .git and build folders.
#   spdx_test.sh check SOURCE_DIR
#   spdx_test.sh selftest        (the check finds a file without the line)
set -euo pipefail

tag="SPDX-License-Identifier: GPL-3.0-or-later"

# NUL-separated paths of the files to look at, relative to the current folder.
tree_files() {
    if [ -e .git ] && git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
        git ls-files -z
    else
        # A folder holding CMakeCache.txt is a build folder: what lies there is made.
        find . -name .git -prune -o -type d -exec test -e '{}/CMakeCache.txt' ';' -prune \
            -o -type f -print0 | sed -z 's|^\./||'
    fi
}

# Prints one line per source file that lacks the line, saying what to add.
missing() {
    tree_files | { grep -zE '\.(cpp|h|cc|hpp|c|sh|cmake|py)$|(^|/)CMakeLists\.txt$' || true; } |
        xargs -0 -r awk -v tag="$tag" '
        function comment(f) { return f ~ /\.(cpp|h|cc|hpp|c)$/ ? "// " tag : "# " tag }
        function lacks(f, after) {
            if (after)
                printf "%s: add the line \"%s\" as its second line, after the #! line\n", f, comment(f)
            else
                printf "%s: add the line \"%s\" as its first line\n", f, comment(f)
        }
        # A file whose only line is a #! line ends before its second line.
        FNR == 1 && pending != "" { lacks(pending, 1); pending = "" }
        FNR == 1 && /^#!/ { pending = FILENAME; next }
        FNR == 1 { if ($0 != comment(FILENAME)) lacks(FILENAME, 0); nextfile }
        FNR == 2 { if ($0 != comment(FILENAME)) lacks(FILENAME, 1); pending = ""; nextfile }
        END { if (pending != "") lacks(pending, 1) }'
}

check() {
    cd "$1"
    local lacking
    lacking=$(missing)
    if [ -n "$lacking" ]; then
        echo "These source files do not name their licence at their top:"
        echo "$lacking"
        echo "Every source file starts with \"// $tag\" (C++ and C) or \"# $tag\""
        echo "(CMake, shell, Python), after a #! line where there is one."
        exit 1
    fi
    echo "Every source file names its licence."
}

selftest() {
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    mkdir -p "$work/src/core" "$work/src/build/gen"
    printf '// %s\nint a;\n' "$tag" >"$work/src/core/good.cpp"
    printf '#!/bin/sh\n# %s\ntrue\n' "$tag" >"$work/src/core/good.sh"
    printf 'int b;\n' >"$work/src/core/bad.h"
    printf '#!/bin/sh\n' >"$work/src/core/bare.sh"
    printf 'project(x)\n' >"$work/src/CMakeLists.txt"
    printf 'no licence here\n' >"$work/src/core/notes.txt"
    touch "$work/src/build/CMakeCache.txt"
    printf 'int made;\n' >"$work/src/build/gen/made.cpp"
    local out status=0
    out=$(check "$work/src" 2>&1) || status=$?
    [ "$status" -eq 1 ] || { echo "selftest: the check exited $status, not 1:"; echo "$out"; exit 1; }
    local expected
    expected="core/bad.h: add the line \"// $tag\" as its first line
core/bare.sh: add the line \"# $tag\" as its second line, after the #! line
CMakeLists.txt: add the line \"# $tag\" as its first line"
    local named
    named=$(echo "$out" | grep ': add the line' | sort)
    if [ "$named" != "$(echo "$expected" | sort)" ]; then
        echo "selftest: the check named"
        echo "$named"
        echo "instead of"
        echo "$expected"
        exit 1
    fi
    echo "The check names exactly the source files that lack the line."
}

case "${1:-}" in
check) check "${2:?source folder}" ;;
selftest) selftest ;;
*) echo "usage: spdx_test.sh check SOURCE_DIR | selftest" >&2; exit 2 ;;
esac
