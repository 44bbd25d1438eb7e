#!/usr/bin/env bash
# Builds Pimble with warnings as errors and runs every test inside a private
# headless desktop (tests/desktop-env.sh). Extra arguments go to ctest
# (for example -L services, or -LE desktop).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${PIMBLE_BUILD_DIR:-$here/build}
jobs=$(nproc)
cmake -S "$here" -B "$build" -DPIMBLE_WERROR=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$jobs"
"$here/tests/desktop-env.sh" ctest --test-dir "$build" --output-on-failure -j "$jobs" "$@"
