#!/bin/bash
# Measures the resting character in a real window under a private Xvfb (at
# the default size; BENCH_ARGS=--size=small|large for the others):
# its CPU and the X server's over the same span, context switches, frames
# and PSS, then the cost of one frame. Usage: bench/measure-idle.sh [BUILD_DIR] [SECONDS]
# PIMBLE_POOL_THREADS=N sets Qt's global thread pool's size in the window
# run (the character's view keeps it at 1).
set -euo pipefail
build=${1:-build}
seconds=${2:-60}
bin="$build/bench/bench_idle_character_bench"
[ -x "$bin" ] || { echo "build $bin first" >&2; exit 1; }
work=$(mktemp -d)
export XDG_RUNTIME_DIR="$work"
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"
sleep 1
# The bench reads the X server's CPU time over the same span as its own.
PIMBLE_XSERVER_PID=$xvfb QT_QPA_PLATFORM=xcb dbus-run-session -- "$bin" --rest-seconds="$seconds" ${BENCH_ARGS:-}
"$bin" --benchmark_filter=RestingFrame 2>/dev/null | tail -2
