#!/bin/bash
# Opening the Awareness tab's picker over 200 installed applications, on a
# private X server with a window manager and a session bus: the time until
# it is on screen and painted. Usage: bench/measure-app-picker.sh [BUILD_DIR] [RUNS]
set -euo pipefail
build=${1:-build}
runs=${2:-3}
bin="$build/bench/bench_app_picker_bench"
[ -x "$bin" ] || { echo "build $bin first" >&2; exit 1; }
here=$(cd "$(dirname "$0")/.." && pwd)
for ((i = 1; i <= runs; i++)); do
  QT_QPA_PLATFORM=xcb "$here/tests/desktop-env.sh" "$bin" 2>/dev/null
done
