#!/usr/bin/env bash
# Installs what is missing, builds the program (Release; not the tests or
# benchmarks) and starts the viewer on FILE.csv, or on the demo file when no
# file is given.
set -euo pipefail
MORVEL_ROOT=$(cd "$(dirname "$0")" && pwd)
source "$MORVEL_ROOT/tools/setup.sh"
morvel_setup build

dir="$MORVEL_ROOT/build/release"
if [ ! -f "$dir/CMakeCache.txt" ]; then
  # A first build needs neither GoogleTest nor the benchmarks' libraries;
  # ./test.sh turns them on in the same folder when it runs.
  morvel_configure "$dir" -DCMAKE_BUILD_TYPE=Release -DMORVEL_TESTS=OFF -DMORVEL_BENCH=OFF
fi
cmake --build "$dir" -j"$(nproc)" --target morvel

if [ $# -eq 0 ]; then
  set -- "$MORVEL_ROOT/samples/demo.csv"
fi
exec "$dir/app/morvel" "$@"
