#!/usr/bin/env bash
# Installs what is missing, builds the program alone (Release, no tests or
# benchmarks) in build/package and makes the Debian package
# build/package/morvel_<version>_<arch>.deb with cpack.
set -euo pipefail
MORVEL_ROOT=$(cd "$(dirname "$0")" && pwd)
source "$MORVEL_ROOT/tools/setup.sh"
morvel_setup package

dir="$MORVEL_ROOT/build/package"
morvel_configure "$dir" -DCMAKE_BUILD_TYPE=Release -DMORVEL_TESTS=OFF -DMORVEL_BENCH=OFF
cmake --build "$dir" -j"$(nproc)" --target morvel
(cd "$dir" && cpack -G DEB)
ls "$dir"/morvel_*.deb
