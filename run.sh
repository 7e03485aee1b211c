#!/usr/bin/env bash
# Installs what is missing, builds Morvel (Release) and starts the viewer on
# FILE.csv, or on the demo file when no file is given.
set -euo pipefail
MORVEL_ROOT=$(cd "$(dirname "$0")" && pwd)
source "$MORVEL_ROOT/tools/setup.sh"
morvel_setup
morvel_build "$MORVEL_ROOT/build/release" -DCMAKE_BUILD_TYPE=Release

program="$MORVEL_ROOT/build/release/app/morvel"
if [ ! -x "$program" ]; then
  echo "Morvel is built; the viewer's main window is not there yet, so there is nothing to start."
  exit 0
fi
if [ $# -eq 0 ]; then
  set -- "$MORVEL_ROOT/samples/demo.csv"
fi
exec "$program" "$@"
