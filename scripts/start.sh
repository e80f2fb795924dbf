#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds Velmora and starts it in a folder holding a demo firmware and a demo
# photo, so every step can be tried at once.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
build=${VELMORA_APP_BUILD_DIR:-build-app}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVELMORA_BUILD_TESTS=OFF -DVELMORA_BUILD_BENCH=OFF > /dev/null
cmake --build "$build" -j2
demo="$PWD/$build/demo"
"$build/bin/velmora-demo" "$demo"
cd "$demo"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec ../bin/velmora
fi
echo "No desktop display here: showing what the window would list for demo.bin."
exec ../bin/velmora-cli analyze demo.bin
