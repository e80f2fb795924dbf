#!/usr/bin/env bash
# Photographs the window under Xvfb after it analysed the demo firmware:
# docs/screenshot.png.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${VELMORA_BUILD_DIR:-build}
[ -f "$build/build.ninja" ] || cmake -S . -B "$build" -G Ninja -DVELMORA_BUILD_BENCH=OFF
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

if cmake --build "$build" --target help | grep -q '^velmora-demo:'; then
  cmake --build "$build" -j2 --target velmora velmora-demo
  "$build/bin/velmora-demo" "$work"
else
  # No demo builder in this tree: code bytes, one real MPEG-2 picture, erased flash.
  cmake --build "$build" -j2 --target velmora
  ffmpeg -loglevel error -f lavfi -i color=c=navy:s=720x576:r=25 -frames:v 1 \
    -c:v mpeg2video -f mpeg2video "$work/picture.m2v" </dev/null
  { head -c 4096 /dev/zero | tr '\0' 'Z'; cat "$work/picture.m2v"; printf '\000\000\001\267'
    head -c 16384 /dev/zero | tr '\0' '\377'; } >"$work/demo.bin"
fi

mkdir -p docs
TMP="$work" xvfb-run -a -s "-screen 0 800x600x24" \
  "$build/bin/velmora" --open "$work/demo.bin" --screenshot docs/screenshot.png
echo "docs/screenshot.png written"
