#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the window end to end under Xvfb with the real tools: drops the demo
# firmware on it, replaces a picture with the demo photo, cancels a second
# replacement half-way, and photographs the window with its refreshed grid.
# Prints the worst event-loop pause during the JPEG replacement.
#   scripts/window-e2e.sh [SCREENSHOT.png]     (default: a temporary file)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${VELMORA_BUILD_DIR:-build}
[ -f "$build/build.ninja" ] || cmake -S . -B "$build" -G Ninja -DVELMORA_BUILD_BENCH=OFF
cmake --build "$build" -j2 --target velmora-window-e2e velmora_tool_links pvw32con mpeg2decode
command -v xvfb-run >/dev/null || { echo "xvfb-run is missing: scripts/install-deps.sh --with-extras" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
shot=${1:-$work/window.png}
TMP="$work" XDG_CONFIG_HOME="$work" QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x1024x24" \
  "$build/bin/velmora-window-e2e" "$work/run" "$shot"
echo "screenshot: $shot"
