#!/usr/bin/env bash
# Builds Velmora and starts it with a demo firmware ready to open.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
build=${VELMORA_BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j2
demo="$build/demo"
"$build/bin/velmora-demo" "$demo"
cd "$build/tools"
if [ -x "../bin/velmora" ] && [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec ../bin/velmora
fi
exec ../bin/velmora-cli analyze "../demo/demo.bin"
