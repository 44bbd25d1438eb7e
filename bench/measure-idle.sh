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
# WHAT: "character" (the default: the character alone, its animator seeded so
# that every run shows the same behaviours) or "program" (the real program,
# three launches in turn: following on, following off, motion off). The
# program's character picks its behaviours by chance and by how long the
# user has been away: each launch starts with the user just active, and a
# key press every 30 s (the pointer stays still) keeps the user active, so
# every launch rests alike, idle behaviours included. Compare program runs
# over 300 s or more, several of them; BENCH_VARIANTS="following,motion off"
# runs only those launches.
set -euo pipefail
build=${1:-build}
seconds=${2:-60}
desktop=${3:-bare}
what=${4:-character}
case "$what" in
  character) bin="$build/bench/bench_idle_character_bench" ;;
  program) bin="$build/src/pimble" ;;
  *) echo "unknown WHAT $what (character or program)" >&2; exit 1 ;;
esac
[ -x "$bin" ] || { echo "build $bin first" >&2; exit 1; }
work=$(mktemp -d)
export XDG_RUNTIME_DIR="$work"
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
pids=("$xvfb")
trap 'for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done; rm -rf "$work"' EXIT
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

if [ "$what" = program ]; then
  . "$(dirname "$0")/process-stats.sh"
  export XDG_CONFIG_HOME="$work/config"
  unset WAYLAND_DISPLAY PULSE_SERVER DBUS_SYSTEM_BUS_ADDRESS
  dbus-daemon --session --nofork --print-address=3 3>"$work/bus" >/dev/null 2>&1 &
  pids+=($!)
  for _ in $(seq 100); do [ -s "$work/bus" ] && break; sleep 0.05; done
  export DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$work/bus")
  # A still pointer away from the character.
  xdotool mousemove 200 200 2>/dev/null || true
  run=0
  IFS=, read -r -a variants <<<"${BENCH_VARIANTS:-following,not following,motion off}"
  for variant in "${variants[@]}"; do
    case "$variant" in
      following) extra= ;;
      "not following") extra=', "followCursor": false' ;;
      "motion off") extra=', "animationIntensity": "off"' ;;
    esac
    run=$((run + 1))
    export PIMBLE_DATA_DIR="$work/data$run"
    mkdir -m 700 "$PIMBLE_DATA_DIR"
    printf '{"onboardingCompleted": true%s}\n' "$extra" >"$PIMBLE_DATA_DIR/settings.json"
    xdotool key shift 2>/dev/null || true
    "$bin" >/dev/null 2>&1 &
    program=$!
    pids+=("$program")
    read -r span xserver < <(rest_and_measure "$program" "$xvfb" "$seconds" "$work")
    echo "== pimble resting, $variant, $span s"
    stats_change "$work/before" "$work/after" "$span"
    echo "xserver_cpu_percent $xserver"
    kill -TERM "$program"
    wait "$program" 2>/dev/null || true
  done
  exit 0
fi

# The bench reads the X server's CPU time over the same span as its own.
PIMBLE_XSERVER_PID=$xvfb PIMBLE_PEER_PIDS="$peers" QT_QPA_PLATFORM=xcb dbus-run-session -- \
  "$bin" --rest-seconds="$seconds" ${BENCH_ARGS:-}
"$bin" --benchmark_filter=RestingFrame 2>/dev/null | grep "^BM_"
