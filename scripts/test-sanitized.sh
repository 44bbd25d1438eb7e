#!/usr/bin/env bash
# Builds the plain C++ core (models, services) with AddressSanitizer and
# UndefinedBehaviorSanitizer and runs its tests: corrupt files invite
# undefined behaviour, and these tests are fast.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${PIMBLE_SANITIZE_BUILD_DIR:-$here/build-sanitize}
jobs=$(nproc)
cmake -S "$here" -B "$build" -DPIMBLE_CORE_ONLY=ON -DPIMBLE_SANITIZE=ON -DPIMBLE_WERROR=ON \
  -DPIMBLE_BUILD_TESTS=ON -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build "$build" -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir "$build" --output-on-failure --no-tests=error -j "$jobs" "$@"
