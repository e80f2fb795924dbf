#!/usr/bin/env bash
# Photographs the window under Xvfb after it analysed the demo firmware:
# docs/screenshot.png.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${VELMORA_BUILD_DIR:-build}
[ -f "$build/build.ninja" ] || cmake -S . -B "$build" -G Ninja -DVELMORA_BUILD_BENCH=OFF
cmake --build "$build" -j2 --target velmora velmora-demo
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/bin/velmora-demo" "$work"
mkdir -p docs
TMP="$work" xvfb-run -a -s "-screen 0 800x600x24" \
  "$build/bin/velmora" --open "$work/demo.bin" --screenshot docs/screenshot.png
echo "docs/screenshot.png written"
