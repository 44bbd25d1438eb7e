#!/bin/bash
# Measures the resting character in a real window under a private Xvfb (at
# the default size; BENCH_ARGS=--size=small|large for the others):
# its CPU and the X server's over the same span, context switches, frames
# and PSS, then the cost of one frame. Usage:
#   bench/measure-idle.sh [BUILD_DIR] [SECONDS] [DESKTOP]
# DESKTOP: "bare" (the X server alone, the default), "openbox" (a window
# manager that does not composite: the window is cut to the character's
# outline) or "picom" (openbox and the compositor picom); the desktop's own
# processes are measured over the same span too.
# PIMBLE_POOL_THREADS=N sets Qt's global thread pool's size in the window
# run (the character's view keeps it at 1).
set -euo pipefail
build=${1:-build}
seconds=${2:-60}
desktop=${3:-bare}
bin="$build/bench/bench_idle_character_bench"
[ -x "$bin" ] || { echo "build $bin first" >&2; exit 1; }
work=$(mktemp -d)
export XDG_RUNTIME_DIR="$work"
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
pids=("$xvfb")
trap 'for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null; done; rm -rf "$work"' EXIT
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"
peers=""
case "$desktop" in
  bare) ;;
  openbox | picom)
    openbox --sm-disable >/dev/null 2>&1 &
    pids+=($!)
    peers="openbox=$!"
    for _ in $(seq 100); do
      xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
      sleep 0.05
    done
    if [ "$desktop" = picom ]; then
      picom --backend xrender --no-vsync >/dev/null 2>&1 &
      pids+=($!)
      peers="$peers picom=$!"
    fi
    ;;
  *) echo "unknown desktop $desktop (bare, openbox or picom)" >&2; exit 1 ;;
esac
sleep 1
# The bench reads the X server's CPU time over the same span as its own.
PIMBLE_XSERVER_PID=$xvfb PIMBLE_PEER_PIDS="$peers" QT_QPA_PLATFORM=xcb dbus-run-session -- \
  "$bin" --rest-seconds="$seconds" ${BENCH_ARGS:-}
"$bin" --benchmark_filter=RestingFrame 2>/dev/null | tail -2
