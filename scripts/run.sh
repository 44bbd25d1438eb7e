#!/usr/bin/env bash
# Builds Pimble and starts it.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${PIMBLE_BUILD_DIR:-$here/build}
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPIMBLE_BUILD_TESTS=OFF -DPIMBLE_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target pimble
exec "$build/src/pimble" "$@"
