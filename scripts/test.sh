#!/usr/bin/env bash
# Builds Pimble with warnings as errors and runs every test inside a private
# headless desktop (tests/desktop-env.sh). Extra arguments go to ctest
# (for example -L services, or -LE desktop).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${PIMBLE_BUILD_DIR:-$here/build}
jobs=$(nproc)
# Every option the suite depends on is given, whatever the build folder's
# cache holds: scripts/run.sh builds into the same folder without tests.
cmake -S "$here" -B "$build" -DPIMBLE_WERROR=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DPIMBLE_BUILD_TESTS=ON -DPIMBLE_BUILD_BENCH=ON -DPIMBLE_CORE_ONLY=OFF -DPIMBLE_SANITIZE=OFF \
  >/dev/null
cmake --build "$build" -j "$jobs"
# A run that finds no tests fails.
"$here/tests/desktop-env.sh" ctest --test-dir "$build" --output-on-failure --no-tests=error \
  -j "$jobs" "$@"
