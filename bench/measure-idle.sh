#!/bin/bash
# Measures the resting character in a real window under a private Xvfb:
# its CPU and the X server's, context switches, frames and PSS, then the
# cost of one frame. Usage: bench/measure-idle.sh [BUILD_DIR] [SECONDS]
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
ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
hz=$(getconf CLK_TCK)
sleep 1
x0=$(ticks "$xvfb")
QT_QPA_PLATFORM=xcb dbus-run-session -- "$bin" --rest-seconds="$seconds" | tee "$work/out"
x1=$(ticks "$xvfb")
# The X server's ticks cover the whole run, start-up included (2 s more).
awk -v t=$((x1 - x0)) -v hz="$hz" -v s="$seconds" \
  'BEGIN { printf "xserver_cpu_percent_upper_bound %.3f\n", 100 * t / hz / s }'
"$bin" --benchmark_filter=RestingFrame 2>/dev/null | tail -2
