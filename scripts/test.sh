#!/usr/bin/env bash
# Builds everything and runs every test: once as released, once under
# AddressSanitizer and UndefinedBehaviorSanitizer.
# VELMORA_SKIP_SANITIZE=1 runs the first pass only.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --with-extras

run_suite() {
  local build=$1
  shift
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORA_BUILD_BENCH=OFF "$@"
  cmake --build "$build" -j2
  ctest --test-dir "$build" --output-on-failure -j2 --timeout 900
}

echo "== Tests"
run_suite "${VELMORA_BUILD_DIR:-build}"

if [ "${VELMORA_SKIP_SANITIZE:-0}" != 1 ]; then
  echo "== Tests under AddressSanitizer and UndefinedBehaviorSanitizer"
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  export LSAN_OPTIONS=suppressions=$PWD/scripts/lsan.supp:print_suppressions=0
  run_suite "${VELMORA_SANITIZE_BUILD_DIR:-build-sanitize}" -DVELMORA_SANITIZE=ON
fi
