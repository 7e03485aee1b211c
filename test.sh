#!/usr/bin/env bash
# Builds Morvel with its tests and benchmarks and runs the whole test suite
# twice: once as released, once under AddressSanitizer +
# UndefinedBehaviorSanitizer. Warnings are errors here. Exits non-zero on any
# failure. Installs what is missing first (Debian packages, needs root or sudo).
set -euo pipefail
MORVEL_ROOT=$(cd "$(dirname "$0")" && pwd)
source "$MORVEL_ROOT/tools/setup.sh"
morvel_setup test

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$MORVEL_ROOT/tools/lsan.supp
jobs=$(nproc)

echo "== Release build and tests (build/release)"
morvel_build "$MORVEL_ROOT/build/release" -DCMAKE_BUILD_TYPE=Release \
  -DMORVEL_TESTS=ON -DMORVEL_BENCH=ON -DMORVEL_WERROR=ON
(cd "$MORVEL_ROOT/build/release" && ctest --output-on-failure -j"$jobs" --timeout 600)

echo "== Sanitizer build and tests (build/sanitize)"
morvel_build "$MORVEL_ROOT/build/sanitize" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DMORVEL_SANITIZE=ON -DMORVEL_TESTS=ON -DMORVEL_BENCH=OFF -DMORVEL_WERROR=ON
(cd "$MORVEL_ROOT/build/sanitize" && ctest --output-on-failure -j"$jobs" --timeout 1200)

echo "All tests passed."
