#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds everything and runs every test: once as released (a Release build),
# once under AddressSanitizer and UndefinedBehaviorSanitizer; in between a
# clang build under ThreadSanitizer runs the tests whose work runs on threads
# (only those test programs are built there).
# Warnings are errors in every pass.
# VELMORA_SKIP_SANITIZE=1 skips the sanitizer pass, VELMORA_SKIP_CLANG=1 the clang pass.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --with-extras

configure() {
  local build=$1
  shift
  cmake -S . -B "$build" -G Ninja -DVELMORA_BUILD_BENCH=OFF -DVELMORA_WERROR=ON "$@"
}

run_suite() {
  local build=$1
  shift
  configure "$build" "$@"
  cmake --build "$build" -j2
  ctest --test-dir "$build" --output-on-failure -j2 --timeout 900
}

echo "== Tests (Release)"
run_suite "${VELMORA_BUILD_DIR:-build}" -DCMAKE_BUILD_TYPE=Release

if [ "${VELMORA_SKIP_CLANG:-0}" != 1 ]; then
  echo "== Threaded tests under ThreadSanitizer (clang++ 14)"
  tsan_build=${VELMORA_CLANG_BUILD_DIR:-build-tsan}
  CC=clang-14 CXX=clang++-14 configure "$tsan_build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVELMORA_TSAN=ON
  # The window's work beside its event loop, the conversion's tries side by
  # side, cancelling from another thread, two programs at one firmware.
  cmake --build "$tsan_build" -j2 --target app_tests convert_tests builtin_encoder_tests \
    reliability_cli_tests
  TSAN_OPTIONS="suppressions=$PWD/scripts/tsan.supp second_deadlock_stack=1" \
    ctest --test-dir "$tsan_build" --output-on-failure --no-tests=error -j2 --timeout 900 -R \
    '^(WindowBusyTest|GuiThreadDialogs|JpegConversion[.](TriesSideBySide|Cancel)|RealToolsConversion[.]TriesSideBySide|RunTool[.]Cancel|BuiltinEncoder[.]ACancel|CliBesideOthers[.](TwoReplacements|ASecondVelmora)|CliToolsBesideOthers[.](TwoConversions|ARunKilled))'
fi

if [ "${VELMORA_SKIP_SANITIZE:-0}" != 1 ]; then
  echo "== Tests under AddressSanitizer and UndefinedBehaviorSanitizer"
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  export LSAN_OPTIONS=suppressions=$PWD/scripts/lsan.supp:print_suppressions=0
  run_suite "${VELMORA_SANITIZE_BUILD_DIR:-build-sanitize}" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVELMORA_SANITIZE=ON
fi
