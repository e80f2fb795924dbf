#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the libFuzzer targets with clang and runs one (or all) for a while.
#   scripts/fuzz.sh [TARGET|all] [SECONDS]
# Inputs that make a target fail are left in build-fuzz/findings/TARGET; keep
# each one under fuzz/regressions/TARGET so the test suite replays it.
set -euo pipefail
cd "$(dirname "$0")/.."
target=${1:-all}
seconds=${2:-600}
scripts/install-deps.sh --with-extras
build=build-fuzz
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVELMORA_FUZZ=ON -DVELMORA_BUILD_APP=OFF -DVELMORA_BUILD_TOOLS=OFF \
  -DVELMORA_BUILD_TESTS=OFF -DVELMORA_BUILD_BENCH=OFF > /dev/null
cmake --build "$build" -j2 --target $( [ "$target" = all ] && echo all || echo "fuzz_$target")
targets=$target
[ "$target" = all ] && targets=$(cd "$build/bin" && ls fuzz_* | sed 's/^fuzz_//')
for t in $targets; do
  corpus="$build/corpus/$t"
  findings="$build/findings/$t"
  mkdir -p "$corpus" "$findings"
  [ -d "fuzz/seeds/$t" ] && cp -n fuzz/seeds/$t/* "$corpus"/ 2>/dev/null || true
  [ -d "fuzz/regressions/$t" ] && cp -n fuzz/regressions/$t/* "$corpus"/ 2>/dev/null || true
  echo "== fuzz_$t for ${seconds}s"
  "$build/bin/fuzz_$t" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=4096 \
    -max_len=1048576 -artifact_prefix="$findings/" "$corpus"
done
